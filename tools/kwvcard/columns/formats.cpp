#include "columns/formats.h"

#include <cstdlib>
#include <map>

namespace kwvcard {
namespace {

// A column with a fixed meaning: its header, property, component of N or ADR
// (or the address it belongs to, for addresses), and TEL or ADR types.
struct Rule {
  const char* header;
  Prop prop;
  int part = 0;
  const char* types = "";
};

// N components: family; given; middle; prefix; suffix.
// ADR components: PO box; extended; street; city; region; postal code; country.

const Rule kOutlook[] = {
    {"Title", Prop::Name, 3},
    {"First Name", Prop::Name, 1},
    {"Middle Name", Prop::Name, 2},
    {"Last Name", Prop::Name, 0},
    {"Suffix", Prop::Name, 4},
    {"Company", Prop::Org},
    {"Department", Prop::Department},
    {"Job Title", Prop::Title},
    {"Profession", Prop::Role},
    {"Business Phone", Prop::Tel, 0, "WORK"},
    {"Business Phone 2", Prop::Tel, 0, "WORK"},
    {"Company Main Phone", Prop::Tel, 0, "WORK"},
    {"Business Fax", Prop::Tel, 0, "FAX WORK"},
    {"Home Phone", Prop::Tel, 0, "HOME"},
    {"Home Phone 2", Prop::Tel, 0, "HOME"},
    {"Home Fax", Prop::Tel, 0, "FAX HOME"},
    {"Mobile Phone", Prop::Tel, 0, "CELL"},
    {"Primary Phone", Prop::Tel, 0, "PREF"},
    {"Other Phone", Prop::Tel, 0, "VOICE"},
    {"Other Fax", Prop::Tel, 0, "FAX"},
    {"Pager", Prop::Tel, 0, "PAGER"},
    {"Car Phone", Prop::Tel, 0, "CAR"},
    {"ISDN", Prop::Tel, 0, "ISDN"},
    {"Assistant's Phone", Prop::Tel, 0, "VOICE"},
    {"Callback", Prop::Tel, 0, "VOICE"},
    {"Radio Phone", Prop::Tel, 0, "VOICE"},
    {"TTY/TDD Phone", Prop::Tel, 0, "MSG"},
    {"Telex", Prop::Tel, 0, "MSG"},
    {"E-mail Address", Prop::Email},
    {"E-mail 2 Address", Prop::Email},
    {"E-mail 3 Address", Prop::Email},
    {"Web Page", Prop::Url},
    {"Birthday", Prop::Birthday},
    {"Anniversary", Prop::Anniversary},
    {"Spouse", Prop::Spouse},
    {"Children", Prop::Children},
    {"Manager's Name", Prop::Manager},
    {"Assistant's Name", Prop::Assistant},
    {"Notes", Prop::Note},
};

// Outlook's three addresses have the columns "<place> <field>": the fields
// with their ADR component (the three street lines are joined), then the
// places with their address number (in `part`) and address types.
const Rule kOutlookAddressFields[] = {
    {"Address PO Box", Prop::Address, 0}, {"Street", Prop::Address, 2},
    {"Street 2", Prop::Address, 2},       {"Street 3", Prop::Address, 2},
    {"City", Prop::Address, 3},           {"State", Prop::Address, 4},
    {"Postal Code", Prop::Address, 5},    {"Country/Region", Prop::Address, 6},
};
const Rule kOutlookPlaces[] = {
    {"Business", Prop::Address, 0, "WORK"},
    {"Home", Prop::Address, 1, "HOME"},
    {"Other", Prop::Address, 2, ""},
};

const Rule kGoogle[] = {
    {"Last Name", Prop::Name, 0},
    {"First Name", Prop::Name, 1},
    {"Middle Name", Prop::Name, 2},
    {"Name Prefix", Prop::Name, 3},
    {"Name Suffix", Prop::Name, 4},
    {"Organization Name", Prop::Org},
    {"Organization Department", Prop::Department},
    {"Organization Title", Prop::Title},
    {"Nickname", Prop::Nickname},
    {"Birthday", Prop::Birthday},
    {"Notes", Prop::Note},
    {"Photo", Prop::Photo},
};

const Label kPhoneLabels[] = {
    {"mobile", Prop::Tel, "CELL"},
    {"work", Prop::Tel, "WORK"},
    {"home", Prop::Tel, "HOME"},
    {"main", Prop::Tel, "PREF"},
    {"work fax", Prop::Tel, "FAX WORK"},
    {"home fax", Prop::Tel, "FAX HOME"},
    {"other fax", Prop::Tel, "FAX"},
    {"fax", Prop::Tel, "FAX"},
    {"work mobile", Prop::Tel, "CELL WORK"},
    {"pager", Prop::Tel, "PAGER"},
    {"work pager", Prop::Tel, "PAGER WORK"},
    {"car", Prop::Tel, "CAR"},
    {"isdn", Prop::Tel, "ISDN"},
    {nullptr, Prop::Tel, "VOICE"},
};
const Label kAddressLabels[] = {
    {"home", Prop::Address, "HOME"},
    {"work", Prop::Address, "WORK"},
    {nullptr, Prop::Address, ""},
};
const Label kRelationLabels[] = {
    {"spouse", Prop::Spouse, ""},   {"child", Prop::Children, ""},
    {"manager", Prop::Manager, ""}, {"assistant", Prop::Assistant, ""},
    {nullptr, Prop::None, ""},
};
const Label kEventLabels[] = {
    {"anniversary", Prop::Anniversary, ""},
    {nullptr, Prop::None, ""},
};

// Google's numbered groups: "<group> <n> - Value", with "<group> <n> - Label"
// (or "- Type") beside it; an address has a column per component instead.
struct Group {
  const char* name;
  Prop prop;
  const Label* labels;
};
const Group kGoogleGroups[] = {
    {"E-mail", Prop::Email, nullptr},
    {"Phone", Prop::Tel, kPhoneLabels},
    {"Address", Prop::Address, kAddressLabels},
    {"Relation", Prop::None, kRelationLabels},
    {"Website", Prop::Url, nullptr},
    {"Event", Prop::None, kEventLabels},
    {"IM", Prop::Im, nullptr},
};
const Rule kGoogleAddressFields[] = {
    {"PO Box", Prop::Address, 0},  {"Extended Address", Prop::Address, 1},
    {"Street", Prop::Address, 2},  {"City", Prop::Address, 3},
    {"Region", Prop::Address, 4},  {"Postal Code", Prop::Address, 5},
    {"Country", Prop::Address, 6},
};

// Columns that only one of the two exports has.
const char* const kOutlookSignature[] = {"Job Title", "Business Phone"};
const char* const kGoogleSignature[] = {"Organization Name", "Name Prefix"};

using Index = std::map<std::string, int>;

template <std::size_t N>
bool has_all(const Index& index, const char* const (&names)[N]) {
  for (const char* name : names) {
    if (index.count(name) == 0) return false;
  }
  return true;
}

void apply(const Rule& rule, ColumnMap& column) {
  column.prop = rule.prop;
  column.part = rule.part;
  column.types = rule.types;
}

void map_outlook(const Index& index, Format& format) {
  for (const Rule& rule : kOutlook) {
    if (auto it = index.find(rule.header); it != index.end())
      apply(rule, format.columns[it->second]);
  }
  for (const Rule& place : kOutlookPlaces) {
    for (const Rule& field : kOutlookAddressFields) {
      auto it = index.find(std::string(place.header) + " " + field.header);
      if (it == index.end()) continue;
      ColumnMap& column = format.columns[it->second];
      apply(field, column);
      column.types = place.types;
      column.address = place.part;
    }
  }
}

const Group* find_group(const std::string& name) {
  for (const Group& group : kGoogleGroups) {
    if (name == group.name) return &group;
  }
  return nullptr;
}

// The component an address column holds; -1 for other columns of the group.
int address_part(const std::string& field) {
  for (const Rule& rule : kGoogleAddressFields) {
    if (field == rule.header) return rule.part;
  }
  return -1;
}

// Maps "<group> <n> - <field>" when it is one of Google's numbered columns.
void map_google_group(const std::string& header, const Index& index, ColumnMap& column) {
  const std::size_t dash = header.find(" - ");
  const std::size_t space =
      dash == std::string::npos || dash == 0 ? std::string::npos : header.rfind(' ', dash - 1);
  if (space == std::string::npos) return;
  const Group* group = find_group(header.substr(0, space));
  const std::string number = header.substr(space + 1, dash - space - 1);
  const std::string field = header.substr(dash + 3);
  const int part = group == nullptr               ? -1
                   : group->prop == Prop::Address ? address_part(field)
                   : field == "Value"             ? 0
                                                  : -1;
  if (part < 0) return;
  column.prop = group->prop;
  column.part = part;
  column.labels = group->labels;
  column.several = true;
  column.address = std::atoi(number.c_str());
  for (const char* label : {" - Label", " - Type"}) {
    auto it = index.find(header.substr(0, dash) + label);
    if (it != index.end()) column.label_column = it->second;
  }
}

void map_google(const Index& index, Format& format) {
  for (std::size_t i = 0; i < format.header.size(); ++i) {
    map_google_group(format.header[i], index, format.columns[i]);
  }
  for (const Rule& rule : kGoogle) {
    if (auto it = index.find(rule.header); it != index.end())
      apply(rule, format.columns[it->second]);
  }
}

}  // namespace

std::optional<Format> recognise(const std::vector<std::string>& header) {
  Index index;
  for (std::size_t i = 0; i < header.size(); ++i) index.emplace(header[i], static_cast<int>(i));
  Format format;
  format.header = header;
  format.columns.resize(header.size());
  if (has_all(index, kOutlookSignature)) {
    format.name = "Outlook";
    map_outlook(index, format);
  } else if (has_all(index, kGoogleSignature)) {
    format.name = "Google Contacts";
    format.dates = Dates::YearMonthDay;
    map_google(index, format);
  } else {
    return std::nullopt;
  }
  return format;
}

}  // namespace kwvcard
