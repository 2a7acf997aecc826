// Google Contacts' CSV export ("Google CSV"): its fixed columns, and its
// numbered groups of columns whose label column gives each value's meaning.
#include <cstdlib>

#include "columns/vocabularies/vocabulary.h"

namespace kwvcard {
namespace {

// Google Contacts, English: the header row of its export
// (tests/import/google-header.csv).
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
    // Columns of the export a card has no place for.
    {"Phonetic First Name", Prop::None},
    {"Phonetic Middle Name", Prop::None},
    {"Phonetic Last Name", Prop::None},
    {"File As", Prop::None},
    {"Labels", Prop::None},
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

}  // namespace

bool google_group(const std::string& header, const std::function<int(const std::string&)>& find,
                  ColumnMap& column) {
  const std::size_t dash = header.find(" - ");
  const std::size_t space =
      dash == std::string::npos || dash == 0 ? std::string::npos : header.rfind(' ', dash - 1);
  if (space == std::string::npos) return false;
  const Group* group = find_group(header.substr(0, space));
  const std::string number = header.substr(space + 1, dash - space - 1);
  if (group == nullptr || number.empty() ||
      number.find_first_not_of("0123456789") != std::string::npos)
    return false;
  column.known = true;  // the group's label, type and formatted columns too
  const std::string field = header.substr(dash + 3);
  const int part = group->prop == Prop::Address ? address_part(field) : field == "Value" ? 0 : -1;
  if (part < 0) return true;
  column.prop = group->prop;
  column.part = part;
  column.labels = group->labels;
  column.several = true;
  column.address = std::atoi(number.c_str());
  for (const char* label : {" - Label", " - Type"}) {
    const int at = find(header.substr(0, dash) + label);
    if (at >= 0) column.label_column = at;
  }
  return true;
}

std::vector<Vocabulary> google_vocabularies() {
  Vocabulary google = vocabulary("Google Contacts", Dates::YearMonthDay, kGoogle);
  google.google_groups = true;
  return {std::move(google)};
}

}  // namespace kwvcard
