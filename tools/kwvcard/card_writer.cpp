#include "card_writer.h"

#include <strings.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "text.h"

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

// `text` as one line of a card: each line break (CR LF, CR or LF) becomes a
// space. With a `limit`, stops before a character that would take the text,
// with each ';' counted as the two bytes of "\;", past that many bytes.
std::string card_text(const std::string& text, std::size_t limit, bool& cut) {
  if (text.size() <= limit / 2 &&
      std::none_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }))
    return text;  // the common case: as it is (each ';' takes at most twice its byte)
  std::string out;
  std::size_t escaped = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = char_bytes(text, i);
    std::string piece = text.substr(i, len);
    if (text.compare(i, 2, "\r\n") == 0) ++len;
    if (piece == "\r" || piece == "\n") piece = " ";
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

CardWriter::CardWriter(std::string charset, std::string lang, std::string photo_folder)
    : charset_(std::move(charset)), lang_(std::move(lang)), photo_folder_(std::move(photo_folder)) {
  if (strncasecmp(charset_.c_str(), "GB2312", 6) == 0) gb2312_ = iconv_open("GB2312", "UTF-8");
}

CardWriter::~CardWriter() {
  if (gb2312_ != reinterpret_cast<iconv_t>(-1)) iconv_close(gb2312_);
  if (media_ >= 0) close(media_);
}

void CardWriter::write(const std::string& path, Contact& contact) {
  kwv::Card card(path);
  card.charset(charset_);
  card.language(lang_);
  for (Value& value : contact.values) {
    const std::size_t limit = value.prop == Prop::Address ? kAddressPartBytes : std::string::npos;
    for (std::size_t i = 0; i < value.parts.size() && !value.inline_data; ++i) {
      bool cut = false;
      value.parts[i] = card_text(value.parts[i], limit, cut);
      if (cut) left_out(contact, value, i, "cut to the 285 bytes an address component holds");
    }
    if (value.prop == Prop::Photo || value.prop == Prop::Sound) {
      media(card, value, contact);
    } else if (add(card, value)) {
      report_gb2312_losses(value, contact);
    } else {
      const Line& line = line_of(value.prop);
      left_out(contact, value, value.parts.size(),
               "left out: longer than the " + std::string(line.name) + " line's " +
                   std::to_string(line.capacity) + " bytes");
    }
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

// Each value written under GB2312 with characters GB2312 lacks (written as
// '?', or dropped) is reported with those characters.
void CardWriter::report_gb2312_losses(const Value& value, Contact& contact) {
  if (gb2312_ == reinterpret_cast<iconv_t>(-1)) return;
  for (std::size_t i = 0; i < value.parts.size(); ++i) {
    const std::string& text = value.parts[i];
    std::string lost;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t len = char_bytes(text, at);
      if (len > 1 || static_cast<unsigned char>(text[at]) >= 0x80) {
        char out[16], *to = out, *from = const_cast<char*>(text.data() + at);
        std::size_t from_left = len, to_left = sizeof out;
        iconv(gb2312_, nullptr, nullptr, nullptr, nullptr);
        const bool mapped = iconv(gb2312_, &from, &from_left, &to, &to_left) != std::size_t(-1);
        if (!mapped || to == out) lost += (lost.empty() ? "" : " ") + text.substr(at, len);
      }
      at += len;
    }
    if (!lost.empty()) {
      left_out(contact, value, i, "written with '?' for what GB2312 cannot hold: " + lost);
    }
  }
}

// A URL by reference; inline media through an in-memory file; anything else
// (from CSV) a file beside the input, inline.
void CardWriter::media(kwv::Card& card, const Value& value, Contact& contact) {
  const bool photo = value.prop == Prop::Photo;
  const std::string& where = value.parts.empty() ? value.data : value.parts[0];
  if (value.inline_data) {
    if (media_ < 0) media_ = memfd_create("kwvcard-media", MFD_CLOEXEC);
    const std::string file = "/proc/self/fd/" + std::to_string(media_);
    // The file holds the last media: cut it only when this one is shorter.
    const std::size_t size = value.data.size();
    bool put = media_ >= 0 && (size >= media_size_ || ftruncate(media_, off_t(size)) == 0);
    for (std::size_t done = 0; put && done < size;) {
      const ssize_t n =
          pwrite(media_, value.data.data() + done, size - done, static_cast<off_t>(done));
      put = n > 0;
      done += put ? static_cast<std::size_t>(n) : 0;
    }
    media_size_ = put ? size : SIZE_MAX;  // unknown after a failure: cut next time
    if (!put || !(photo ? card.photo(file, value.types) : card.sound(file, value.types)))
      left_out(contact, value, 0, "left out: the card cannot take this media");
    return;
  }
  if (starts_with_nocase(where, "http://") || starts_with_nocase(where, "https://") ||
      !value.property.empty()) {
    if (!(photo ? card.photo_url(where) : card.sound_url(where))) {
      left_out(contact, value, 0,
               std::string("left out: longer than the ") + (photo ? "PHOTO" : "SOUND") +
                   " line's 800 bytes");
    }
    return;
  }
  std::string extension = std::filesystem::path(where).extension().string();
  extension = lower(extension);
  const auto* type = std::find_if(std::begin(kPhotoTypes), std::end(kPhotoTypes),
                                  [&](const auto& t) { return extension == t.first; });
  if (type == std::end(kPhotoTypes)) {
    left_out(contact, value, 0, "left out: a photo must be a .jpg, .png, .gif or .bmp file");
    return;
  }
  const std::string path = (std::filesystem::path(photo_folder_) / where).string();
  if (!card.photo(path, type->second))
    left_out(contact, value, 0, "left out: cannot read the photo file " + path);
}

}  // namespace kwvcard
