// A workbook's cell values as the text a contact's columns read: numbers as
// their digits, dates as YYYY-MM-DD, booleans as TRUE and FALSE.
#ifndef KWVCARD_TOOL_CELLS_H
#define KWVCARD_TOOL_CELLS_H

#include <optional>
#include <string>
#include <string_view>

#include "rows.h"

namespace kwvcard {

// The most columns and rows a sheet has (Excel's and LibreOffice's limits).
constexpr int kMaxColumns = 16384;
constexpr int kMaxRows = 1048576;

// `value` written as its digits: an integer exactly (13800138000), any other
// number in the fewest digits that read back as it (0.1), never with an
// exponent.
std::string number_text(double value);
// The number spelled `text` (as a workbook stores it, "1.3800138E10") as
// number_text writes it; `text` itself when it is not a number.
std::string number_text(std::string_view text);

// The date of the serial number `serial` (days from the workbook's epoch,
// the time of day as a fraction) as YYYY-MM-DD; nullopt when it is not a
// date. In the 1900 date system serial 60 is 1900-02-29, a day that never
// was but that Excel counts.
std::optional<std::string> serial_date(double serial, bool date1904);

// Whether the number format `id`, whose format code is `code` (empty for
// a built-in format), shows a date.
bool is_date_format(int id, std::string_view code);

// The column of the cell reference `ref` ("C7": 2), or -1.
int column_of(std::string_view ref);

// Reads the decimal number at the start of `text`; `fallback` when there is
// none or it is larger than `limit`.
int whole_number(const char* text, int fallback, int limit = kMaxRows);

// Puts `text` in column `column` of `record`, the columns before it empty;
// an empty `text`, or a column left of one already filled, changes nothing
// (so that a record's trailing empty cells are never there).
void put_cell(Record& record, int column, std::string_view text);

}  // namespace kwvcard

#endif
