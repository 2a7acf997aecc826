// What a workbook file begins with: every build recognises workbooks, the web
// page's too, which then asks for CSV instead.
#include <cstring>

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

}  // namespace kwvcard
