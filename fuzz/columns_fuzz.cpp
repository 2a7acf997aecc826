// The CSV reader and the header matching of kwvcard import. The first input
// byte chooses:
// - even: the rest is a sheet, rows split by NUL bytes and cells by 0x01; its
//   first row is matched as a header row and every other row made a contact,
//   with no crash or sanitizer report; then the same bytes are read as CSV
//   text (its delimiter found as the tool finds it) and each record matched
//   and mapped the same way, a malformed text ending in its one error;
// - odd: the rest gives values (split by NUL) written under a home-made header
//   row (姓名, 单位, 职务, 邮箱, 备注); reading that row back must give the same
//   values in the contact's parts.
#include <cstdint>
#include <string>
#include <vector>

#include <stdexcept>

#include "columns/formats.h"
#include "columns/row_mapping.h"
#include "csv/csv_records.h"
#include "fuzz.h"
#include "input/input.h"

namespace {

using kwvcard::Prop;

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> pieces(1);
  for (char c : text) {
    if (c == separator) {
      pieces.emplace_back();
    } else {
      pieces.back() += c;
    }
  }
  return pieces;
}

kwvcard::Record record(const std::vector<std::string>& cells, int line) {
  kwvcard::Record r;
  r.line = line;
  for (const std::string& cell : cells) {
    r.text += cell;
    r.ends.push_back(r.text.size());
  }
  return r;
}

void any_sheet(const std::string& bytes) {
  const std::vector<std::string> rows = split(bytes, '\0');
  const auto format = kwvcard::recognise(split(rows[0], '\x01'));
  if (!format) return;
  for (std::size_t i = 1; i < rows.size(); ++i)
    kwvcard::to_contact(*format, record(split(rows[i], '\x01'), static_cast<int>(i + 1)));
}

void csv_text(const std::string& bytes) {
  try {
    kwvcard::CsvRecords records(bytes, "fuzz.csv", kwvcard::find_delimiter(bytes));
    kwvcard::Record r;
    std::optional<kwvcard::Format> format;
    while (records.next(r)) {
      if (!format) {
        std::vector<std::string> header;
        for (std::size_t c = 0; c < r.size(); ++c) header.emplace_back(r.cell(c));
        format = kwvcard::recognise(header);
      } else {
        kwvcard::to_contact(*format, r);
      }
    }
  } catch (const std::runtime_error&) {
    // Malformed CSV: the import stops with this one message.
  }
}

// Values a cell keeps as they are: not empty, no surrounding spaces.
std::string value(std::string text) {
  const std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return "x";
  return text.substr(begin, text.find_last_not_of(' ') + 1 - begin);
}

void written_sheet(const std::string& bytes) {
  const std::vector<std::string> header = {"姓名", "单位", "职务", "邮箱", "备注"};
  const Prop props[] = {Prop::Name, Prop::Org, Prop::Title, Prop::Email, Prop::Note};
  std::vector<std::string> cells = split(bytes, '\0');
  cells.resize(header.size());
  for (std::string& cell : cells) cell = value(cell);
  const auto format = kwvcard::recognise(header);
  kwvfuzz::check(format && format->recognised == header.size(), "header recognised", "5", "");
  const kwvcard::Contact contact = kwvcard::to_contact(*format, record(cells, 2));
  for (std::size_t i = 0; i < header.size(); ++i) {
    std::string got;
    for (const kwvcard::Value& v : contact.values) {
      if (v.prop == props[i]) got = v.parts[0];
    }
    kwvfuzz::check(got == cells[i], "value read back", cells[i], got);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    any_sheet(rest);
    csv_text(rest);
  } else {
    written_sheet(rest);
  }
  return 0;
}
