// Shared by the fuzz targets: reporting a failed check, files, and the UTF-8 to
// GB2312 conversion as qelstr.h documents it, written apart from the converter.
#ifndef KWVCARD_FUZZ_FUZZ_H
#define KWVCARD_FUZZ_FUZZ_H

#include <iconv.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kwvfuzz {

inline void check(bool ok, const char* what, const std::string& want, const std::string& got) {
  if (ok) return;
  std::fprintf(stderr, "%s\n want (%zu): [%s]\n got  (%zu): [%s]\n", what, want.size(),
               want.c_str(), got.size(), got.c_str());
  __builtin_trap();
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh directory for this process (in memory where there is /dev/shm),
// removed at exit.
inline std::string scratch_dir() {
  static std::string dir;
  std::string tmpl =
      std::filesystem::exists("/dev/shm") ? "/dev/shm/kwvfuzz-XXXXXX" : "/tmp/kwvfuzz-XXXXXX";
  dir = mkdtemp(tmpl.data());
  std::atexit([] { std::filesystem::remove_all(dir); });
  return dir;
}

// The length of the well-formed UTF-8 character at `s` (`n` > 0 bytes left),
// or, when there is none, minus the length of the maximal ill-formed
// subsequence there: the longest prefix that could still begin a character,
// at least one byte. A prefix can when the code points it may still become
// reach the scalar values of its length, surrogates excluded.
inline int utf8_length(const unsigned char* s, std::size_t n) {
  static const std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  static const std::uint32_t kMax[] = {0, 0x7F, 0x7FF, 0xFFFF, 0x10FFFF};
  const int len = s[0] < 0x80   ? 1
                  : s[0] < 0xC0 ? 0
                  : s[0] < 0xE0 ? 2
                  : s[0] < 0xF0 ? 3
                  : s[0] < 0xF8 ? 4
                                : 0;
  if (len == 1) return 1;
  std::uint32_t v = s[0] & (0x7Fu >> len);
  for (int k = 0; len > 0; v = v << 6 | (s[k] & 0x3F)) {
    const int rest = 6 * (len - 1 - k);
    const std::uint32_t lo = v << rest, hi = lo | ((1u << rest) - 1);
    if (hi < kMin[len] || lo > kMax[len] || (lo >= 0xD800 && hi <= 0xDFFF)) return k ? -k : -1;
    if (++k == len) return len;
    if (std::size_t(k) == n || (s[k] & 0xC0) != 0x80) return -k;
  }
  return -1;
}

// ASCII unchanged; each character through iconv on its own, '?' where iconv
// has no mapping (iconv drops the tag characters U+E0000..U+E007F); one '?' for
// each maximal ill-formed subsequence. False when the C library's iconv has no
// GB2312 and `in` is not all ASCII.
inline bool to_gb2312(const std::string& in, std::string& out) {
  static const iconv_t cd = iconv_open("GB2312", "UTF-8");
  out.clear();
  for (std::size_t i = 0; i < in.size();) {
    const int len = utf8_length(reinterpret_cast<const unsigned char*>(&in[i]), in.size() - i);
    if (len < 0 || len == 1) {
      out += len < 0 ? '?' : in[i];
      i += len < 0 ? -len : 1;
      continue;
    }
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    char buf[8], *src = const_cast<char*>(&in[i]), *dst = buf;
    std::size_t src_left = len, dst_left = sizeof buf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    const bool mapped = iconv(cd, &src, &src_left, &dst, &dst_left) != std::size_t(-1);
    out += mapped ? std::string(buf, dst) : "?";
    i += len;
  }
  return true;
}

}  // namespace kwvfuzz

#endif
