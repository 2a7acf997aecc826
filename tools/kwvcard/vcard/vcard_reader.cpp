#include "vcard/vcard_reader.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "input/input.h"
#include "text.h"

namespace kwvcard {
namespace {

constexpr std::size_t kBlock = 1 << 16;
const auto kNoConverter = reinterpret_cast<iconv_t>(-1);

bool blank(std::string_view line) {
  return trim(line).empty();
}

bool is_line(std::string_view text, std::string_view wanted) {  // wanted: upper case
  text = trim(text);
  return text.size() == wanted.size() && upper(text) == wanted;
}

// Where `text` splits at `separator`s outside double quotes.
std::vector<std::string_view> split_outside_quotes(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  bool quoted = false;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == separator && !quoted) {
      pieces.push_back(text.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  pieces.push_back(text.substr(begin));
  return pieces;
}

// ENCODING values, bare or named; B is 3.0's name for BASE64.
std::string encoding_name(std::string_view value) {
  std::string e = upper(trim(value));
  return e == "B" ? "BASE64" : e;
}

bool is_encoding(const std::string& bare) {
  for (const char* e : {"QUOTED-PRINTABLE", "BASE64", "B", "8BIT", "7BIT"}) {
    if (bare == e) return true;
  }
  return false;
}

int hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// Decodes quoted-printable `text` (soft line breaks are already removed);
// false at an '=' not followed by two hex digits.
bool decode_qp(std::string& text) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++out) {
    if (text[i] != '=') {
      text[out] = text[i];
      continue;
    }
    const int high = i + 1 < text.size() ? hex(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? hex(text[i + 2]) : -1;
    if (high < 0 || low < 0) return false;
    text[out] = static_cast<char>(high * 16 + low);
    i += 2;
  }
  text.resize(out);
  return true;
}

bool is_utf8(const std::string& name) {
  return name.empty() || name == "UTF-8" || name == "UTF8";
}

// The first CR or LF in `text` from `from` on, or npos. LF is looked for in
// windows with memchr (a CR-only file would otherwise have the rest of the
// buffer scanned for every line), then CR before it.
std::size_t line_end(const std::string& text, std::size_t from) {
  constexpr std::size_t kWindow = 512;
  for (std::size_t at = from; at < text.size(); at += kWindow) {
    const std::size_t n = std::min(kWindow, text.size() - at);
    const char* lf = static_cast<const char*>(std::memchr(text.data() + at, '\n', n));
    const std::size_t upto = lf == nullptr ? n : static_cast<std::size_t>(lf - text.data()) - at;
    const void* cr = std::memchr(text.data() + at, '\r', upto);
    if (cr != nullptr) return static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
    if (lf != nullptr) return at + upto;
  }
  return std::string::npos;
}

}  // namespace

bool Property::has_type(std::string_view type) const {
  return std::find(types.begin(), types.end(), type) != types.end();
}

bool is_vcard(std::FILE* in) {
  int c = std::getc(in);
  if (c == 0xEF && std::getc(in) == 0xBB && std::getc(in) == 0xBF) c = std::getc(in);
  while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = std::getc(in);
  for (const char* want = "BEGIN:VCARD"; *want != '\0'; ++want, c = std::getc(in)) {
    if (c == EOF || std::toupper(c) != *want) return false;
  }
  while (c == ' ' || c == '\t') c = std::getc(in);
  return c == EOF || c == '\r' || c == '\n';
}

VcardReader::VcardReader(std::FILE* in, std::string name, std::string from_encoding, bool decode)
    : in_(in), name_(std::move(name)), from_(upper(from_encoding)), decode_(decode) {
  if (!is_utf8(from_)) {
    iconv_t cd = iconv_open("UTF-8", from_.c_str());
    if (cd == kNoConverter) throw std::runtime_error("unknown encoding " + from_encoding);
    converters_[from_] = cd;
  }
}

VcardReader::~VcardReader() {
  for (auto& entry : converters_) {
    if (entry.second != kNoConverter) iconv_close(entry.second);
  }
}

void VcardReader::fail(int line, const std::string& what) const {
  throw std::runtime_error(name_ + ":" + std::to_string(line) + ": " + what);
}

// The next line as the input ends it (CR LF, LF or a lone CR), without its end.
bool VcardReader::physical(std::string& line) {
  std::size_t scan = pos_;  // bytes before it hold no line end
  for (;;) {
    const std::size_t end = line_end(buffer_, scan);
    // A CR last in the buffer may be the first half of CR LF.
    if (end != std::string::npos && (eof_ || end + 1 < buffer_.size() || buffer_[end] == '\n')) {
      line.assign(buffer_, pos_, end - pos_);
      pos_ = end + (buffer_.compare(end, 2, "\r\n") == 0 ? 2 : 1);
      break;
    }
    if (eof_) {
      if (pos_ >= buffer_.size()) return false;
      line.assign(buffer_, pos_, std::string::npos);
      pos_ = buffer_.size();
      break;
    }
    buffer_.erase(0, pos_);
    scan = end == std::string::npos ? buffer_.size() : end - pos_;
    pos_ = 0;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + kBlock);
    const std::size_t n = std::fread(&buffer_[had], 1, kBlock, in_);
    buffer_.resize(had + n);
    if (n == 0 && std::ferror(in_))
      throw std::runtime_error("cannot read " + name_ + ": " + std::strerror(errno));
    eof_ = n == 0;
  }
  if (buffer_.capacity() > 4 * kBlock) {  // give back what a long line took
    buffer_.erase(0, pos_);
    buffer_.shrink_to_fit();
    pos_ = 0;
  }
  if (++line_ == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
  return true;
}

// Finds where the value of `l` starts and whether it is quoted-printable.
// The value starts after the first ':' outside double quotes; the text is
// scanned once, as folds add to it.
void VcardReader::examine(Logical& l) const {
  for (; l.scanned < l.text.size() && l.colon == std::string::npos; ++l.scanned) {
    if (l.text[l.scanned] == '"') l.quoted = !l.quoted;
    if (l.text[l.scanned] == ':' && !l.quoted) l.colon = l.scanned;
  }
  if (l.colon == std::string::npos) return;
  const auto params = split_outside_quotes(std::string_view(l.text).substr(0, l.colon), ';');
  for (std::size_t i = 1; i < params.size(); ++i) {
    const std::size_t eq = params[i].find('=');
    const std::string_view name =
        eq == std::string_view::npos ? "ENCODING" : params[i].substr(0, eq);
    if (upper(trim(name)) == "ENCODING" &&
        encoding_name(params[i].substr(eq == std::string_view::npos ? 0 : eq + 1)) ==
            "QUOTED-PRINTABLE")
      l.qp = true;
  }
}

// The next line after the line rules; false at the end of the input.
bool VcardReader::logical(Logical& out) {
  std::string line;
  while (physical(line)) {
    if (has_pending_ && pending_.qp) {
      std::string& text = pending_.text;
      if (text.size() > pending_.colon + 1 && text.back() == '=') {  // a soft line break
        text.pop_back();
        text += line;
        continue;
      }
      if (!blank(line) && line.find(':') == std::string::npos) {  // a raw line break
        text += "\r\n";
        text += line;
        continue;
      }
    }
    if (blank(line)) continue;
    if (has_pending_ && (line[0] == ' ' || line[0] == '\t')) {
      pending_.text.append(line, 1, std::string::npos);
      if (pending_.colon == std::string::npos) examine(pending_);
      continue;
    }
    const bool had = has_pending_;
    if (had) out = std::move(pending_);
    pending_ = Logical{line_, std::move(line)};
    examine(pending_);
    has_pending_ = true;
    if (had) return true;
  }
  if (!has_pending_) return false;
  out = std::move(pending_);
  has_pending_ = false;
  return true;
}

Property VcardReader::parse(Logical& l) {
  Property p;
  p.line = l.line;
  const std::string_view text = l.text;
  const auto head = split_outside_quotes(text.substr(0, l.colon), ';');
  const std::string_view full = trim(head[0]);
  const std::size_t dot = full.find('.');
  if (dot != std::string_view::npos) p.group = full.substr(0, dot);
  p.written = full.substr(dot == std::string_view::npos ? 0 : dot + 1);
  p.name = upper(p.written);
  for (std::size_t i = 1; i < head.size(); ++i) {
    const std::size_t eq = head[i].find('=');
    if (eq == std::string_view::npos) {  // 2.1: a bare type or encoding
      std::string bare = upper(trim(head[i]));
      if (is_encoding(bare)) {
        p.encoding = encoding_name(bare);
      } else if (!bare.empty()) {
        p.types.push_back(std::move(bare));
      }
      continue;
    }
    const std::string name = upper(trim(head[i].substr(0, eq)));
    std::string value(head[i].substr(eq + 1));
    value.erase(std::remove(value.begin(), value.end(), '"'), value.end());
    if (name == "TYPE") {
      for (std::string_view t : split_outside_quotes(value, ',')) {
        if (!trim(t).empty()) p.types.push_back(upper(trim(t)));
      }
    } else if (name == "ENCODING") {
      p.encoding = encoding_name(value);
    } else if (name == "CHARSET") {
      p.charset = upper(trim(value));
    } else if (name == "VALUE") {
      p.value_type = upper(trim(value));
    } else if (name == "ALTID") {
      p.altid = value;
    } else if (name == "PREF" && trim(value) == "1") {
      p.types.push_back("PREF");
    }
  }
  p.value = std::move(l.text);  // a value may be long: not copied
  p.value.erase(0, l.colon + 1);
  return p;
}

void VcardReader::decode(Property& p) {
  if (!decode_ || p.encoding == "BASE64") return;
  if (p.encoding == "QUOTED-PRINTABLE" && !decode_qp(p.value)) {
    p.problem = "a broken quoted-printable escape";
    return;
  }
  convert(p, p.charset.empty() ? from_ : p.charset);
}

// Converts the value of `p` from the charset `from` to UTF-8.
void VcardReader::convert(Property& p, const std::string& from) {
  if (is_utf8(from)) {
    if (valid_utf8_prefix(p.value) < p.value.size()) {
      p.problem = p.charset.empty() ? "not valid UTF-8 (name the file's encoding with "
                                      "--from-encoding)"
                                    : "not valid UTF-8";
    }
    return;
  }
  auto found = converters_.find(from);
  if (found == converters_.end())
    found = converters_.emplace(from, iconv_open("UTF-8", from.c_str())).first;
  const auto cd = static_cast<iconv_t>(found->second);
  if (cd == kNoConverter) {
    p.problem = "an unknown charset " + from;
    return;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out;
  out.reserve(p.value.size() + p.value.size() / 2);
  char* in = p.value.data();
  std::size_t in_left = p.value.size();
  for (bool done = false; !done;) {
    char chunk[4096];
    char* to = chunk;
    std::size_t to_left = sizeof chunk;
    std::size_t result = iconv(cd, &in, &in_left, &to, &to_left);
    if (result != static_cast<std::size_t>(-1)) {
      result = iconv(cd, nullptr, nullptr, &to, &to_left);  // the final shift sequence
      done = result != static_cast<std::size_t>(-1);
    }
    out.append(chunk, static_cast<std::size_t>(to - chunk));
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      p.problem = "not valid " + from + " text";
      return;
    }
  }
  p.value = std::move(out);
}

bool VcardReader::next(Card& card) {
  card = Card{};
  bool in_card = false;
  int depth = 0;  // of cards inside the card, each kept as a value
  Logical l;
  while (logical(l)) {
    const bool begin = is_line(l.text, "BEGIN:VCARD"), end = is_line(l.text, "END:VCARD");
    if (!in_card) {
      if (end) fail(l.line, "END:VCARD without BEGIN:VCARD");
      if (!begin) fail(l.line, "text outside a card (a card starts with BEGIN:VCARD)");
      in_card = true;
      card.line = l.line;
      continue;
    }
    if (depth == 0 && end) return true;
    if (begin || depth > 0) {  // a card inside the card belongs to the property before it
      if (depth == 0 && card.properties.empty()) {
        card.properties.push_back({});
        card.properties.back().line = l.line;
        card.properties.back().name = card.properties.back().written = "BEGIN";
      }
      std::string& value = card.properties.back().value;
      value += (value.empty() ? "" : "\r\n") + l.text;
      depth += begin ? 1 : end ? -1 : 0;
      continue;
    }
    if (l.colon == std::string::npos) l.colon = l.text.find(':');  // a quote left open
    if (l.colon == std::string::npos) fail(l.line, "a property line without ':'");
    if (!decode_) {  // checking the structure only: the property's line is enough
      card.properties.emplace_back().line = l.line;
      continue;
    }
    card.properties.push_back(parse(l));
    decode(card.properties.back());
  }
  if (in_card) fail(card.line, "BEGIN:VCARD without END:VCARD");
  return false;
}

std::string unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[i + 1];
    out += next == 'n' || next == 'N' ? '\n' : next;
    ++i;
  }
  return out;
}

std::vector<std::string> split_components(std::string_view text) {
  std::vector<std::string> parts;
  std::size_t begin = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ';') {
      parts.push_back(unescape(text.substr(begin, i - begin)));
      begin = i + 1;
    } else if (text[i] == '\\') {
      ++i;  // the escaped character
    }
  }
  return parts;
}

}  // namespace kwvcard
