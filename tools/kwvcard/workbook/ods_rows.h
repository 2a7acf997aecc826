// LibreOffice's ods spreadsheets: content.xml read as it is unzipped.
#ifndef KWVCARD_TOOL_ODS_ROWS_H
#define KWVCARD_TOOL_ODS_ROWS_H

#include <deque>
#include <memory>
#include <string>

#include "rows.h"
#include "workbook/zip_entry.h"

namespace kwvcard {

// The rows with text of the sheet named `sheet` (empty: the first), in
// order, each numbered by its row; a row repeated (number-rows-repeated) is
// given as often as it stands there. Throws std::runtime_error naming the
// sheets there are when `sheet` is not one of them.
class OdsRows : public Rows {
 public:
  OdsRows(std::shared_ptr<const Archive> archive, std::string name, std::string sheet);
  ~OdsRows() override;
  bool next(Record& record) override;

  class Content;
  struct Repeated {
    Record record;
    int times = 1;
  };

 private:
  std::shared_ptr<const Archive> archive_;
  std::deque<Repeated> ready_;
  std::unique_ptr<Content> content_;
  std::unique_ptr<XmlEntry> entry_;
};

// Throws std::runtime_error when the spreadsheet in `archive` (named `name`)
// is encrypted.
void check_ods(const Archive& archive, const std::string& name);

}  // namespace kwvcard

#endif
