#include "vcard/vcard_mapping.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "text.h"

namespace kwvcard {
namespace {

// How a property is read: each kind is mapped by one of the sections below.
enum class Kind {
  Unmapped,     // contact data a card cannot take: left out and said so
  Bookkeeping,  // dropped silently, counted
  Text,
  Name,
  FormattedName,
  Org,
  Tel,
  Email,
  Address,
  Date,
  Related,   // RELATED;TYPE=spouse|child with a text value
  Labelled,  // grouped X-ABRELATEDNAMES or X-ABDATE: its X-ABLabel decides
  Media,
};

struct Rule {
  const char* name;  // upper case
  Kind kind;
  Prop prop = Prop::None;
};

// Every property read, by name: its kind and the card line it becomes.
const Rule kRules[] = {
    {"N", Kind::Name, Prop::Name},
    {"FN", Kind::FormattedName, Prop::Name},
    {"ORG", Kind::Org, Prop::Org},
    {"TITLE", Kind::Text, Prop::Title},
    {"ROLE", Kind::Text, Prop::Role},
    {"X-KADDRESSBOOK-X-PROFESSION", Kind::Text, Prop::Role},
    {"NOTE", Kind::Text, Prop::Note},
    {"URL", Kind::Text, Prop::Url},
    {"NICKNAME", Kind::Text, Prop::Nickname},
    {"TEL", Kind::Tel, Prop::Tel},
    {"EMAIL", Kind::Email, Prop::Email},
    {"ADR", Kind::Address, Prop::Address},
    {"BDAY", Kind::Date, Prop::Birthday},
    {"ANNIVERSARY", Kind::Date, Prop::Anniversary},
    {"X-ANNIVERSARY", Kind::Date, Prop::Anniversary},
    {"X-EVOLUTION-ANNIVERSARY", Kind::Date, Prop::Anniversary},
    {"X-MS-ANNIVERSARY", Kind::Date, Prop::Anniversary},
    {"X-KADDRESSBOOK-X-ANNIVERSARY", Kind::Date, Prop::Anniversary},
    {"X-SPOUSE", Kind::Text, Prop::Spouse},
    {"X-EVOLUTION-SPOUSE", Kind::Text, Prop::Spouse},
    {"X-MS-SPOUSE", Kind::Text, Prop::Spouse},
    {"X-KADDRESSBOOK-X-SPOUSESNAME", Kind::Text, Prop::Spouse},
    {"X-CHILDREN", Kind::Text, Prop::Children},
    {"X-MS-CHILD", Kind::Text, Prop::Children},
    {"X-MANAGER", Kind::Text, Prop::Manager},
    {"X-EVOLUTION-MANAGER", Kind::Text, Prop::Manager},
    {"X-MS-MANAGER", Kind::Text, Prop::Manager},
    {"X-KADDRESSBOOK-X-MANAGERSNAME", Kind::Text, Prop::Manager},
    {"X-ASSISTANT", Kind::Text, Prop::Assistant},
    {"X-EVOLUTION-ASSISTANT", Kind::Text, Prop::Assistant},
    {"X-MS-ASSISTANT", Kind::Text, Prop::Assistant},
    {"X-KADDRESSBOOK-X-ASSISTANTSNAME", Kind::Text, Prop::Assistant},
    {"X-KADDRESSBOOK-X-DEPARTMENT", Kind::Text, Prop::Department},
    {"X-DEPARTMENT", Kind::Text, Prop::Department},
    {"RELATED", Kind::Related},
    {"X-ABRELATEDNAMES", Kind::Labelled},
    {"X-ABDATE", Kind::Labelled},
    {"IMPP", Kind::Text, Prop::Im},
    {"X-AIM", Kind::Text, Prop::Im},
    {"X-ICQ", Kind::Text, Prop::Im},
    {"X-MSN", Kind::Text, Prop::Im},
    {"X-YAHOO", Kind::Text, Prop::Im},
    {"X-JABBER", Kind::Text, Prop::Im},
    {"X-GROUPWISE", Kind::Text, Prop::Im},
    {"X-GTALK", Kind::Text, Prop::Im},
    {"X-GOOGLE-TALK", Kind::Text, Prop::Im},
    {"X-SKYPE", Kind::Text, Prop::Im},
    {"X-QQ", Kind::Text, Prop::Im},
    {"X-MS-IMADDRESS", Kind::Text, Prop::Im},
    {"X-KADDRESSBOOK-X-IMADDRESS", Kind::Text, Prop::Im},
    {"PHOTO", Kind::Media, Prop::Photo},
    {"SOUND", Kind::Media, Prop::Sound},
    {"VERSION", Kind::Bookkeeping},
    {"PRODID", Kind::Bookkeeping},
    {"REV", Kind::Bookkeeping},
    {"UID", Kind::Bookkeeping},
    {"KIND", Kind::Bookkeeping},
    {"SOURCE", Kind::Bookkeeping},
    {"NAME", Kind::Bookkeeping},
    {"PROFILE", Kind::Bookkeeping},
    {"CLIENTPIDMAP", Kind::Bookkeeping},
    {"SORT-STRING", Kind::Bookkeeping},
    {"CLASS", Kind::Bookkeeping},
    {"MAILER", Kind::Bookkeeping},
    {"LABEL", Kind::Bookkeeping},  // the text of an ADR
};

Kind kind_of(const std::string& name, Prop& prop) {
  static const std::unordered_map<std::string_view, const Rule*> rules = [] {
    std::unordered_map<std::string_view, const Rule*> by_name;
    for (const Rule& rule : kRules) by_name.emplace(rule.name, &rule);
    return by_name;
  }();
  if (const auto found = rules.find(name); found != rules.end())
    return prop = found->second->prop, found->second->kind;
  // KDE's X-messaging/<service>-All
  const std::size_t n = name.size();
  if (name.compare(0, 12, "X-MESSAGING/") == 0 && n > 16 && name.compare(n - 4, 4, "-ALL") == 0)
    return prop = Prop::Im, Kind::Text;
  return name.compare(0, 2, "X-") == 0 ? Kind::Bookkeeping : Kind::Unmapped;
}

// What every mapping below writes into: the contact's values, each naming the
// line and property it comes from, and what is left out.

void left_out(Contact& contact, const Property& p, const std::string& why) {
  contact.left_out.push_back({p.line, p.written, "left out: " + why});
}

Value& add_value(Contact& contact, const Property& p, Prop prop, std::vector<std::string> parts) {
  Value v;
  v.prop = prop;
  v.parts = std::move(parts);
  v.line = p.line;
  v.property = p.written;
  contact.values.push_back(std::move(v));
  return contact.values.back();
}

// The components of `p`, at most `most` of them (the rest left out and said
// so), empty ones at the end dropped; nullopt when all are empty.
std::optional<std::vector<std::string>> components(Contact& contact, const Property& p,
                                                   std::size_t most, const char* ordinal) {
  std::vector<std::string> parts = split_components(p.value);
  while (!parts.empty() && parts.back().empty()) parts.pop_back();
  if (parts.empty()) return std::nullopt;
  if (parts.size() > most) {
    std::string rest;
    for (std::size_t i = most; i < parts.size(); ++i)
      rest += (rest.empty() ? "\"" : ", \"") + parts[i] + "\"";
    left_out(contact, p, std::string("the components after the ") + ordinal + ": " + rest);
    parts.resize(most);
  }
  return parts;
}

// A URI has a scheme: a letter, then letters, digits, '+', '-' or '.', then ':'.
bool is_uri(const std::string& text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos || colon == 0 ||
      !std::isalpha(static_cast<unsigned char>(text[0])))
    return false;
  return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
  });
}

// N and FN. A card holds one name, the first N with a component; FN stands in
// for it, as its family component, only when the card has none.
class Names {
 public:
  void name(Contact& contact, const Property& p) {
    auto parts = components(contact, p, 5, "fifth");
    if (!parts) return;
    if (has_name_) return left_out(contact, p, "a card holds one name, the first");
    has_name_ = true;
    parts->resize(5);
    add_value(contact, p, Prop::Name, std::move(*parts));
  }

  // The first FN with a value is kept for finish(); the others are skipped.
  void formatted_name(Contact& contact, const Property& p) {
    if (formatted_name_ == nullptr && !p.value.empty()) {
      formatted_name_ = &p;
    } else {
      ++contact.skipped;
    }
  }

  // Once every property is read: the FN kept, as N or skipped.
  void finish(Contact& contact) {
    if (!has_name_ && formatted_name_ != nullptr) {
      const Property& fn = *formatted_name_;
      if (!fn.problem.empty()) {
        left_out(contact, fn, fn.problem);
      } else {
        has_name_ = true;
        add_value(contact, fn, Prop::Name, {unescape(fn.value), "", "", "", ""});
      }
    } else if (formatted_name_ != nullptr) {
      ++contact.skipped;  // 2.1 readers derive it from N
    }
  }

 private:
  const Property* formatted_name_ = nullptr;
  bool has_name_ = false;
};

// ORG: up to three components.
void org(Contact& contact, const Property& p) {
  auto parts = components(contact, p, 3, "third");
  if (!parts) return;
  add_value(contact, p, Prop::Org, std::move(*parts));
}

// ADR: its seven components, and those of its types an address line has.
const char* const kAddressTypes[] = {"DOM", "INTL", "POSTAL", "PARCEL", "HOME", "WORK"};

void address(Contact& contact, const Property& p) {
  auto parts = components(contact, p, 7, "seventh");
  if (!parts) return;
  parts->resize(7);
  Value& v = add_value(contact, p, Prop::Address, std::move(*parts));
  for (const char* type : kAddressTypes) {
    if (p.has_type(type)) v.types += (v.types.empty() ? "" : " ") + std::string(type);
  }
}

// TEL: the number (a tel: URI's without its scheme) and its types as the card
// writes them; the library's table, then the names other producers use for
// two of them.
const std::pair<const char*, const char*> kTelTypes[] = {
    {"PREF", "PREF"},   {"VOICE", "VOICE"}, {"FAX", "FAX"},     {"MSG", "MSG"},
    {"CELL", "CELL"},   {"PAGER", "PAGER"}, {"BBS", "BBS"},     {"MODEM", "MODEM"},
    {"CAR", "CAR"},     {"ISDN", "ISDN"},   {"VIDEO", "VIDEO"}, {"VOIP", "VOIP"},
    {"WORK", "WORK"},   {"HOME", "HOME"},   {"TEXT", "MSG"},    {"TEXTPHONE", "MSG"},
    {"IPHONE", "CELL"},
};

void tel(Contact& contact, const Property& p) {
  std::string number = unescape(p.value);
  if (starts_with_nocase(number, "tel:")) number.erase(0, 4);
  if (number.empty()) return;
  Value& v = add_value(contact, p, Prop::Tel, {number});
  for (const auto& [type, written] : kTelTypes) {
    if (p.has_type(type) &&
        (" " + v.types + " ").find(std::string(" ") + written + " ") == std::string::npos)
      v.types += (v.types.empty() ? "" : " ") + std::string(written);
  }
}

// Dates: BDAY and the anniversaries.

// The number `text` spells in exactly `digits` decimal digits, or -1.
int number(const std::string& text, std::size_t at, std::size_t digits) {
  if (text.size() < at + digits) return -1;
  int n = 0;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

// Day, month and year (0 when it has none) of a date written YYYY-MM-DD,
// YYYYMMDD, --MM-DD or --MMDD, a time part after 'T' ignored; nullopt when it
// is none of these.
std::optional<std::array<int, 3>> read_date(std::string text) {
  text = std::string(trim(std::string_view(text).substr(0, text.find_first_of("Tt"))));
  const bool no_year = text.compare(0, 2, "--") == 0;
  if (no_year) text.replace(0, 2, text.size() == 7 ? "0000-" : "0000");  // --MM-DD, --MMDD
  const bool dashes = text.size() == 10 && text[4] == '-' && text[7] == '-';
  if (!dashes && text.size() != 8) return std::nullopt;
  const int year = number(text, 0, 4);
  const int month = number(text, dashes ? 5 : 4, 2);
  const int day = number(text, dashes ? 8 : 6, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  return std::array<int, 3>{day, month, year};
}

void date(Contact& contact, const Property& p, Prop prop) {
  const std::string text(trim(unescape(p.value)));
  const auto date = read_date(text);
  if (date && (*date)[2] == 1000 && (*date)[1] == 1 && (*date)[0] == 1) return;  // Evolution's none
  if (!date) return left_out(contact, p, "not a date (YYYY-MM-DD or YYYYMMDD)");
  const auto [day, month, year] = *date;
  if (year == 0) {  // a card writes dates as YYYY-MM-DD
    return left_out(
        contact, p,
        prop == Prop::Birthday ? "a birthday needs a year" : "an anniversary needs a year");
  }
  char iso[32];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
  add_value(contact, p, prop, {iso}).date = *date;
}

// RELATED: the types written as a relation, when the value is text.
const std::pair<const char*, Prop> kRelations[] = {
    {"SPOUSE", Prop::Spouse},
    {"CHILD", Prop::Children},
};

void related(Contact& contact, const Property& p) {
  const std::string text = unescape(p.value);
  const bool is_text = p.value_type == "TEXT" || (p.value_type.empty() && !is_uri(text));
  for (const auto& [type, prop] : kRelations) {
    if (is_text && p.has_type(type)) {
      add_value(contact, p, prop, {text});
      return;
    }
  }
  left_out(contact, p, "a card holds a spouse or children named in text, not this relation");
}

// What the X-ABLabel of a grouped X-ABRELATEDNAMES or X-ABDATE makes of it.
struct LabelRule {
  const char* property;  // upper case
  const char* label;     // lower case, without Apple's _$!<...>!$_
  Kind kind;
  Prop prop;
};
const LabelRule kLabels[] = {
    {"X-ABRELATEDNAMES", "spouse", Kind::Text, Prop::Spouse},
    {"X-ABRELATEDNAMES", "child", Kind::Text, Prop::Children},
    {"X-ABRELATEDNAMES", "children", Kind::Text, Prop::Children},
    {"X-ABRELATEDNAMES", "manager", Kind::Text, Prop::Manager},
    {"X-ABRELATEDNAMES", "assistant", Kind::Text, Prop::Assistant},
    {"X-ABDATE", "anniversary", Kind::Date, Prop::Anniversary},
};

// An X-ABLabel's text as the label table holds it.
std::string label_text(const std::string& value) {
  std::string label(trim(unescape(value)));
  if (label.size() >= 8 && label.compare(0, 4, "_$!<") == 0 &&
      label.compare(label.size() - 4, 4, ">!$_") == 0)
    label = label.substr(4, label.size() - 8);
  return lower(label);
}

// A card's X-ABLabels, by group.
class Labels {
 public:
  explicit Labels(const Card& card) {
    for (const Property& p : card.properties) {
      if (p.name == "X-ABLABEL" && !p.group.empty()) labels_[upper(p.group)] = label_text(p.value);
    }
  }

  // The kind and card line a grouped X-ABRELATEDNAMES or X-ABDATE takes from
  // its label; without a label, or with another one, it is producer-specific.
  Kind kind(const Property& p, Prop& prop) const {
    const auto label = labels_.find(upper(p.group));
    if (p.group.empty() || label == labels_.end()) return Kind::Bookkeeping;
    for (const LabelRule& rule : kLabels) {
      if (p.name == rule.property && label->second == rule.label)
        return prop = rule.prop, rule.kind;
    }
    return Kind::Bookkeeping;
  }

 private:
  std::map<std::string, std::string> labels_;  // X-ABLabel by group, upper case
};

// PHOTO and SOUND: inline data, decoded, with its type; or a URL.

// Media types as a card names them: a TYPE value, with "image/" or "audio/"
// taken off, or a data: URI's media type.
const std::pair<const char*, const char*> kMediaTypes[] = {
    {"JPEG", "JPEG"},  {"JPG", "JPEG"},  {"PJPEG", "JPEG"}, {"PNG", "PNG"},     {"GIF", "GIF"},
    {"BMP", "BMP"},    {"X-BMP", "BMP"}, {"TIFF", "TIFF"},  {"WAVE", "WAVE"},   {"WAV", "WAVE"},
    {"X-WAV", "WAVE"}, {"PCM", "PCM"},   {"AIFF", "AIFF"},  {"X-AIFF", "AIFF"},
};

// Media recognised by their first bytes.
const std::pair<const char*, const char*> kSignatures[] = {
    {"\xFF\xD8\xFF", "JPEG"},
    {"\x89PNG\r\n\x1A\n", "PNG"},
    {"GIF8", "GIF"},
    {"BM", "BMP"},
};

// Base64 `text` decoded, whitespace ignored: the standard alphabet, at most
// two '=' at the end, padding optional; nullopt for anything else or a
// length of 1 modulo 4.
std::optional<std::string> decode_base64(std::string_view text) {
  static const auto kDigits = [] {  // -1: not base64, -2: whitespace
    std::array<signed char, 256> d{};
    d.fill(-1);
    const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
      d[static_cast<unsigned char>(abc[i])] = static_cast<signed char>(i);
    for (unsigned char c : {' ', '\t', '\r', '\n'}) d[c] = -2;
    return d;
  }();
  std::string out(text.size() / 4 * 3 + 3, '\0');
  std::size_t at = 0, digits = 0, padding = 0;
  std::uint32_t bits = 0;
  for (const char c : text) {
    const int d = kDigits[static_cast<unsigned char>(c)];
    if (d >= 0 && padding == 0) {
      bits = (bits << 6) | static_cast<std::uint32_t>(d);
      if (++digits % 4 == 0) {
        out[at++] = static_cast<char>(bits >> 16);
        out[at++] = static_cast<char>(bits >> 8);
        out[at++] = static_cast<char>(bits);
      }
    } else if (d == -1 && (c != '=' || ++padding > 2)) {
      return std::nullopt;
    } else if (d >= 0) {
      return std::nullopt;  // a digit after '='
    }
  }
  if (digits % 4 == 1) return std::nullopt;
  if (digits % 4 == 2) out[at++] = static_cast<char>(bits >> 4);
  if (digits % 4 == 3) {
    out[at++] = static_cast<char>(bits >> 10);
    out[at++] = static_cast<char>(bits >> 2);
  }
  out.resize(at);
  return out;
}

// The card's name for the media type `type` (a TYPE value or a MIME type);
// "" when it is not one.
std::string media_type(std::string type) {
  type = upper(trim(type));
  for (const char* family : {"IMAGE/", "AUDIO/"}) {
    if (type.compare(0, 6, family) == 0) type.erase(0, 6);
  }
  for (const auto& [name, written] : kMediaTypes) {
    if (type == name) return written;
  }
  return "";
}

void media(Contact& contact, const Property& p, Prop prop) {
  const bool data_uri = starts_with_nocase(p.value, "data:");
  if (p.encoding != "BASE64" && !data_uri) {
    const std::string url(trim(unescape(p.value)));
    if (p.value_type == "URI" || p.value_type == "URL" || is_uri(url)) {
      add_value(contact, p, prop, {url});
      return;
    }
    return left_out(contact, p, "text, neither inline data nor a URL");
  }
  std::string uri_type, text;
  if (data_uri) {
    const std::size_t comma = p.value.find(',');
    const std::string header = lower(p.value.substr(0, comma));
    if (comma == std::string::npos || header.size() < 7 ||
        header.compare(header.size() - 7, 7, ";base64") != 0)
      return left_out(contact, p, "a data: URI without base64 data");
    uri_type = header.substr(5, header.find(';') - 5);
  }
  auto bytes = decode_base64(data_uri ? std::string_view(p.value).substr(p.value.find(',') + 1)
                                      : std::string_view(p.value));
  if (!bytes) return left_out(contact, p, "not valid base64");
  std::string type;
  for (const std::string& t : p.types) {
    if (type.empty()) type = media_type(t);
  }
  if (type.empty()) type = media_type(uri_type);
  for (const auto& [signature, name] : kSignatures) {
    if (type.empty() && bytes->compare(0, std::strlen(signature), signature) == 0) type = name;
  }
  if (type.empty()) {
    return left_out(contact, p, "data of an unknown type (not JPEG, PNG, GIF or BMP)");
  }
  Value& v = add_value(contact, p, prop, {""});
  v.types = type;
  v.inline_data = true;
  v.data = std::move(*bytes);
}

// Gathers a card's values into a contact: each property to the mapping of its
// kind, the first of alternatives (ALTID) only; then the values in card order
// and the contact's name for its file.
class Builder {
 public:
  explicit Builder(const Card& card) : labels_(card) { contact_.line = card.line; }

  void add(const Property& p) {
    if (!p.altid.empty() && !alternatives_.insert({p.name, p.altid}).second) return;
    Prop prop = Prop::None;
    Kind kind = kind_of(p.name, prop);
    if (kind == Kind::Labelled) kind = labels_.kind(p, prop);
    if (kind == Kind::Bookkeeping) {
      ++contact_.skipped;
      return;
    }
    if (kind == Kind::FormattedName) return names_.formatted_name(contact_, p);
    if (p.value.empty()) return;
    if (!p.problem.empty()) return left_out(contact_, p, p.problem);
    switch (kind) {
      case Kind::Text:
      case Kind::Email:
        add_value(contact_, p, prop, {unescape(p.value)});
        return;
      case Kind::Name:
        return names_.name(contact_, p);
      case Kind::Org:
        return org(contact_, p);
      case Kind::Address:
        return address(contact_, p);
      case Kind::Tel:
        return tel(contact_, p);
      case Kind::Date:
        return date(contact_, p, prop);
      case Kind::Related:
        return related(contact_, p);
      case Kind::Media:
        return media(contact_, p, prop);
      default:
        return left_out(contact_, p, "not a property the written card can hold");
    }
  }

  Contact finish() {
    names_.finish(contact_);
    std::stable_sort(contact_.values.begin(), contact_.values.end(),
                     [](const Value& a, const Value& b) { return a.prop < b.prop; });
    const Value* n = find(Prop::Name);
    if (n != nullptr) {
      const auto& parts = n->parts;
      contact_.name = parts[1] + (parts[1].empty() || parts[0].empty() ? "" : " ") + parts[0];
    }
    for (Prop p : {Prop::Org, Prop::Email}) {
      if (contact_.name.empty() && find(p) != nullptr) contact_.name = find(p)->parts[0];
    }
    return std::move(contact_);
  }

 private:
  const Value* find(Prop prop) const {
    for (const Value& v : contact_.values) {
      if (v.prop == prop) return &v;
    }
    return nullptr;
  }

  Contact contact_;
  Labels labels_;
  Names names_;
  std::set<std::pair<std::string, std::string>> alternatives_;  // name and ALTID used
};

}  // namespace

Contact to_contact(const Card& card) {
  Builder builder(card);
  for (const Property& p : card.properties) builder.add(p);
  return builder.finish();
}

}  // namespace kwvcard
