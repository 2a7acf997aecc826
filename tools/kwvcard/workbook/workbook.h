// Workbooks as a sheet's rows: Excel's xlsx, LibreOffice's ods and old
// Excel's xls, each read with a library made for its container.
#ifndef KWVCARD_TOOL_WORKBOOK_H
#define KWVCARD_TOOL_WORKBOOK_H

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "rows.h"

namespace kwvcard {

enum class Container {
  None,
  Zip,   // xlsx or ods
  Ole2,  // xls, or an xlsx saved with a password
};

// What the open file `in` begins with; `in` is rewound.
Container container_of(std::FILE* in);

// Reads the workbook in the open file `in` (named `name` in messages) and
// returns what gives the rows of its sheet `sheet` (empty: the first), from
// the first row at each call. The workbook's shared parts are read once,
// here; the sheet itself at each read, as it is unzipped. Throws
// std::runtime_error, naming `name`, for a file that is not a workbook, is
// password-protected, or has no such sheet.
std::function<std::unique_ptr<Rows>()> open_workbook(Container container, std::FILE* in,
                                                     const std::string& name,
                                                     const std::string& sheet);

}  // namespace kwvcard

#endif
