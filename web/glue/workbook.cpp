// Workbooks in the page: recognised as the command recognises them
// (workbook/container.cpp), and refused, since the page is built without
// libzip, expat and freexl.
#include <stdexcept>

#include "workbook/workbook.h"

namespace kwvcard {

std::function<std::unique_ptr<Rows>()> open_workbook(Container, std::FILE*, const std::string& name,
                                                     const std::string&) {
  throw std::runtime_error(name +
                           ": a workbook (xlsx, ods or xls), which this page cannot read; "
                           "save the sheet as CSV and convert that");
}

}  // namespace kwvcard
