// Excel's xlsx workbooks (as Excel, LibreOffice and openpyxl write them): the
// sheet's XML read as it is unzipped, the workbook's other parts once.
#ifndef KWVCARD_TOOL_XLSX_ROWS_H
#define KWVCARD_TOOL_XLSX_ROWS_H

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "rows.h"
#include "workbook/zip_entry.h"

namespace kwvcard {

// What every read of one sheet needs: the shared strings (held whole, as the
// format requires), which cell styles show dates, the date system and where
// the sheet is.
struct XlsxBook {
  std::unique_ptr<Archive> archive;
  std::vector<std::string> shared;
  std::vector<bool> date_styles;  // by the cell's s="N"
  bool date1904 = false;
  std::string sheet_entry;
};

// Reads the parts of the xlsx workbook in `archive`; `sheet` names the sheet
// (empty: the first). Throws std::runtime_error naming the workbook when a
// part is missing or broken, and the sheets there are when `sheet` is not
// one of them.
std::shared_ptr<const XlsxBook> read_xlsx(std::unique_ptr<Archive> archive, const std::string& name,
                                          const std::string& sheet);

// The rows of the sheet with text, in order, each numbered by its row.
class XlsxRows : public Rows {
 public:
  explicit XlsxRows(std::shared_ptr<const XlsxBook> book);
  ~XlsxRows() override;
  bool next(Record& record) override;

  class Sheet;

 private:
  std::shared_ptr<const XlsxBook> book_;
  std::deque<Record> ready_;
  std::unique_ptr<Sheet> sheet_;
  std::unique_ptr<XmlEntry> entry_;
};

}  // namespace kwvcard

#endif
