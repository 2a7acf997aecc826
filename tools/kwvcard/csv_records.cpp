#include "csv_records.h"

#include <csv.h>

#include <algorithm>
#include <new>
#include <stdexcept>

namespace kwvcard {
namespace {

struct Reader {
  std::vector<Record> records;
  Record current;
  int line = 1;            // the line being fed to the parser
  int field_line = 1;      // the line the field being read began on
  bool in_record = false;  // a record has begun and not ended

  std::string column() const {
    const std::size_t i = current.cells.size();
    if (!records.empty() && i < records[0].cells.size()) return '"' + records[0].cells[i] + '"';
    return std::to_string(i + 1);
  }
};

void end_field(void* data, std::size_t size, void* reader) {
  auto& r = *static_cast<Reader*>(reader);
  r.current.cells.emplace_back(size > 0 ? static_cast<const char*>(data) : "", size);
  r.field_line = r.line;
}

void end_record(int, void* reader) {
  auto& r = *static_cast<Reader*>(reader);
  r.records.push_back(std::move(r.current));
  r.current = Record{};
  r.current.cells.reserve(r.records[0].cells.size());  // rows are as wide as the header
  r.in_record = false;
}

int no_spaces(unsigned char) {
  return 0;
}  // spaces belong to the field

}  // namespace

std::vector<Record> read_records(const std::string& text, const std::string& name) {
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) throw std::bad_alloc();
  csv_set_space_func(&parser, no_spaces);
  Reader r;
  // One line at a time, so that each record knows the line it starts on.
  for (std::size_t pos = 0; pos < text.size(); ++r.line) {
    const std::size_t end = std::min(text.find('\n', pos), text.size() - 1) + 1;
    if (!r.in_record && text.find_first_not_of("\r\n", pos) < end) {
      r.current.line = r.field_line = r.line;
      r.in_record = true;
    }
    if (csv_parse(&parser, text.data() + pos, end - pos, end_field, end_record, &r) != end - pos) {
      csv_free(&parser);
      throw std::runtime_error(name + ":" + std::to_string(r.line) + ": malformed CSV in column " +
                               r.column() + ": stray quote (quotes inside a field are doubled)");
    }
    pos = end;
  }
  if (csv_fini(&parser, end_field, end_record, &r) != 0) {
    csv_free(&parser);
    throw std::runtime_error(name + ":" + std::to_string(r.field_line) +
                             ": unclosed quote in column " + r.column());
  }
  csv_free(&parser);
  return std::move(r.records);
}

}  // namespace kwvcard
