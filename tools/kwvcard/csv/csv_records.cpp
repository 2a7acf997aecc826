#include "csv/csv_records.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace kwvcard {
namespace {

void end_field(void* data, std::size_t size, void* state) {
  auto& s = *static_cast<CsvRecords::State*>(state);
  if (size > 0) s.current.text.append(static_cast<const char*>(data), size);
  s.current.ends.push_back(s.current.text.size());
  s.field_line = s.line;
}

void end_record(int, void* state) {
  auto& s = *static_cast<CsvRecords::State*>(state);
  if (s.header.empty()) {
    for (std::size_t i = 0; i < s.current.size(); ++i) s.header.emplace_back(s.current.cell(i));
  }
  s.ready.push_back(std::move(s.current));
  s.current = Record{};
  s.current.ends.reserve(s.header.size());  // rows are as wide as the header
  s.in_record = false;
}

int no_spaces(unsigned char) {
  return 0;
}  // spaces belong to the field

}  // namespace

CsvRecords::CsvRecords(const std::string& text, std::string name, char delimiter)
    : text_(text), name_(std::move(name)) {
  if (csv_init(&parser_, CSV_STRICT | CSV_STRICT_FINI) != 0) throw std::bad_alloc();
  csv_set_space_func(&parser_, no_spaces);
  csv_set_delim(&parser_, static_cast<unsigned char>(delimiter));
}

CsvRecords::~CsvRecords() {
  csv_free(&parser_);
}

std::string CsvRecords::column() const {
  const std::size_t i = state_.current.size();
  return i < state_.header.size() ? '"' + state_.header[i] + '"' : std::to_string(i + 1);
}

bool CsvRecords::next(Record& record) {
  State& s = state_;
  // One line at a time, so that each record knows the line it starts on.
  while (s.ready.empty() && pos_ < text_.size()) {
    const std::size_t end = std::min(text_.find('\n', pos_), text_.size() - 1) + 1;
    if (!s.in_record && text_.find_first_not_of("\r\n", pos_) < end) {
      s.current.line = s.field_line = s.line;
      s.in_record = true;
    }
    if (csv_parse(&parser_, text_.data() + pos_, end - pos_, end_field, end_record, &s) !=
        end - pos_) {
      throw std::runtime_error(name_ + ":" + std::to_string(s.line) + ": malformed CSV in column " +
                               column() + ": stray quote (quotes inside a field are doubled)");
    }
    pos_ = end;
    ++s.line;
  }
  if (s.ready.empty() && !finished_) {
    finished_ = true;
    if (csv_fini(&parser_, end_field, end_record, &s) != 0) {
      throw std::runtime_error(name_ + ":" + std::to_string(s.field_line) +
                               ": unclosed quote in column " + column());
    }
  }
  if (s.ready.empty()) return false;
  record = std::move(s.ready.front());
  s.ready.pop_front();
  return true;
}

}  // namespace kwvcard
