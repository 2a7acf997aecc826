// UTF-8 to GB2312 (EUC-CN) through a table compiled into the library.
//
// The table (gb2312_table.h) is generated at build time by
// make_gb2312_table.py: two levels, a block number for every 64 code points of
// the BMP and the EUC-CN code of each code point in the block, 0 where GB2312
// lacks it. A lookup is two loads; there is no state, no allocation, no file
// and nothing from the environment, so the converter works the same on a system
// without iconv's conversion modules and from any number of threads at once.
//
// The output is the one glibc's iconv gives, character by character, with its
// errors replaced:
// - ASCII passes through unchanged;
// - each GB2312 character becomes its two EUC-CN bytes;
// - each character GB2312 lacks becomes one '?';
// - each maximal ill-formed UTF-8 subsequence (the usual Unicode practice)
//   becomes one '?';
// - the Unicode tag characters U+E0000..U+E007F, invisible language tags, are
//   dropped, as iconv drops them in every conversion.
// No UTF-8 sequence yields more bytes than it spans, so the output never grows.
#include <cstddef>
#include <cstdint>

#include "gb2312_table.h"
#include "qelstr.h"

namespace {

inline unsigned gb2312_code(std::uint32_t cp) {
  using namespace gb2312_table;
  if (cp > 0xFFFF) return 0;
  const std::size_t block = kBlockOf[cp >> kBlockBits];
  return kCodes[(block << kBlockBits) | (cp & ((1u << kBlockBits) - 1))];
}

inline bool in(unsigned char c, unsigned char lo, unsigned char hi) {
  return c >= lo && c <= hi;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int qelstr_utf8_to_gb(char* dest,
                                                                        const char* src) {
  const auto* p = reinterpret_cast<const unsigned char*>(src);
  auto* out = reinterpret_cast<unsigned char*>(dest);
  for (;;) {
    const unsigned char c = *p;
    if (c < 0x80) {
      if (c == 0) break;
      *out++ = c;
      ++p;
      continue;
    }
    // The common case first: a three-byte character whose lead byte takes
    // any continuation bytes (not E0, whose range excludes overlong forms, nor
    // ED, whose excludes surrogates): most of GB2312's characters are there.
    // The second byte is checked before the third is read, so no read passes
    // the terminator.
    if (c >= 0xE1 && c != 0xED) {
      const unsigned c1 = p[1] ^ 0x80u;
      if (c <= 0xEF && c1 < 0x40) {
        const unsigned c2 = p[2] ^ 0x80u;
        if (c2 < 0x40) {
          const unsigned code = gb2312_code((c & 0x0Fu) << 12 | c1 << 6 | c2);
          p += 3;
          if (code == 0) {
            *out++ = '?';
          } else {
            out[0] = static_cast<unsigned char>(code >> 8);
            out[1] = static_cast<unsigned char>(code);
            out += 2;
          }
          continue;
        }
      }
    }
    // Decode one character, or find the maximal ill-formed subsequence: the
    // lead byte and as many following bytes as could still begin a character.
    // The terminator is never a continuation byte, so no read passes it.
    std::uint32_t cp = 0;
    std::size_t len = 1;
    bool valid = false;
    if (in(c, 0xC2, 0xDF)) {
      if (in(p[1], 0x80, 0xBF)) {
        cp = (c & 0x1Fu) << 6 | (p[1] & 0x3Fu);
        len = 2;
        valid = true;
      }
    } else if (in(c, 0xE0, 0xEF)) {
      const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;  // overlong
      const unsigned char hi = c == 0xED ? 0x9F : 0xBF;  // surrogates
      if (in(p[1], lo, hi)) {
        len = 2;
        if (in(p[2], 0x80, 0xBF)) {
          cp = (c & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
          len = 3;
          valid = true;
        }
      }
    } else if (in(c, 0xF0, 0xF4)) {
      const unsigned char lo = c == 0xF0 ? 0x90 : 0x80;  // overlong
      const unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;  // beyond U+10FFFF
      if (in(p[1], lo, hi)) {
        len = 2;
        if (in(p[2], 0x80, 0xBF)) {
          len = 3;
          if (in(p[3], 0x80, 0xBF)) {
            cp = (c & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
            len = 4;
            valid = true;
          }
        }
      }
    }
    p += len;
    if (!valid) {
      *out++ = '?';
      continue;
    }
    if (cp >= 0xE0000 && cp <= 0xE007F) continue;  // a tag character: dropped
    const unsigned code = gb2312_code(cp);
    if (code == 0) {
      *out++ = '?';
    } else {
      out[0] = static_cast<unsigned char>(code >> 8);
      out[1] = static_cast<unsigned char>(code);
      out += 2;
    }
  }
  *out = '\0';
  return static_cast<int>(out - reinterpret_cast<unsigned char*>(dest));
}
