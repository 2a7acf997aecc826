// iconv for the page. Emscripten's C library converts only between Unicode
// forms, so this one stands in for it, with the converters kwvcard opens:
// - from any encoding the browser's TextDecoder knows, to UTF-8 (a text
//   export's --from-encoding, a vCard value's CHARSET), through kwvcard.decode
//   in pre.js, which keeps glibc's meaning where the two differ;
// - from UTF-8 to UTF-8, and to GB2312 with the library's own table (which
//   characters a card's charset holds).
// Every other conversion is unknown (iconv_open fails), so a card charset the
// page cannot write is refused, as the command refuses a charset iconv lacks.
#include <emscripten.h>
#include <iconv.h>
#include <qelstr.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Whether the browser's decoder knows the encoding `name`.
EM_JS(int, kw_decoder_known, (const char* name),
      { return Module.kwvcard.decoderKnown(UTF8ToString(name)) ? 1 : 0; });

// `n` bytes at `in` in the encoding `name`, as UTF-8 text in memory from
// malloc (its length in *out_n); *bad is where the first invalid sequence
// begins (the text then holds what comes before it), or -1.
EM_JS(char*, kw_decode,
      (const char* name, const char* bytes, std::size_t n, std::size_t* out_n, int* bad), {
        const result = Module.kwvcard.decode(UTF8ToString(name), HEAPU8.subarray(bytes, bytes + n));
        const text = new TextEncoder().encode(result.text);
        const out = _malloc(text.length + 1);
        HEAPU8.set(text, out);
        HEAPU32[out_n >> 2] = text.length;
        HEAP32[bad >> 2] = result.bad;
        return out;
      });

enum class Kind { Decode, Utf8, Gb2312 };

struct Converter {
  Kind kind;
  std::string from;
  std::string pending;  // decoded, not handed out yet
  std::size_t sent = 0;
  bool invalid = false;  // the input stopped at an invalid sequence
};

std::string upper(const char* name) {
  std::string s(name);
  for (char& c : s) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return s;
}

bool is_utf8(const std::string& name) {
  return name == "UTF-8" || name == "UTF8";
}

// The length of the UTF-8 sequence at `s` (`left` bytes there), 0 when invalid,
// -1 when cut short.
int sequence(const unsigned char* s, std::size_t left) {
  const unsigned c = s[0];
  const int len = c < 0x80 ? 1 : c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
  const unsigned lo = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
  const unsigned hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
  for (int k = 1; k < len; ++k) {
    if (static_cast<std::size_t>(k) >= left) return -1;
    if (k == 1 ? (s[k] < lo || s[k] > hi) : (s[k] & 0xC0) != 0x80) return 0;
  }
  return len;
}

std::size_t fail(int error) {
  errno = error;
  return static_cast<std::size_t>(-1);
}

// UTF-8 to UTF-8 or GB2312, a character at a time, as far as the output goes.
std::size_t encode(Converter& c, char** in, std::size_t* in_left, char** out,
                   std::size_t* out_left) {
  while (*in_left > 0) {
    const auto* s = reinterpret_cast<const unsigned char*>(*in);
    const int len = sequence(s, *in_left);
    if (len <= 0) return fail(len < 0 ? EINVAL : EILSEQ);
    char bytes[8] = {}, gb[8] = {};
    std::memcpy(bytes, s, static_cast<std::size_t>(len));
    const char* put = bytes;
    std::size_t size = static_cast<std::size_t>(len);
    if (c.kind == Kind::Gb2312 && len > 1) {
      qelstr_utf8_to_gb(gb, bytes);
      if (std::strcmp(gb, "?") == 0) return fail(EILSEQ);  // not in GB2312
      put = gb;
      size = std::strlen(gb);
    }
    if (size > *out_left) return fail(E2BIG);
    std::memcpy(*out, put, size);
    *out += size;
    *out_left -= size;
    *in += len;
    *in_left -= static_cast<std::size_t>(len);
  }
  return 0;
}

// Any encoding to UTF-8: the whole input decoded at the first call, then
// handed out as far as the output goes (E2BIG until it is all out).
std::size_t decode(Converter& c, char** in, std::size_t* in_left, char** out,
                   std::size_t* out_left) {
  if (c.sent == c.pending.size() && !c.invalid && *in_left > 0) {
    std::size_t n = 0;
    int bad = -1;
    char* text = kw_decode(c.from.c_str(), *in, *in_left, &n, &bad);
    c.pending.assign(text, n);
    c.sent = 0;
    std::free(text);
    const std::size_t used = bad < 0 ? *in_left : static_cast<std::size_t>(bad);
    *in += used;
    *in_left -= used;
    c.invalid = bad >= 0;
  }
  std::size_t n = std::min(c.pending.size() - c.sent, *out_left);
  if (n < c.pending.size() - c.sent) {  // whole characters only
    while (n > 0 && (static_cast<unsigned char>(c.pending[c.sent + n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(*out, c.pending.data() + c.sent, n);
  *out += n;
  *out_left -= n;
  c.sent += n;
  if (c.sent < c.pending.size()) return fail(E2BIG);
  c.pending.clear();
  c.sent = 0;
  if (c.invalid) {
    c.invalid = false;
    return fail(EILSEQ);
  }
  return 0;
}

}  // namespace

iconv_t iconv_open(const char* to, const char* from) {
  const std::string t = upper(to), f = upper(from);
  Kind kind;
  if (is_utf8(f) && is_utf8(t)) {
    kind = Kind::Utf8;
  } else if (is_utf8(f) && t.compare(0, 6, "GB2312") == 0) {
    kind = Kind::Gb2312;
  } else if (is_utf8(t) && kw_decoder_known(f.c_str())) {
    kind = Kind::Decode;
  } else {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  return reinterpret_cast<iconv_t>(new Converter{kind, f, {}});
}

std::size_t iconv(iconv_t cd, char** in, std::size_t* in_left, char** out, std::size_t* out_left) {
  Converter& c = *reinterpret_cast<Converter*>(cd);
  if (in == nullptr || *in == nullptr) {  // back to the initial state: nothing to write
    if (c.kind == Kind::Decode && out != nullptr && *out != nullptr && c.sent < c.pending.size()) {
      std::size_t none = 0;
      char* nothing = nullptr;
      return decode(c, &nothing, &none, out, out_left);
    }
    c.pending.clear();
    c.sent = 0;
    c.invalid = false;
    return 0;
  }
  return c.kind == Kind::Decode ? decode(c, in, in_left, out, out_left)
                                : encode(c, in, in_left, out, out_left);
}

int iconv_close(iconv_t cd) {
  delete reinterpret_cast<Converter*>(cd);
  return 0;
}
