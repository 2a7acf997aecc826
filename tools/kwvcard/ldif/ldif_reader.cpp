#include "ldif/ldif_reader.h"

#include <cstdint>
#include <stdexcept>

#include "text.h"

namespace kwvcard {
namespace {

int base64_digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  return c == '+' ? 62 : c == '/' ? 63 : -1;
}

bool blank(std::string_view line) {
  return trim(line).empty();
}

}  // namespace

bool decode_base64(std::string_view text, std::string& out) {
  out.clear();
  std::uint32_t bits = 0;
  std::size_t digits = 0, padding = 0;
  for (const char c : text) {
    const int d = base64_digit(c);
    if (c == '=' && ++padding <= 2) continue;
    if (d < 0 || padding > 0) return false;
    bits = bits << 6 | static_cast<std::uint32_t>(d);
    if (++digits % 4 == 0) {
      for (int shift : {16, 8, 0}) out += static_cast<char>(bits >> shift);
    }
  }
  if (digits % 4 == 1 || (padding > 0 && (digits + padding) % 4 != 0)) return false;
  if (digits % 4 == 2) out += static_cast<char>(bits >> 4);
  if (digits % 4 == 3) {
    out += static_cast<char>(bits >> 10);
    out += static_cast<char>(bits >> 2);
  }
  return true;
}

bool is_ldif(std::FILE* in) {
  bool version = false, comment = false;
  for (int line = 1, c = 0; c != EOF; ++line) {
    std::string head;  // the line's first bytes are enough
    while ((c = std::getc(in)) != EOF && c != '\n') {
      if (head.size() < 16 && c != '\r') head += static_cast<char>(c);
    }
    if (line == 1 && head.compare(0, 3, "\xEF\xBB\xBF") == 0) head.erase(0, 3);
    if (comment && !head.empty() && head[0] == ' ') continue;  // a comment's continuation
    comment = !head.empty() && head[0] == '#';
    if (comment || blank(head)) continue;
    if (!version && starts_with_nocase(head, "version:")) {
      version = true;
      continue;
    }
    return starts_with_nocase(head, "dn:");
  }
  return false;
}

LdifReader::LdifReader(std::string_view text, std::string name)
    : text_(text), name_(std::move(name)) {}

void LdifReader::fail(int line, const std::string& what) const {
  throw std::runtime_error(name_ + ":" + std::to_string(line) + ": " + what);
}

// The next line as the input ends it (LF or CR LF), without its end.
bool LdifReader::physical(std::string_view& line) {
  if (pos_ >= text_.size()) return false;
  const std::size_t end = std::min(text_.find('\n', pos_), text_.size());
  line = text_.substr(pos_, end - pos_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  pos_ = end + 1;
  ++line_;
  return true;
}

// The next line with its continuations, comments skipped; "" for a blank
// line. `at` is the line it starts on.
bool LdifReader::logical(std::string& out, int& at) {
  std::string_view line;
  while (physical(line)) {
    at = line_;
    const bool comment = !line.empty() && line[0] == '#';
    if (!comment && blank(line)) {
      out.clear();
      return true;  // a blank line takes no continuation
    }
    if (line[0] == ' ') fail(at, "a folded line with no line before it");
    out.assign(line);
    while (pos_ < text_.size() && text_[pos_] == ' ' && physical(line)) {
      if (!comment) out.append(line.substr(1));
    }
    if (!comment) return true;
  }
  return false;
}

void LdifReader::parse(const std::string& line, int at, LdifValue& v) const {
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos) fail(at, "a line without ':'");
  const std::string_view attribute = trim(std::string_view(line).substr(0, colon));
  if (attribute.empty()) fail(at, "a line without an attribute name before ':'");
  v.line = at;
  v.attribute = attribute;
  v.name = lower(attribute.substr(0, attribute.find(';')));
  std::string_view value = std::string_view(line).substr(colon + 1);
  v.base64 = !value.empty() && value[0] == ':';
  v.url = !value.empty() && value[0] == '<';
  if (v.base64 || v.url) value.remove_prefix(1);
  while (!value.empty() && value[0] == ' ') value.remove_prefix(1);
  if (!v.base64) {
    v.value = value;
  } else if (!decode_base64(trim(value), v.value)) {
    fail(at, v.attribute + ": not valid base64");
  }
}

bool LdifReader::next(LdifRecord& record) {
  record.line = 0;
  record.values.clear();
  std::string line;
  int at = 0;
  while (logical(line, at)) {
    if (line.empty()) {
      if (record.line != 0) break;  // the record's end
      continue;
    }
    LdifValue& v = record.values.emplace_back();
    parse(line, at, v);
    const bool first = first_;
    first_ = false;
    if (record.line != 0) {
      if (v.name == "dn") fail(at, "a dn: inside a record (a blank line ends a record)");
      continue;
    }
    if (first && v.name == "version") {  // before the first record
      record.values.pop_back();
    } else if (v.name != "dn") {
      fail(at, "an LDIF record without dn:");
    } else {
      record.line = at;
    }
  }
  return record.line != 0;
}

}  // namespace kwvcard
