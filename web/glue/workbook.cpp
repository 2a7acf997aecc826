// Workbooks in the page: recognised as the command recognises them, and
// refused, since the page is built without libzip, expat and freexl.
#include <cstring>
#include <stdexcept>

#include "workbook/workbook.h"

namespace kwvcard {

Container container_of(std::FILE* in) {
  unsigned char magic[8] = {};
  const std::size_t n = std::fread(magic, 1, sizeof magic, in);
  std::rewind(in);
  if (n >= 4 && std::memcmp(magic, "PK\x03\x04", 4) == 0) return Container::Zip;
  if (n == 8 && std::memcmp(magic, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0)
    return Container::Ole2;
  return Container::None;
}

std::function<std::unique_ptr<Rows>()> open_workbook(Container, std::FILE*, const std::string& name,
                                                     const std::string&) {
  throw std::runtime_error(name +
                           ": a workbook (xlsx, ods or xls), which this page cannot read; "
                           "save the sheet as CSV and convert that");
}

}  // namespace kwvcard
