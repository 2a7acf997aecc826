#include "card/line.h"

#include "qelstr.h"

namespace kwv {

namespace {

// Large enough for the widest line any operation composes (an address line).
constexpr std::size_t kMaxConvertCapacity = 6000;

}  // namespace

void add_charset_and_lang(Line& line, const char* charset, const char* lang) {
  // Both are the card's 40-byte fields, so comparing six bytes (the word and
  // its terminator) reads nothing beyond them.
  if (std::memcmp(charset, "ASCII", 6) != 0) line.add(";CHARSET=").add(charset);
  if (std::memcmp(lang, "en-US", 6) != 0) line.add(";LANGUAGE=").add(lang);
}

void compose_text_line(Line& line, const char* name, const char* charset, const char* lang,
                       const char* param, const char* value) {
  line.add(name);
  add_charset_and_lang(line, charset, lang);
  if (param != nullptr) line.add(";").add_value(param);
  line.add(":").add_value(value).add("\r\n");
}

void add_components(Line& line, const char* count, int max, std::size_t cut, std::va_list args) {
  int k = count ? static_cast<unsigned char>(count[0]) - '0' : 1;
  if (k < 1) k = 1;
  if (k > max) k = max;
  for (int i = 0; i < k; ++i) {
    const char* component = va_arg(args, char*);
    if (i > 0) line.add(";");
    if (component != nullptr) line.add_prefix(component, cut);
  }
}

bool is_gb2312(const char* charset) {
  static constexpr char kPrefix[] = "GB2312";
  for (std::size_t i = 0; i + 1 < sizeof kPrefix; ++i) {
    char c = charset[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kPrefix[i]) return false;  // also stops at the terminator
  }
  return true;
}

int emit(std::FILE* stream, const char* charset, const Line& line, std::size_t convert_capacity,
         const char* prefix) {
  if (line.overflowed()) return 0;
  const char* text = line.data();
  std::size_t len = line.size();
  char converted[kMaxConvertCapacity];
  if (is_gb2312(charset)) {
    if (convert_capacity > kMaxConvertCapacity) convert_capacity = kMaxConvertCapacity;
    // The converter is told no size, and reports the length it wrote; a result
    // that fills the buffer, terminator included, did not fit. (Its output is
    // never longer than its input, so with our converter every line fits.)
    const int n = qelstr_utf8_to_gb(converted, text);
    if (n < 0 || static_cast<std::size_t>(n) >= convert_capacity) return 0;
    text = converted;
    len = static_cast<std::size_t>(n);
  }
  if (prefix != nullptr) write_bytes(stream, prefix, std::strlen(prefix));
  return static_cast<int>(write_bytes(stream, text, len));
}

}  // namespace kwv
