#include "writer/card_writer.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <qelstr.h>

#include "text.h"
#include "writer/photo.h"

namespace kwvcard {
namespace {

// The line each property is written on and its capacity (for messages), and
// for a single-value text property the operation that writes it.
struct Line {
  Prop prop;
  const char* name;
  int capacity;
  bool (kwv::Card::*text)(std::string_view) = nullptr;
};

const Line kLines[] = {
    {Prop::Name, "N", 200},
    {Prop::Org, "ORG", 800},
    {Prop::Department, "DEPARTMENT", 800, &kwv::Card::department},
    {Prop::Title, "TITLE", 800, &kwv::Card::title},
    {Prop::Role, "ROLE", 500, &kwv::Card::role},
    {Prop::Tel, "TEL", 100},
    {Prop::Email, "EMAIL", 800, &kwv::Card::email},
    {Prop::Address, "ADR", 6000},
    {Prop::Url, "URL", 800, &kwv::Card::url},
    {Prop::Im, "IM", 500, &kwv::Card::im},
    {Prop::Birthday, "BDAY", 800},
    {Prop::Anniversary, "X-ZEB-ANNIVERSARY", 800, &kwv::Card::anniversary},
    {Prop::Nickname, "X-ZEB-NICKNAME", 800, &kwv::Card::nickname},
    {Prop::Spouse, "X-ZEB-SPOUSE", 800, &kwv::Card::spouse},
    {Prop::Children, "X-ZEB-CHILD", 800, &kwv::Card::children},
    {Prop::Manager, "X-ZEB-MANAGER", 800, &kwv::Card::manager},
    {Prop::Assistant, "X-ZEB-ASSISTANT", 800, &kwv::Card::assistant},
    {Prop::Note, "NOTE", 1600, &kwv::Card::note},
    {Prop::Photo, "PHOTO", 800},
    {Prop::Sound, "SOUND", 800},
};

const Line& line_of(Prop prop) {
  return *std::find_if(std::begin(kLines), std::end(kLines),
                       [&](const Line& l) { return l.prop == prop; });
}

const std::pair<const char*, const char*> kPhotoTypes[] = {
    {".jpg", "JPEG"}, {".jpeg", "JPEG"}, {".png", "PNG"}, {".gif", "GIF"}, {".bmp", "BMP"},
};

constexpr std::size_t kAddressPartBytes = 285;  // the most an ADR component holds

// The types named in `names` (separated by spaces) among `table`.
template <typename Type, std::size_t N>
kwv::Types<Type> types_of(const std::string& names, const char* const (&table)[N]) {
  kwv::Types<Type> types;
  for (std::size_t i = 0; i < N; ++i) {
    for (std::size_t pos = 0; pos < names.size();) {
      const std::size_t end = std::min(names.find(' ', pos), names.size());
      if (strncasecmp(names.c_str() + pos, table[i], end - pos) == 0 && table[i][end - pos] == '\0')
        types.add(static_cast<Type>(i));
      pos = end + 1;
    }
  }
  return types;
}

// The bytes of the UTF-8 character at `at` in `text`.
std::size_t char_bytes(const std::string& text, std::size_t at) {
  std::size_t len = 1;
  while (at + len < text.size() && (static_cast<unsigned char>(text[at + len]) & 0xC0) == 0x80)
    ++len;
  return len;
}

// `text` as one line of a card: each line break (CR LF, CR or LF) kept as it
// is (`breaks`, for quoted-printable, which writes it as =0D=0A) or made a
// space. With a `limit`, stops before a character that would take the text,
// with each ';' counted as the two bytes of "\;", past that many bytes.
std::string card_text(const std::string& text, std::size_t limit, bool breaks, bool& cut) {
  if (text.size() <= limit / 2 && (breaks || std::none_of(text.begin(), text.end(), [](char c) {
                                     return c == '\r' || c == '\n';
                                   })))
    return text;  // the common case: as it is (each ';' takes at most twice its byte)
  std::string out;
  std::size_t escaped = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = char_bytes(text, i);
    std::string piece = text.substr(i, len);
    if (text.compare(i, 2, "\r\n") == 0) piece = "\r\n", len = 2;
    if (!breaks && (piece == "\r\n" || piece == "\r" || piece == "\n")) piece = " ";
    escaped += piece.size() + (piece == ";");
    if (escaped > limit) return cut = true, out;
    out += piece;
    i += len;
  }
  return out;
}

// What a message names: the vCard property, or the CSV column(s) of `part`
// (every part's column when `part` is past the end).
std::string where(const Value& value, std::size_t part) {
  if (!value.property.empty()) return value.property;
  std::string columns;
  for (std::size_t i = 0; i < value.columns.size(); ++i) {
    if ((part < value.columns.size() && i != part) || value.columns[i].empty()) continue;
    columns += (columns.empty() ? "" : "\", \"") + std::string(value.columns[i]);
  }
  return "column \"" + columns + "\"";
}

void left_out(Contact& contact, const Value& value, std::size_t part, std::string why) {
  contact.left_out.push_back(
      {value.line != 0 ? value.line : contact.line, where(value, part), std::move(why)});
}

}  // namespace

CardWriter::CardWriter(CardSettings settings) : settings_(std::move(settings)) {
  const std::string& charset = settings_.charset;
  charset_name_ = upper(charset);
  if (starts_with_nocase(charset, "GB2312")) {
    charset_name_ = "GB2312";  // converted with the library's own table
  } else if (charset != "ASCII") {
    lost_ = iconv_open(charset.c_str(), "UTF-8");
  }
}

CardWriter::~CardWriter() {
  if (lost_ != reinterpret_cast<iconv_t>(-1)) iconv_close(lost_);
}

void CardWriter::check(const CardSettings& settings) {
  kwv::Card probe("/dev/null");
  const std::string option = "--charset " + settings.charset + ": ";
  if (!probe.charset(settings.charset))
    throw std::runtime_error(option + "not a charset this system can convert to");
  if (settings.quoted_printable && !probe.encoding(kwv::Encoding::QuotedPrintable)) {
    throw std::runtime_error(option +
                             "longer than the 13 bytes a quoted-printable card can name "
                             "(--encoding 8bit takes it)");
  }
}

void CardWriter::write(const std::string& path, Contact& contact) {
  using kwv::Encoding;
  const bool qp = settings_.quoted_printable;
  kwv::Card card(path);
  card.charset(settings_.charset);
  card.language(settings_.lang);
  card.encoding(qp ? Encoding::QuotedPrintable : Encoding::EightBit);
  for (Value& value : contact.values) {
    const std::size_t limit = value.prop == Prop::Address ? kAddressPartBytes : std::string::npos;
    for (std::size_t i = 0; i < value.parts.size() && !value.inline_data; ++i) {
      bool cut = false;
      value.parts[i] = card_text(value.parts[i], limit, qp, cut);
      if (cut) left_out(contact, value, i, "cut to the 285 bytes an address component holds");
    }
    if (value.prop == Prop::Photo || value.prop == Prop::Sound) {
      media(card, value, contact);
      continue;
    }
    if (add(card, value)) {
      if (card.replaced() > 0) report_losses(value, contact);
      continue;
    }
    const Line& line = line_of(value.prop);
    if (qp) {  // too long once encoded? Then 8-bit, its line breaks as spaces.
      for (std::string& part : value.parts) {
        bool cut = false;
        part = card_text(part, std::string::npos, false, cut);
      }
      card.encoding(Encoding::EightBit);
      const bool written = add(card, value);
      card.encoding(Encoding::QuotedPrintable);
      if (written) {
        left_out(contact, value, value.parts.size(),
                 "written without quoted-printable: too long for the " + std::string(line.name) +
                     " line once encoded");
        if (card.replaced() > 0) report_losses(value, contact);
        continue;
      }
    }
    left_out(contact, value, value.parts.size(),
             "left out: longer than the " + std::string(line.name) + " line's " +
                 std::to_string(line.capacity) + " bytes");
  }
  card.close();
}

bool CardWriter::add(kwv::Card& card, const Value& value) {
  const std::vector<std::string>& p = value.parts;
  switch (value.prop) {
    case Prop::Name:
      return card.name({p[0], p[1], p[2], p[3], p[4]});
    case Prop::Org:
      return p.size() == 1   ? card.org({p[0]})
             : p.size() == 2 ? card.org({p[0], p[1]})
                             : card.org({p[0], p[1], p[2]});
    case Prop::Address: {
      const kwv::Address a{p[0], p[1], p[2], p[3], p[4], p[5], p[6]};
      return card.address(a, types_of<kwv::Adr>(value.types, kwv::kAdrNames));
    }
    case Prop::Tel:
      return card.tel(p[0], types_of<kwv::Tel>(value.types, kwv::kTelNames));
    case Prop::Birthday:
      return card.birthday(value.date[2], value.date[1], value.date[0]);
    default:
      break;
  }
  const Line& line = line_of(value.prop);
  return line.text != nullptr && (card.*line.text)(p[0]);
}

// Each part of a value written with '?' for characters the card's charset
// lacks is reported with those characters.
// Which characters became '?': each one that is not ASCII, converted alone
// the way the card converted it (GB2312 with the library's own table, the
// same as qelstr_utf8_to_gb; any other charset through iconv).
void CardWriter::report_losses(const Value& value, Contact& contact) {
  const bool gb2312 = charset_name_ == "GB2312";
  const bool iconv_there = lost_ != reinterpret_cast<iconv_t>(-1);
  for (std::size_t i = 0; i < value.parts.size(); ++i) {
    const std::string& text = value.parts[i];
    std::string lost;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t len = char_bytes(text, at);
      if (len > 1 || static_cast<unsigned char>(text[at]) >= 0x80) {
        char out[16], *to = out, *from = const_cast<char*>(text.data() + at);
        std::size_t from_left = len, to_left = sizeof out;
        bool mapped = false;
        if (gb2312) {
          char one[8] = {};
          std::memcpy(one, text.data() + at, std::min<std::size_t>(len, 4));
          mapped = qelstr_utf8_to_gb(out, one) > 0 && std::strcmp(out, "?") != 0;
        } else if (iconv_there) {
          iconv(lost_, nullptr, nullptr, nullptr, nullptr);
          mapped = iconv(lost_, &from, &from_left, &to, &to_left) != std::size_t(-1) && to != out;
        }
        if (!mapped) lost += (lost.empty() ? "" : " ") + text.substr(at, len);
      }
      at += len;
    }
    if (!lost.empty()) {
      left_out(contact, value, i,
               "written with '?' for what " + charset_name_ + " cannot hold: " + lost);
    }
  }
}

std::size_t CardWriter::most_bytes(const Contact& contact) const {
  // A text value's line at its longest: each byte may become two in the
  // card's charset (GB18030 takes 4 bytes for some 2-byte UTF-8 characters),
  // three under quoted-printable, plus soft line breaks: 12 a byte is more
  // than enough, and 1 KiB for the property's name and parameters. An
  // attachment's base64 body folded on lines of 76 takes under twice its
  // bytes; a shrunk photo is a JPEG of at most photo_size pixels a side,
  // under 6 bytes a pixel.
  constexpr std::size_t kLine = 1024;
  const std::size_t side = static_cast<std::size_t>(settings_.photo_size);
  std::size_t most = 64;  // BEGIN, VERSION and END
  for (const Value& value : contact.values) {
    std::size_t bytes = value.data.size() + value.types.size();
    for (const std::string& part : value.parts) bytes += part.size();
    if (value.prop != Prop::Photo && value.prop != Prop::Sound) {
      most += 12 * bytes + kLine;
      continue;
    }
    const bool shrunk = value.prop == Prop::Photo && side > 0;
    if (!value.inline_data && value.property.empty() && !shrunk) return SIZE_MAX;  // a file
    most += 2 * (shrunk ? 6 * side * side + (64 << 10) : bytes) + kLine;
  }
  return most;
}

// A URL by reference; inline media through a scratch file; anything else
// (from CSV) a file beside the input, inline. Under --no-photos no photo is
// inline; under --photo-size each is shrunk first.
void CardWriter::media(kwv::Card& card, const Value& value, Contact& contact) {
  const bool photo = value.prop == Prop::Photo;
  const std::string& where = value.parts.empty() ? value.data : value.parts[0];
  if (!value.inline_data && (starts_with_nocase(where, "http://") ||
                             starts_with_nocase(where, "https://") || !value.property.empty())) {
    if (!(photo ? card.photo_url(where) : card.sound_url(where))) {
      left_out(contact, value, 0,
               std::string("left out: longer than the ") + (photo ? "PHOTO" : "SOUND") +
                   " line's 800 bytes");
    }
    return;
  }
  if (photo && settings_.no_photos) {
    ++photos_left_out_;
    return;
  }
  const bool shrink = photo && settings_.photo_size > 0;
  if (value.inline_data && !shrink) {
    if (!attach(card, value, value.data, value.types))
      left_out(contact, value, 0, "left out: the card cannot take this media");
    return;
  }
  std::string data;
  if (!value.inline_data) {
    std::string extension = std::filesystem::path(where).extension().string();
    extension = lower(extension);
    const auto* type = std::find_if(std::begin(kPhotoTypes), std::end(kPhotoTypes),
                                    [&](const auto& t) { return extension == t.first; });
    if (type == std::end(kPhotoTypes)) {
      left_out(contact, value, 0, "left out: a photo must be a .jpg, .png, .gif or .bmp file");
      return;
    }
    const std::string path = (std::filesystem::path(settings_.photo_folder) / where).string();
    std::ifstream in(path, std::ios::binary);
    if (!shrink || !in) {
      if (!card.photo(path, type->second))
        left_out(contact, value, 0, "left out: cannot read the photo file " + path);
      return;
    }
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const ShrunkPhoto small =
      shrink_photo(value.inline_data ? std::string_view(value.data) : data, settings_.photo_size);
  if (!small.ok) {
    left_out(contact, value, 0, "left out: " + small.error);
  } else if (!attach(card, value, small.jpeg, "JPEG")) {
    left_out(contact, value, 0, "left out: the card cannot take this media");
  }
}

// Attaches `data` as the photo or sound `value` stands for, with `type`,
// through the scratch file.
bool CardWriter::attach(kwv::Card& card, const Value& value, const std::string& data,
                        const std::string& type) {
  if (!media_) media_ = std::make_unique<ScratchFile>("kwvcard-media");
  const bool put = media_->put(data);
  return put && (value.prop == Prop::Photo ? card.photo(media_->path(), type)
                                           : card.sound(media_->path(), type));
}

}  // namespace kwvcard
