// CSV text to records, through libcsv.
#ifndef KWVCARD_TOOL_CSV_RECORDS_H
#define KWVCARD_TOOL_CSV_RECORDS_H

#include <csv.h>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "rows.h"

namespace kwvcard {

// Reads `text` record by record as RFC 4180 reads it (quoted fields may hold
// commas, doubled quotes and line breaks; spaces are kept); blank lines are
// skipped. The first record is the header row. Only a few records are held at
// a time, so that an export of any size takes little memory.
class CsvRecords : public Rows {
 public:
  // `name` names the text in messages; `delimiter` separates the cells.
  CsvRecords(const std::string& text, std::string name, char delimiter = ',');
  ~CsvRecords() override;
  CsvRecords(const CsvRecords&) = delete;
  CsvRecords& operator=(const CsvRecords&) = delete;

  // Puts the next record in `record`; false after the last. Throws
  // std::runtime_error, naming the line and the column, when a quote is out
  // of place or a quoted field is never closed.
  bool next(Record& record) override;

  // The callbacks' state.
  struct State {
    std::deque<Record> ready;  // records complete and not yet taken
    Record current;
    std::vector<std::string> header;
    int line = 1;            // the line being fed to the parser
    int field_line = 1;      // the line the field being read began on
    bool in_record = false;  // a record has begun and not ended
  };

 private:
  std::string column() const;

  const std::string& text_;
  std::string name_;
  std::size_t pos_ = 0;
  bool finished_ = false;
  csv_parser parser_;
  State state_;
};

}  // namespace kwvcard

#endif
