// The contact exports kwvcard reads, recognised by their header row, and what
// each of their columns becomes on a card.
#ifndef KWVCARD_TOOL_FORMATS_H
#define KWVCARD_TOOL_FORMATS_H

#include <optional>
#include <string>
#include <vector>

#include "contact.h"

namespace kwvcard {

// How an export writes dates.
enum class Dates {
  MonthDayYear,  // Outlook: M/D/YYYY, "0/0/00" for none
  YearMonthDay,  // Google: YYYY-MM-DD, or --MM-DD without a year
};

// What a label means in a group of numbered columns ("Phone 1 - Label" for
// "Phone 1 - Value"). A table ends with the entry for every other label, whose
// text is null.
struct Label {
  const char* text;  // lower case, after a leading "* " (primary) is taken off
  Prop prop;
  const char* types;
};

struct ColumnMap {
  Prop prop = Prop::None;
  int part = 0;                   // component of N or ADR
  std::string types;              // TEL or ADR types, when no label gives them
  int address = 0;                // the address a component belongs to
  const Label* labels = nullptr;  // when set, the label in column `label_column`
  int label_column = -1;          // decides the property and its types
  bool several = false;           // the cell may hold several values, split by " ::: "
};

struct Format {
  std::string name;  // "Outlook" or "Google Contacts"
  Dates dates = Dates::MonthDayYear;
  std::vector<std::string> header;
  std::vector<ColumnMap> columns;  // one per header cell
};

// The format of the export whose header row is `header`; nullopt when it is
// neither an Outlook nor a Google Contacts export.
std::optional<Format> recognise(const std::vector<std::string>& header);

}  // namespace kwvcard

#endif
