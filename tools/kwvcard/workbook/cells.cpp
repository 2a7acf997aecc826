#include "workbook/cells.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace kwvcard {

std::string number_text(double value) {
  if (!std::isfinite(value)) return "";
  char buffer[400];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  if (r.ec != std::errc()) return "";
  std::string text(buffer, r.ptr);
  return text == "-0" ? "0" : text;
}

std::string number_text(std::string_view text) {
  double value = 0;
  const char* begin = text.data();
  if (!text.empty() && text.front() == '+') ++begin;
  const auto r = std::from_chars(begin, text.data() + text.size(), value);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || text.empty())
    return std::string(text);
  return number_text(value);
}

std::optional<std::string> serial_date(double serial, bool date1904) {
  if (!(serial >= (date1904 ? 0 : 1)) || serial >= 2958466) return std::nullopt;  // to 9999-12-31
  auto day = static_cast<long>(std::floor(serial));
  if (!date1904 && day == 60) return "1900-02-29";
  // Days since 1970-01-01: the 1900 system counts from 1899-12-31 and
  // counts 1900-02-29; the 1904 system counts from 1904-01-01.
  day += date1904 ? -24107 : (day < 60 ? -25568 : -25569);
  // The civil date of a day count (Howard Hinnant's days_from_civil, inverted).
  day += 719468;
  const long era = (day >= 0 ? day : day - 146096) / 146097;
  const long doe = day - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const long d = doy - (153 * mp + 2) / 5 + 1;
  const long m = mp < 10 ? mp + 3 : mp - 9;
  const long y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(y), static_cast<int>(m),
                static_cast<int>(d));
  return std::string(text);
}

bool is_date_format(int id, std::string_view code) {
  // Excel's built-in dates and times, with those of its East Asian versions.
  if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47) || (id >= 27 && id <= 36) ||
      (id >= 50 && id <= 58))
    return true;
  char quote = 0;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"') {
      quote = '"';
    } else if (c == '[') {
      quote = ']';
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is shown as it is
    } else if (c == ';') {
      return false;  // the format for positive numbers decides
    } else if (std::string_view("dDmMyYhH").find(c) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

int column_of(std::string_view ref) {
  int column = 0;
  std::size_t i = 0;
  for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) {
    column = column * 26 + (ref[i] - 'A' + 1);
    if (column > kMaxColumns) return -1;
  }
  return i == 0 ? -1 : column - 1;
}

int whole_number(const char* text, int fallback, int limit) {
  if (text == nullptr) return fallback;
  long value = 0;
  const char* end = text;
  for (; *end >= '0' && *end <= '9'; ++end) {
    value = value * 10 + (*end - '0');
    if (value > limit) return fallback;
  }
  return end == text ? fallback : static_cast<int>(value);
}

void put_cell(Record& record, int column, std::string_view text) {
  if (text.empty() || column < 0 || static_cast<std::size_t>(column) < record.size()) return;
  while (record.size() < static_cast<std::size_t>(column))
    record.ends.push_back(record.text.size());
  record.text.append(text);
  record.ends.push_back(record.text.size());
}

}  // namespace kwvcard
