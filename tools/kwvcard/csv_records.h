// CSV text to records, through libcsv.
#ifndef KWVCARD_TOOL_CSV_RECORDS_H
#define KWVCARD_TOOL_CSV_RECORDS_H

#include <string>
#include <vector>

namespace kwvcard {

struct Record {
  int line = 0;  // the input line the record starts on
  std::vector<std::string> cells;
};

// Splits `text` into records as RFC 4180 reads it (quoted fields may hold
// commas, doubled quotes and line breaks; spaces are kept); blank lines are
// skipped. The first record is the header row. Throws std::runtime_error,
// naming `name`, the line and the column, when a quote is out of place or a
// quoted field is never closed.
std::vector<Record> read_records(const std::string& text, const std::string& name);

}  // namespace kwvcard

#endif
