#include "columns/row_mapping.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <utility>

namespace kwvcard {
namespace {

struct Meaning {
  Prop prop;
  std::string types;
};

// The property and types of a cell in `column`: its own, or those its label
// gives. A primary value's label starts with "* ", which adds PREF to a number.
Meaning meaning(const ColumnMap& column, const Record& row) {
  if (column.labels == nullptr) return {column.prop, column.types};
  const auto at = static_cast<std::size_t>(column.label_column);
  std::string label(column.label_column >= 0 && at < row.size() ? row.cell(at) : "");
  const bool primary = label.compare(0, 2, "* ") == 0;
  if (primary) label.erase(0, 2);
  for (char& c : label) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const Label* l = column.labels;
  while (l->text != nullptr && label != l->text) ++l;
  return {l->prop, primary && l->prop == Prop::Tel ? "PREF " + std::string(l->types) : l->types};
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  for (std::size_t pos = 0;;) {
    const std::size_t end = text.find(separator, pos);
    pieces.push_back(text.substr(pos, end - pos));
    if (end == std::string::npos) return pieces;
    pos = end + separator.size();
  }
}

// The number `text` spells in `min` to `max` decimal digits, or -1.
int number(const std::string& text, std::size_t min, std::size_t max) {
  if (text.size() < min || text.size() > max) return -1;
  int n = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Day, month and year of `text` read as year, month, day fields (`y`, `m`,
// `d`: their indexes in `f`), or nullopt.
std::optional<std::array<int, 3>> fields(const std::vector<std::string>& f, int y, int m, int d) {
  if (f.size() != 3) return std::nullopt;
  const int year = number(f[y], 4, 4), month = number(f[m], 1, 2), day = number(f[d], 1, 2);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  return std::array<int, 3>{day, month, year};
}

// Day, month and year (0 when the date has none) of `text`; nullopt when it is
// not a date as the export writes them. Every export's dates may also be
// YYYY-MM-DD (a workbook's date cells).
std::optional<std::array<int, 3>> read_date(const std::string& text, Dates dates) {
  std::vector<std::string> f = split(text, "-");
  if (f.size() == 4 && f[0].empty() && f[1].empty() && dates == Dates::YearMonthDay) {
    const int month = number(f[2], 2, 2), day = number(f[3], 2, 2);  // --MM-DD
    if (month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    return std::array<int, 3>{day, month, 0};
  }
  if (f.size() == 3 && f[0].size() == 4) return fields(f, 0, 1, 2);
  if (dates == Dates::MonthDayYear) return fields(split(text, "/"), 2, 0, 1);
  if (dates != Dates::Written) return std::nullopt;
  for (const char* separator : {"/", "."}) {
    f = split(text, separator);
    if (f.size() == 3) return f[0].size() == 4 ? fields(f, 0, 1, 2) : fields(f, 2, 1, 0);
  }
  if (text.size() == 8)  // YYYYMMDD
    return fields({text.substr(0, 4), text.substr(4, 2), text.substr(6, 2)}, 0, 1, 2);
  return std::nullopt;
}

// Gathers a row's values into a contact.
class Builder {
 public:
  Builder(const Format& format, int line) : format_(format) { contact_.line = line; }

  void add(const std::string& text, std::string_view column, const ColumnMap& map, const Meaning& m,
           std::size_t piece) {
    if (m.prop == Prop::Name && map.part == kWholeName) {
      whole_name_ = text;
      whole_column_ = column;
    } else if (m.prop == Prop::Birthday && map.part != 0) {
      birth_[map.part - 1] = text;  // year, month, day
      birth_column_ = column;
    } else if (m.prop == Prop::Name) {
      name_.parts[map.part] = text;
      name_.columns[map.part] = column;
    } else if (m.prop == Prop::Address) {
      auto [it, added] = addresses_.try_emplace({map.address, piece});
      if (added) it->second = structured(Prop::Address, 7, m.types);
      std::string& part = it->second.parts[map.part];
      part += (part.empty() ? "" : ", ") + text;  // Outlook's street lines 2 and 3
      if (it->second.columns[map.part].empty()) it->second.columns[map.part] = column;
    } else if (m.prop == Prop::Birthday || m.prop == Prop::Anniversary) {
      add_date(text, column, m.prop);
    } else {
      contact_.values.push_back({m.prop, {text}, {column}, m.types});
    }
  }

  Contact finish() {
    auto& parts = name_.parts;
    if (!whole_name_.empty() && parts[0].empty() && parts[1].empty()) {
      parts[0] = whole_name_;  // as Android writes a contact with only a display name
      name_.columns[0] = whole_column_;
    }
    if (!birth_[0].empty() || !birth_[1].empty() || !birth_[2].empty()) {
      const auto pad = [](const std::string& s) { return s.size() == 1 ? "0" + s : s; };
      add_date((birth_[0].empty() ? "-" : birth_[0]) + "-" + pad(birth_[1]) + "-" + pad(birth_[2]),
               birth_column_, Prop::Birthday);
    }
    contact_.name = parts[1] + (parts[1].empty() || parts[0].empty() ? "" : " ") + parts[0];
    for (Prop p : {Prop::Org, Prop::Email}) {
      for (const Value& v : contact_.values) {
        if (contact_.name.empty() && v.prop == p) contact_.name = v.parts[0];
      }
    }
    if (std::any_of(parts.begin(), parts.end(), [](auto& s) { return !s.empty(); }))
      contact_.values.push_back(std::move(name_));
    for (auto& entry : addresses_) contact_.values.push_back(std::move(entry.second));
    std::stable_sort(contact_.values.begin(), contact_.values.end(),
                     [](const Value& a, const Value& b) { return a.prop < b.prop; });
    return std::move(contact_);
  }

 private:
  static Value structured(Prop prop, std::size_t n, const std::string& types = "") {
    return {prop, std::vector<std::string>(n), std::vector<std::string_view>(n), types};
  }

  void add_date(const std::string& text, std::string_view column, Prop prop) {
    const bool mdy = format_.dates == Dates::MonthDayYear;
    if (mdy && text == "0/0/00") return;  // Outlook's empty date
    const auto date = read_date(text, format_.dates);
    if (!date || (prop == Prop::Birthday && (*date)[2] == 0)) {
      const char* why = date  ? "left out: a birthday needs a year"
                        : mdy ? "left out: not a date (M/D/YYYY)"
                              : "left out: not a date (YYYY-MM-DD)";
      contact_.left_out.push_back({contact_.line, "column \"" + std::string(column) + "\"", why});
      return;
    }
    const auto [day, month, year] = *date;
    char iso[32];
    if (year > 0) std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
    if (year == 0) std::snprintf(iso, sizeof iso, "--%02d-%02d", month, day);
    contact_.values.push_back({prop, {iso}, {column}, "", *date});
  }

  const Format& format_;
  Contact contact_;
  Value name_ = structured(Prop::Name, 5);
  std::map<std::pair<int, std::size_t>, Value> addresses_;  // by address, then piece
  std::string whole_name_;                                  // a whole-name column's text
  std::string_view whole_column_;
  std::array<std::string, 3> birth_;  // a birthday in three columns: year, month, day
  std::string_view birth_column_;
};

}  // namespace

Contact to_contact(const Format& format, const Record& row) {
  Builder builder(format, row.line);
  const std::size_t n = std::min(row.size(), format.columns.size());
  for (std::size_t i = 0; i < n; ++i) {
    const ColumnMap& map = format.columns[i];
    if (row.cell(i).empty() || (map.prop == Prop::None && map.labels == nullptr)) continue;
    const Meaning m = meaning(map, row);
    if (m.prop == Prop::None) continue;
    const std::string cell(row.cell(i));
    const auto pieces = map.several ? split(cell, " ::: ") : std::vector{cell};
    for (std::size_t k = 0; k < pieces.size(); ++k) {
      if (!pieces[k].empty()) builder.add(pieces[k], format.header[i], map, m, k);
    }
  }
  return builder.finish();
}

}  // namespace kwvcard
