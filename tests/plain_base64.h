// Plain base64, written independently of the library's encoder: what the
// tests and the fuzz targets compare attachments and LDIF values with.
#ifndef KWVCARD_TESTS_PLAIN_BASE64_H
#define KWVCARD_TESTS_PLAIN_BASE64_H

#include <cstdint>
#include <string>

namespace kwvtest {

inline std::string base64(const std::string& in) {
  static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (unsigned char c : in) {
    acc = (acc << 8) | c;
    for (bits += 8; bits >= 6;) out += abc[(acc >> (bits -= 6)) & 63];
  }
  if (bits > 0) out += abc[(acc << (6 - bits)) & 63];
  return out + std::string((4 - out.size() % 4) % 4, '=');
}

}  // namespace kwvtest

#endif
