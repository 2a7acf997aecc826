// UTF-8 to GB2312 (EUC-CN) over iconv, one descriptor per thread.
//
// ASCII passes through unchanged, so a line of plain ASCII never reaches iconv.
// Runs of well-formed UTF-8 go to iconv in one call; a character GB2312 lacks
// becomes '?'. Ill-formed input is replaced by one '?' per maximal ill-formed
// subsequence (the usual Unicode practice), so the output never grows.
#include "qelstr.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>

namespace {

class Converter {
 public:
  Converter() : cd_(iconv_open("GB2312", "UTF-8")) {}
  ~Converter() {
    if (usable()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

thread_local Converter tls_converter;

struct Step {
  std::size_t len;  // bytes this character, or this ill-formed piece, spans
  bool valid;
};

// Classifies the UTF-8 sequence starting at a non-ASCII byte. A NUL byte is
// never a continuation byte, so this never reads past the terminator.
Step utf8_step(const unsigned char* s) {
  const unsigned char c = s[0];
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    need = 1;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 2;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 3;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // beyond U+10FFFF
  } else {
    return {1, false};
  }
  for (std::size_t i = 1; i <= need; ++i) {
    if (s[i] < lo || s[i] > hi) return {i, false};
    lo = 0x80;
    hi = 0xBF;
  }
  return {need + 1, true};
}

// Converts the well-formed run [in, in + len) and returns the new output end.
char* convert_run(const char* in, std::size_t len, char* out) {
  if (!tls_converter.usable()) {
    // No GB2312 table on this system: keep ASCII, mark everything else.
    const auto* p = reinterpret_cast<const unsigned char*>(in);
    const auto* end = p + len;
    while (p < end) {
      if (*p < 0x80) {
        *out++ = static_cast<char>(*p++);
      } else {
        *out++ = '?';
        p += utf8_step(p).len;
      }
    }
    return out;
  }
  iconv_t cd = tls_converter.get();
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in);
  std::size_t src_left = len;
  std::size_t out_left = len;  // GB2312 never needs more bytes than UTF-8
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &out, &out_left) != static_cast<std::size_t>(-1)) break;
    // The run is well-formed, so iconv stopped at a character GB2312 lacks.
    // The output budget never runs out before the input does; should it, stop.
    if (out_left == 0) break;
    const std::size_t skip = utf8_step(reinterpret_cast<unsigned char*>(src)).len;
    *out++ = '?';
    --out_left;
    src += skip;
    src_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int qelstr_utf8_to_gb(char* dest,
                                                                        const char* src) {
  const auto* p = reinterpret_cast<const unsigned char*>(src);
  char* out = dest;
  while (*p != 0) {
    while (*p != 0 && *p < 0x80) *out++ = static_cast<char>(*p++);
    if (*p == 0) break;
    const unsigned char* run = p;
    Step step{0, true};
    while (*p != 0) {
      if (*p < 0x80) {
        ++p;
        continue;
      }
      step = utf8_step(p);
      if (!step.valid) break;
      p += step.len;
    }
    if (p > run) {
      out = convert_run(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run), out);
    }
    if (*p != 0 && !step.valid) {
      *out++ = '?';
      p += step.len;
    }
  }
  *out = '\0';
  return static_cast<int>(out - dest);
}
