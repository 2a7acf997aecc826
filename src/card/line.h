// Internal: composing a property line in a fixed buffer and writing it.
#ifndef KWVCARD_SRC_CARD_LINE_H
#define KWVCARD_SRC_CARD_LINE_H

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kwv {

// Hands `n` bytes to the card's stream; returns the count the stream accepted.
// The stream belongs to its card and a card is used by one thread at a time,
// so the stream's lock is not taken (it costs as much as a short line's
// composing).
inline std::size_t write_bytes(std::FILE* stream, const void* bytes, std::size_t n) {
  return fwrite_unlocked(bytes, 1, n, stream);
}

// Appends text to a caller-supplied buffer of fixed capacity, keeping it
// NUL-terminated and remembering its length, so no append rescans the buffer.
// Text that does not fit marks the line as overflowed; an overflowed line is
// never written.
class Line {
 public:
  Line(char* buf, std::size_t capacity) : buf_(buf), cap_(capacity) { buf_[0] = '\0'; }

  // Appends the library's own NUL-terminated text.
  Line& add(const char* s) { return add(s, std::strlen(s)); }

  // Appends the caller's NUL-terminated text, however long: it is read no
  // further than the room left.
  Line& add_value(const char* s) { return add_prefix(s, SIZE_MAX); }

  // Appends the first `n` bytes of `s` (`s` holds at least `n` bytes).
  Line& add(const char* s, std::size_t n) {
    if (overflow_ || n >= cap_ - len_) {
      overflow_ = true;
      return *this;
    }
    std::memcpy(buf_ + len_, s, n);
    len_ += n;
    buf_[len_] = '\0';
    return *this;
  }

  // Appends at most the first `max` bytes of the NUL-terminated `s`, reading
  // no further into `s` than the room left.
  Line& add_prefix(const char* s, std::size_t max) {
    const std::size_t room = cap_ - len_;
    const std::size_t scan = max < room ? max : room;
    const void* nul = std::memchr(s, '\0', scan);
    // Without a terminator in reach, `scan` bytes are taken: all `max` of them,
    // or as many as the room, which overflows.
    return add(s, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - s) : scan);
  }

  const char* data() const { return buf_; }
  std::size_t size() const { return len_; }
  std::size_t capacity() const { return cap_; }
  bool overflowed() const { return overflow_; }

 private:
  char* buf_;
  std::size_t cap_;
  std::size_t len_ = 0;
  bool overflow_ = false;
};

// Appends ";CHARSET=<charset>" unless the charset is exactly "ASCII", then
// ";LANGUAGE=<lang>" unless the language is exactly "en-US".
// `charset` and `lang` are the card's fields (at least six bytes each).
void add_charset_and_lang(Line& line, const char* charset, const char* lang);

// Composes  NAME;<charset/language parameters>[;<param>]:<value> CR LF.
// `param` may be null (no extra parameter).
void compose_text_line(Line& line, const char* name, const char* charset, const char* lang,
                       const char* param, const char* value);

// Component lists of N, ORG and ADR: reads the count from the first byte of
// `count` (clamped to 1..`max`; a null `count` counts as 1), then that many
// char* arguments from `args`, and appends them joined by ";", each cut to its
// first `cut` bytes. A null component is an empty one.
void add_components(Line& line, const char* count, int max, std::size_t cut, std::va_list args);

// True when `charset` starts with "GB2312", ignoring ASCII case.
bool is_gb2312(const char* charset);

// The one routine that writes a text property line: refuses an overflowed
// line, converts it to GB2312 when `charset` asks for it (into a buffer of
// `convert_capacity` bytes, refusing a conversion that does not fit), and hands
// it to `stream` in a single fwrite. Returns the bytes the stream accepted, or
// 0 when the line was refused. A non-null `prefix` is written unconverted just
// before an accepted line, in its own write, and is not counted in the result.
int emit(std::FILE* stream, const char* charset, const Line& line, std::size_t convert_capacity,
         const char* prefix = nullptr);

inline int emit(std::FILE* stream, const char* charset, const Line& line) {
  return emit(stream, charset, line, line.capacity());
}

// Composes one text line (see compose_text_line) in a buffer of `Capacity`
// bytes and writes it with emit, `prefix` before it. Nothing without a stream
// or a value.
template <std::size_t Capacity>
int write_text_line(std::FILE* stream, const char* charset, const char* lang, const char* name,
                    const char* param, const char* value, const char* prefix = nullptr) {
  if (stream == nullptr || value == nullptr) return 0;
  char buf[Capacity];
  Line line(buf, Capacity);
  compose_text_line(line, name, charset, lang, param, value);
  return emit(stream, charset, line, Capacity, prefix);
}

// The URL line, which the photo and sound references also write.
constexpr std::size_t kUrlCapacity = 800;

}  // namespace kwv

#endif
