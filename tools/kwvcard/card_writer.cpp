#include "card_writer.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <filesystem>

namespace kwvcard {
namespace {

using Add = int (*)(KwvCard&, Value&);

char* text(Value& v, std::size_t i = 0) {
  return v.parts[i].data();
}

// How each property is written, with the capacity of its line.
struct Writer {
  Prop prop;
  const char* name;
  int capacity;
  Add add;
};

template <typename Set, typename Reset, typename Default>
void set_types(KwvCard& card, const std::string& types, Set set, Reset reset, Default reset_all) {
  char work[] = "WORK";
  (card.*reset_all)();  // WORK alone: a number or address without WORK clears it
  (card.*reset)(work);
  for (std::size_t pos = 0; pos < types.size();) {
    const std::size_t end = std::min(types.find(' ', pos), types.size());
    std::string type = types.substr(pos, end - pos);
    (card.*set)(type.data());
    pos = end + 1;
  }
}

int add_name(KwvCard& c, Value& v) {
  char five[] = "5";
  return c.QEL_AddName(five, text(v, 0), text(v, 1), text(v, 2), text(v, 3), text(v, 4));
}

int add_address(KwvCard& c, Value& v) {
  char seven[] = "7";
  set_types(c, v.types, &KwvCard::QEL_SetAddressType, &KwvCard::QEL_ResetAddressType,
            &KwvCard::QEL_SetDefaultAddressType);
  return c.QEL_AddAddress(seven, text(v, 0), text(v, 1), text(v, 2), text(v, 3), text(v, 4),
                          text(v, 5), text(v, 6));
}

int add_tel(KwvCard& c, Value& v) {
  set_types(c, v.types, &KwvCard::QEL_SetTelType, &KwvCard::QEL_ResetTelType,
            &KwvCard::QEL_SetDefaultTelType);
  return c.QEL_AddTel(text(v));
}

int add_birthday(KwvCard& c, Value& v) {
  c.QEL_AddBday(v.date[0], v.date[1], v.date[2]);
  return 1;  // always fits
}

const Writer kWriters[] = {
    {Prop::Name, "N", 200, add_name},
    {Prop::Org, "ORG", 800,
     [](KwvCard& c, Value& v) {
       char one[] = "1";
       return c.QEL_AddOrg(one, text(v));
     }},
    {Prop::Department, "DEPARTMENT", 800,
     [](KwvCard& c, Value& v) { return c.QEL_AddDepartment(text(v)); }},
    {Prop::Title, "TITLE", 800, [](KwvCard& c, Value& v) { return c.QEL_AddTitle(text(v)); }},
    {Prop::Role, "ROLE", 500, [](KwvCard& c, Value& v) { return c.QEL_AddBusCat(text(v)); }},
    {Prop::Tel, "TEL", 100, add_tel},
    {Prop::Email, "EMAIL", 800, [](KwvCard& c, Value& v) { return c.QEL_AddEmail(text(v)); }},
    {Prop::Address, "ADR", 6000, add_address},
    {Prop::Url, "URL", 800, [](KwvCard& c, Value& v) { return c.QEL_AddURL(text(v)); }},
    {Prop::Im, "IM", 500, [](KwvCard& c, Value& v) { return c.QEL_AddIM(text(v)); }},
    {Prop::Birthday, "BDAY", 800, add_birthday},
    {Prop::Anniversary, "X-ZEB-ANNIVERSARY", 800,
     [](KwvCard& c, Value& v) { return c.QEL_AddAnniversary(text(v)); }},
    {Prop::Nickname, "X-ZEB-NICKNAME", 800,
     [](KwvCard& c, Value& v) { return c.QEL_AddNickname(text(v)); }},
    {Prop::Spouse, "X-ZEB-SPOUSE", 800,
     [](KwvCard& c, Value& v) { return c.QEL_AddSpouse(text(v)); }},
    {Prop::Children, "X-ZEB-CHILD", 800,
     [](KwvCard& c, Value& v) { return c.QEL_AddChildren(text(v)); }},
    {Prop::Manager, "X-ZEB-MANAGER", 800,
     [](KwvCard& c, Value& v) { return c.QEL_AddManager(text(v)); }},
    {Prop::Assistant, "X-ZEB-ASSISTANT", 800,
     [](KwvCard& c, Value& v) { return c.QEL_AddAssistant(text(v)); }},
    {Prop::Note, "NOTE", 1600, [](KwvCard& c, Value& v) { return c.QEL_AddComment(text(v)); }},
};

const std::pair<const char*, const char*> kPhotoTypes[] = {
    {".jpg", "JPEG"}, {".jpeg", "JPEG"}, {".png", "PNG"}, {".gif", "GIF"}, {".bmp", "BMP"},
};

constexpr std::size_t kAddressPartBytes = 285;  // the library cuts a longer ADR component

bool starts_with_nocase(const std::string& s, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  }
  return true;
}

// `text` as one line of a card: each line break (CR LF, CR or LF) becomes a
// space, and in a component of N, ORG or ADR each ';' becomes "\;". Stops
// before a character that would take the result past `limit` bytes.
std::string card_text(const std::string& text, bool component, std::size_t limit, bool& cut) {
  if (text.size() <= limit && text.find_first_of(component ? "\r\n;" : "\r\n") == std::string::npos)
    return text;
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = 1;  // the bytes of one UTF-8 character (the input is valid UTF-8)
    while (i + len < text.size() && (static_cast<unsigned char>(text[i + len]) & 0xC0) == 0x80)
      ++len;
    std::string piece = text.substr(i, len);
    if (text.compare(i, 2, "\r\n") == 0) ++len;
    if (piece == "\r" || piece == "\n") piece = " ";
    if (component && piece == ";") piece = "\\;";
    if (out.size() + piece.size() > limit) return cut = true, out;
    out += piece;
    i += len;
  }
  return out;
}

}  // namespace

CardWriter::CardWriter(std::string charset, std::string lang, std::string photo_folder)
    : charset_(std::move(charset)),
      lang_(std::move(lang)),
      photo_folder_(std::move(photo_folder)),
      probe_(std::string("/dev/null").data()) {
  settings(probe_);
}

void CardWriter::settings(KwvCard& card) {
  card.QEL_ChangeCharSet(charset_.data());
  card.QEL_ChangeLang(lang_.data());
}

void CardWriter::write(const std::string& path, Contact& contact) {
  KwvCard card(std::string(path).data());
  settings(card);
  for (Value& value : contact.values) {
    const bool component =
        value.prop == Prop::Name || value.prop == Prop::Org || value.prop == Prop::Address;
    const std::size_t limit = value.prop == Prop::Address ? kAddressPartBytes : std::string::npos;
    for (std::size_t i = 0; i < value.parts.size(); ++i) {
      bool cut = false;
      value.parts[i] = card_text(value.parts[i], component, limit, cut);
      if (cut) {
        contact.left_out.push_back({contact.line,
                                    "column \"" + std::string(value.columns[i]) + "\"",
                                    "cut to the 285 bytes an address component holds"});
      }
    }
    if (value.prop == Prop::Photo) {
      photo(card, value, contact);
      continue;
    }
    const Writer* w = std::find_if(std::begin(kWriters), std::end(kWriters),
                                   [&](const Writer& w) { return w.prop == value.prop; });
    if (w->add(card, value) == 0) {
      std::string columns;
      for (std::string_view c : value.columns) {
        if (!c.empty()) columns += (columns.empty() ? "" : "\", \"") + std::string(c);
      }
      contact.left_out.push_back({contact.line, "column \"" + columns + "\"",
                                  "left out: longer than the " + std::string(w->name) + " line's " +
                                      std::to_string(w->capacity) + " bytes"});
    }
  }
  card.QEL_EndPacking();
}

// An http(s) URL by reference, anything else a file beside the input, inline.
void CardWriter::photo(KwvCard& card, Value& value, Contact& contact) {
  std::string& where = value.parts[0];
  const std::string column = "column \"" + std::string(value.columns[0]) + "\"";
  if (starts_with_nocase(where, "http://") || starts_with_nocase(where, "https://")) {
    if (probe_.QEL_AddURL(where.data()) == 0) {
      contact.left_out.push_back(
          {contact.line, column, "left out: longer than the PHOTO line's 800 bytes"});
    } else {
      card.QEL_AddRefPhoto(where.data());
    }
    return;
  }
  std::string extension = std::filesystem::path(where).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto* type = std::find_if(std::begin(kPhotoTypes), std::end(kPhotoTypes),
                                  [&](const auto& t) { return extension == t.first; });
  if (type == std::end(kPhotoTypes)) {
    contact.left_out.push_back(
        {contact.line, column, "left out: a photo must be a .jpg, .png, .gif or .bmp file"});
    return;
  }
  std::string path = (std::filesystem::path(photo_folder_) / where).string();
  std::string type_text = type->second;
  std::error_code error;  // a pipe or a device would stop the library: regular files only
  if (!std::filesystem::is_regular_file(path, error) ||
      card.QEL_AttachPhoto(path.data(), type_text.data()) == 0) {
    contact.left_out.push_back(
        {contact.line, column, "left out: cannot read the photo file " + path});
  }
}

}  // namespace kwvcard
