// A sheet's rows, as every reader of tabular contacts gives them (a CSV or
// tab-separated text, a workbook's sheet): one record at a time, each with the
// text of its cells.
#ifndef KWVCARD_TOOL_ROWS_H
#define KWVCARD_TOOL_ROWS_H

#include <string>
#include <string_view>
#include <vector>

namespace kwvcard {

// A record's cells, kept end to end in one string.
struct Record {
  int line = 0;                   // the input line (a sheet: the row) the record starts on
  std::string text;               // the cells, one after another
  std::vector<std::size_t> ends;  // where each cell ends in `text`

  std::size_t size() const { return ends.size(); }
  std::string_view cell(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends[i - 1];
    return std::string_view(text).substr(begin, ends[i] - begin);
  }
  // Whether any cell holds text.
  bool has_text() const { return !text.empty(); }
};

// The rows of one sheet, first to last; a reader throws std::runtime_error,
// naming the place, for input it cannot read.
class Rows {
 public:
  virtual ~Rows() = default;
  // Puts the next record in `record`; false after the last.
  virtual bool next(Record& record) = 0;
};

}  // namespace kwvcard

#endif
