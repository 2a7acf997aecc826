// The contact exports kwvcard reads, recognised by their header row, and what
// each of their columns becomes on a card.
#ifndef KWVCARD_TOOL_FORMATS_H
#define KWVCARD_TOOL_FORMATS_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contact.h"

namespace kwvcard {

// How an export writes dates; each also takes YYYY-MM-DD (a workbook's date
// cells).
enum class Dates {
  MonthDayYear,  // Outlook: M/D/YYYY, "0/0/00" for none
  YearMonthDay,  // Google: YYYY-MM-DD, or --MM-DD without a year
  Written,       // home-made lists: YYYY-MM-DD, YYYY/MM/DD, YYYY.MM.DD, YYYYMMDD, D.M.YYYY
};

// The N component a whole-name column fills: the family name, when the row
// has no family or given name of its own.
constexpr int kWholeName = 5;
// A Birthday column that holds one field of the date: `part` 1 year, 2 month,
// 3 day (0: the whole date).
constexpr int kBirthYear = 1, kBirthMonth = 2, kBirthDay = 3;

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
  bool known = false;             // a column of the export, used or not
};

struct Format {
  std::string name;  // the vocabulary: "Outlook", "Outlook (German)", "Google Contacts", ...
  Dates dates = Dates::MonthDayYear;
  std::size_t recognised = 0;  // how many of its columns the vocabulary (and the map) know
  std::vector<std::string> header;
  std::vector<ColumnMap> columns;  // one per header cell
};

// A column's meaning named by the user (--map), by its header.
struct Override {
  std::string header;  // as the sheet writes it; matched as the vocabularies are
  ColumnMap column;
};

// The format of the sheet whose header row is `header`: the vocabulary that
// recognises most of its columns, with `overrides` on top; nullopt when
// neither recognises any column.
std::optional<Format> recognise(const std::vector<std::string>& header,
                                const std::vector<Override>& overrides = {});

// `header` as the vocabularies compare it: trimmed, in lower case (ASCII,
// Latin-1, Latin Extended-A, Greek, Cyrillic).
std::string fold(std::string_view header);

}  // namespace kwvcard

#endif
