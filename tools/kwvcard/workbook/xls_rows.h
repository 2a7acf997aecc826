// Old Excel's xls workbooks, through libfreexl.
#ifndef KWVCARD_TOOL_XLS_ROWS_H
#define KWVCARD_TOOL_XLS_ROWS_H

#include <memory>
#include <string>

#include "rows.h"

namespace kwvcard {

// An open xls workbook, its sheet chosen.
class XlsBook {
 public:
  // Opens the workbook at `path` (named `name` in messages) and chooses the
  // sheet named `sheet` (empty: the first). Throws std::runtime_error when it
  // is not a workbook freexl reads, is password-protected (an encrypted xlsx
  // too: an OLE2 file holding an EncryptionInfo stream), or has no such sheet.
  XlsBook(const std::string& path, const std::string& name, const std::string& sheet);
  ~XlsBook();
  XlsBook(const XlsBook&) = delete;
  XlsBook& operator=(const XlsBook&) = delete;

  const void* handle() const { return handle_; }
  unsigned rows() const { return rows_; }
  unsigned short columns() const { return columns_; }

 private:
  const void* handle_ = nullptr;
  unsigned rows_ = 0;
  unsigned short columns_ = 0;
};

// The chosen sheet's rows with text, in order, each numbered by its row.
class XlsRows : public Rows {
 public:
  explicit XlsRows(std::shared_ptr<const XlsBook> book) : book_(std::move(book)) {}
  bool next(Record& record) override;

 private:
  std::shared_ptr<const XlsBook> book_;
  unsigned row_ = 0;
};

}  // namespace kwvcard

#endif
