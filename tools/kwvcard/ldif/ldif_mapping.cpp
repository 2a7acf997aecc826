#include "ldif/ldif_mapping.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "input/input.h"
#include "text.h"

namespace kwvcard {
namespace {

// How an attribute is read: each kind is mapped by one of the sections below.
enum class Kind {
  Bookkeeping,  // dropped silently
  Text,         // one card line a value
  Name,         // a component of N
  FullName,     // N's family component, when there is neither sn nor givenName
  Address,      // a component of the work or the home address
  Birth,        // the day, month or year of BDAY
};

struct Rule {
  const char* name;  // lower case
  Kind kind;
  Prop prop = Prop::None;
  int part = 0;  // N or ADR: the component; BDAY: day 0, month 1, year 2; full names: rank
  const char* types = "";  // TEL and ADR types
};

// Every attribute read, by name, as Thunderbird and LDAP directories write them.
const Rule kRules[] = {
    {"sn", Kind::Name, Prop::Name, 0},
    {"givenname", Kind::Name, Prop::Name, 1},
    {"displayname", Kind::FullName, Prop::Name, 0},
    {"cn", Kind::FullName, Prop::Name, 1},
    {"o", Kind::Text, Prop::Org},
    {"ou", Kind::Text, Prop::Department},
    {"title", Kind::Text, Prop::Title},
    {"telephonenumber", Kind::Text, Prop::Tel, 0, "WORK"},
    {"homephone", Kind::Text, Prop::Tel, 0, "HOME"},
    {"mobile", Kind::Text, Prop::Tel, 0, "CELL"},
    {"facsimiletelephonenumber", Kind::Text, Prop::Tel, 0, "FAX WORK"},
    {"pager", Kind::Text, Prop::Tel, 0, "PAGER"},
    {"mail", Kind::Text, Prop::Email},
    {"mozillasecondemail", Kind::Text, Prop::Email},
    {"street", Kind::Address, Prop::Address, 2, "WORK"},
    {"mozillaworkstreet2", Kind::Address, Prop::Address, 2, "WORK"},
    {"l", Kind::Address, Prop::Address, 3, "WORK"},
    {"st", Kind::Address, Prop::Address, 4, "WORK"},
    {"postalcode", Kind::Address, Prop::Address, 5, "WORK"},
    {"c", Kind::Address, Prop::Address, 6, "WORK"},
    {"mozillahomestreet", Kind::Address, Prop::Address, 2, "HOME"},
    {"mozillahomestreet2", Kind::Address, Prop::Address, 2, "HOME"},
    {"mozillahomelocalityname", Kind::Address, Prop::Address, 3, "HOME"},
    {"mozillahomestate", Kind::Address, Prop::Address, 4, "HOME"},
    {"mozillahomepostalcode", Kind::Address, Prop::Address, 5, "HOME"},
    {"mozillahomecountryname", Kind::Address, Prop::Address, 6, "HOME"},
    {"mozillaworkurl", Kind::Text, Prop::Url},
    {"mozillahomeurl", Kind::Text, Prop::Url},
    {"birthday", Kind::Birth, Prop::Birthday, 0},
    {"birthmonth", Kind::Birth, Prop::Birthday, 1},
    {"birthyear", Kind::Birth, Prop::Birthday, 2},
    {"mozillanickname", Kind::Text, Prop::Nickname},
    {"description", Kind::Text, Prop::Note},
    {"dn", Kind::Bookkeeping},
    {"objectclass", Kind::Bookkeeping},
    {"modifytimestamp", Kind::Bookkeeping},
    {"createtimestamp", Kind::Bookkeeping},
    {"creatorsname", Kind::Bookkeeping},
    {"modifiersname", Kind::Bookkeeping},
    {"entryuuid", Kind::Bookkeeping},
    {"entrycsn", Kind::Bookkeeping},
    {"structuralobjectclass", Kind::Bookkeeping},
    {"changetype", Kind::Bookkeeping},
    {"mozillausehtmlmail", Kind::Bookkeeping},  // a mail preference, not contact data
};

const Rule* rule_of(const std::string& name) {
  static const std::unordered_map<std::string, const Rule*> rules = [] {
    std::unordered_map<std::string, const Rule*> by_name;
    for (const Rule& rule : kRules) by_name.emplace(rule.name, &rule);
    return by_name;
  }();
  const auto found = rules.find(name);
  return found == rules.end() ? nullptr : found->second;
}

// The number `text` spells in 1 to `digits` decimal digits if it lies in
// [min, max]; nullopt otherwise.
std::optional<int> number(std::string_view text, std::size_t digits, int min, int max) {
  text = trim(text);
  if (text.empty() || text.size() > digits ||
      !std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(c & 0xFF); }))
    return std::nullopt;
  const int n = std::stoi(std::string(text));
  return n >= min && n <= max ? std::optional<int>(n) : std::nullopt;
}

// A value of several attributes (N, ADR, BDAY): its messages name each of
// them, as written, and the line of the first.
struct Gathered {
  Value value;
  void from(const LdifValue& v) {
    if (value.line == 0) value.line = v.line;
    if ((", " + value.property + ", ").find(", " + v.attribute + ", ") == std::string::npos)
      value.property += (value.property.empty() ? "" : ", ") + v.attribute;
  }
};

// Gathers a record's values into a contact.
class Builder {
 public:
  explicit Builder(int line) {
    contact_.line = line;
    name_.value = {Prop::Name, std::vector<std::string>(5), {}, ""};
  }

  void add(const LdifValue& v) {
    const Rule* rule = rule_of(v.name);
    if (rule == nullptr || rule->kind == Kind::Bookkeeping || (v.value.empty() && !v.url)) return;
    if (v.url) return left_out(v, "a value given by reference (:<), not read");
    if (v.base64 && valid_utf8_prefix(v.value) < v.value.size())
      return left_out(v, "not UTF-8 text once decoded from base64");
    switch (rule->kind) {
      case Kind::Text: {
        Value value{rule->prop, {v.value}, {}, rule->types};
        value.line = v.line;
        value.property = v.attribute;
        contact_.values.push_back(std::move(value));
        return;
      }
      case Kind::Name:
        return first(name_, rule->part, v, "a card holds one name, the first");
      case Kind::FullName:
        if (full_name_[rule->part] == nullptr) full_name_[rule->part] = &v;
        return;
      case Kind::Address: {
        auto found = std::find_if(addresses_.begin(), addresses_.end(),
                                  [&](const Gathered& a) { return a.value.types == rule->types; });
        if (found == addresses_.end()) {
          found = addresses_.emplace(addresses_.end());
          found->value = {Prop::Address, std::vector<std::string>(7), {}, rule->types};
        }
        std::string& part = found->value.parts[static_cast<std::size_t>(rule->part)];
        part += (part.empty() ? "" : ", ") + v.value;  // a second street line
        found->from(v);
        return;
      }
      default:  // Kind::Birth
        if (birth_[rule->part] != nullptr)
          return left_out(v, "a card holds one birthday, the first");
        birth_[rule->part] = &v;
        birthday_.from(v);
    }
  }

  Contact finish() {
    auto& parts = name_.value.parts;
    const LdifValue* full = full_name_[0] != nullptr ? full_name_[0] : full_name_[1];
    if (name_.value.line == 0 && full != nullptr) {  // as Android writes a display name alone
      parts[0] = full->value;
      name_.from(*full);
    }
    contact_.name = parts[1] + (parts[1].empty() || parts[0].empty() ? "" : " ") + parts[0];
    if (name_.value.line != 0) contact_.values.push_back(std::move(name_.value));
    for (Gathered& a : addresses_) contact_.values.push_back(std::move(a.value));
    add_birthday();
    std::stable_sort(contact_.values.begin(), contact_.values.end(),
                     [](const Value& a, const Value& b) { return a.prop < b.prop; });
    for (Prop p : {Prop::Org, Prop::Email}) {
      for (const Value& v : contact_.values) {
        if (contact_.name.empty() && v.prop == p) contact_.name = v.parts[0];
      }
    }
    return std::move(contact_);
  }

 private:
  void left_out(const LdifValue& v, const std::string& why) {
    contact_.left_out.push_back({v.line, v.attribute, "left out: " + why});
  }

  // The first value of an attribute taken into component `part` of `into`;
  // any other left out.
  void first(Gathered& into, int part, const LdifValue& v, const char* why) {
    std::string& text = into.value.parts[static_cast<std::size_t>(part)];
    if (!text.empty()) return left_out(v, why);
    text = v.value;
    into.from(v);
  }

  // BDAY from Thunderbird's three attributes: each must be a number in its
  // range, and all three given.
  void add_birthday() {
    if (birthday_.value.line == 0) return;
    static const struct {
      std::size_t digits;
      int max;
      const char* why;
    } kFields[] = {{2, 31, "not a day (1 to 31)"},
                   {2, 12, "not a month (1 to 12)"},
                   {4, 9999, "not a year (1 to 9999)"}};
    bool bad = false;
    Value& v = birthday_.value;
    for (std::size_t i = 0; i < 3; ++i) {
      if (birth_[i] == nullptr) continue;
      const auto n = number(birth_[i]->value, kFields[i].digits, 1, kFields[i].max);
      if (!n) left_out(*birth_[i], kFields[i].why);
      bad = bad || !n;
      v.date[i] = n.value_or(0);
    }
    if (bad) return;
    if (v.date[2] == 0 || v.date[1] == 0 || v.date[0] == 0) {
      contact_.left_out.push_back({v.line, v.property,
                                   v.date[2] == 0
                                       ? "left out: a birthday needs a year"
                                       : "left out: a birthday needs a month and a day"});
      return;
    }
    char iso[32];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", v.date[2], v.date[1], v.date[0]);
    v.prop = Prop::Birthday;
    v.parts = {iso};
    contact_.values.push_back(std::move(v));
  }

  Contact contact_;
  Gathered name_, birthday_;
  std::vector<Gathered> addresses_;     // work and home, in the order they came
  const LdifValue* full_name_[2] = {};  // the first displayName and cn
  const LdifValue* birth_[3] = {};      // birthday, birthmonth, birthyear
};

}  // namespace

Contact to_contact(const LdifRecord& record) {
  Builder builder(record.line);
  for (const LdifValue& v : record.values) builder.add(v);
  return builder.finish();
}

void UnusedAttributes::add(const LdifRecord& record) {
  for (const LdifValue& v : record.values) {
    if (rule_of(v.name) != nullptr || (v.value.empty() && !v.url)) continue;
    const auto [at, added] = index_.try_emplace(v.name, attributes_.size());
    if (added) attributes_.emplace_back(v.attribute.substr(0, v.attribute.find(';')), 0);
    ++attributes_[at->second].second;
  }
}

std::vector<std::pair<std::string, std::size_t>> UnusedAttributes::messages() const {
  std::vector<std::pair<std::string, std::size_t>> out;
  for (const auto& [name, values] : attributes_) {
    out.emplace_back("attribute \"" + name + "\" (" + std::to_string(values) +
                         (values == 1 ? " value" : " values") + "): not used",
                     values);
  }
  return out;
}

}  // namespace kwvcard
