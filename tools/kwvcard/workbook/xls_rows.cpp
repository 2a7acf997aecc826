#include "workbook/xls_rows.h"

#include <freexl.h>

#include <cstdio>
#include <stdexcept>

#include "workbook/cells.h"

namespace kwvcard {
namespace {

// Whether the file at `path` holds a stream named EncryptionInfo, as an
// xlsx saved with a password does (its name in UTF-16LE in the directory).
bool has_encryption_info(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  const std::string name("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28);
  std::string window;
  char block[1 << 16];
  bool found = false;
  for (std::size_t n; !found && (n = std::fread(block, 1, sizeof block, f)) > 0;) {
    window.append(block, n);
    found = window.find(name) != std::string::npos;
    window.erase(0, window.size() - name.size());
  }
  std::fclose(f);
  return found;
}

}  // namespace

XlsBook::XlsBook(const std::string& path, const std::string& name, const std::string& sheet) {
  const std::string password = name + ": password-protected: save it without a password";
  if (has_encryption_info(path)) throw std::runtime_error(password);
  const int status = freexl_open(path.c_str(), &handle_);
  if (status != FREEXL_OK) {
    freexl_close(handle_);
    handle_ = nullptr;
    throw std::runtime_error(name + ": not a valid xls workbook (libfreexl cannot read it: error " +
                             std::to_string(status) + ")");
  }
  unsigned info = 0;
  if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
      info == FREEXL_BIFF_OBFUSCATED) {
    freexl_close(handle_);
    throw std::runtime_error(password);
  }
  unsigned count = 0;
  freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count);
  std::string names;
  unsigned short index = 0;
  for (; index < count; ++index) {
    const char* sheet_name = nullptr;
    if (freexl_get_worksheet_name(handle_, index, &sheet_name) != FREEXL_OK) sheet_name = "";
    if (sheet.empty() || sheet == sheet_name) break;
    names += (names.empty() ? "\"" : ", \"") + std::string(sheet_name) + "\"";
  }
  if (index == count || freexl_select_active_worksheet(handle_, index) != FREEXL_OK ||
      freexl_worksheet_dimensions(handle_, &rows_, &columns_) != FREEXL_OK) {
    freexl_close(handle_);
    if (sheet.empty() || count == 0)
      throw std::runtime_error(name + ": not a valid xls workbook (no sheet to read)");
    throw std::runtime_error(name + ": no sheet named \"" + sheet + "\" (its sheets: " + names +
                             ")");
  }
}

XlsBook::~XlsBook() {
  freexl_close(handle_);
}

bool XlsRows::next(Record& record) {
  for (; row_ < book_->rows(); ++row_) {
    record = Record{};
    record.line = static_cast<int>(row_ + 1);
    for (unsigned short c = 0; c < book_->columns(); ++c) {
      FreeXL_CellValue v{};
      if (freexl_get_cell_value(book_->handle(), row_, c, &v) != FREEXL_OK) continue;
      std::string text;
      const bool has_text = v.value.text_value != nullptr;
      switch (has_text || v.type == FREEXL_CELL_INT || v.type == FREEXL_CELL_DOUBLE ? v.type : 0) {
        case FREEXL_CELL_INT:
          text = std::to_string(v.value.int_value);
          break;
        case FREEXL_CELL_DOUBLE:
          text = number_text(v.value.double_value);
          break;
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
          text = std::string(v.value.text_value).substr(0, 10);
          break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_TIME:
          text = v.value.text_value;
          break;
        default:
          break;
      }
      put_cell(record, c, text);
    }
    if (record.has_text()) {
      ++row_;
      return true;
    }
  }
  return false;
}

}  // namespace kwvcard
