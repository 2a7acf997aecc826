// The card object: file, settings and framing.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KwvCard.h"
#include "card/line.h"

namespace {

constexpr std::size_t kFieldSize = 40;  // charset and lang: 39 bytes of text

// Copies `text` into a 40-byte field, cut to 39 bytes; returns the bytes kept.
int store_field(char* field, const char* text) {
  const void* nul = std::memchr(text, '\0', kFieldSize - 1);
  const std::size_t n =
      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : kFieldSize - 1;
  std::memcpy(field, text, n);
  field[n] = '\0';
  return static_cast<int>(n);
}

// The card's stream is fully buffered in 16 KiB of its own, set before the
// first write, instead of the one stdio would allocate (the file system's block
// size, 4 KiB on most). Each write(2) to a file costs about as much as
// composing ten short lines, so a card with many lines pays a quarter of them;
// measured on x86-64 and armhf (bench/card_stream), 16 KiB takes most of what
// 64 KiB would, for a quarter of the memory. Setting the buffer also spares
// the fstat(2) stdio makes to size its own. glibc only: elsewhere stdio's
// default stays.
[[maybe_unused]] constexpr std::size_t kStreamBuffer = std::size_t{16} << 10;

void set_buffer(std::FILE* stream) {
#ifdef __GLIBC__
  char* buffer = static_cast<char*>(std::malloc(kStreamBuffer));
  if (buffer == nullptr || std::setvbuf(stream, buffer, _IOFBF, kStreamBuffer) != 0) {
    // Unbuffered, as stdio itself falls back when it cannot allocate one.
    std::free(buffer);
    std::setvbuf(stream, nullptr, _IONBF, 0);
  }
#else
  (void)stream;
#endif
}

// The buffer set_buffer gave `stream`, which fclose leaves to its owner; null
// when there is none (unbuffered, or stdio's own).
char* own_buffer(std::FILE* stream) {
#ifdef __GLIBC__
  // An unbuffered glibc stream writes through the one byte inside the FILE.
  return stream->_IO_buf_base == stream->_shortbuf ? nullptr : stream->_IO_buf_base;
#else
  (void)stream;
  return nullptr;
#endif
}

void write_text(std::FILE* stream, const char* text) {
  kwv::write_bytes(stream, text, std::strlen(text));
}

}  // namespace

KwvCard::KwvCard(char* path) : stream(nullptr), charset{}, lang{} {
  QEL_SetDefault();
  if (path == nullptr) return;
  stream = std::fopen(path, "wb");
  if (stream == nullptr) return;
  set_buffer(stream);
  write_text(stream, "BEGIN:VCARD\r\nVERSION:2.1\r\n");
}

KwvCard::~KwvCard() {
  // The stream stays open (only QEL_EndPacking closes it), and so keeps its
  // buffer; push out what the buffer holds so the lines written so far are in
  // the file.
  if (stream != nullptr) std::fflush(stream);
}

int KwvCard::QEL_SetDefault() {
  store_field(charset, "UTF-8");
  return store_field(lang, "en-US");
}

int KwvCard::QEL_ChangeCharSet(char* text) {
  return text ? store_field(charset, text) : 0;
}

int KwvCard::QEL_ChangeLang(char* text) {
  return text ? store_field(lang, text) : 0;
}

char* KwvCard::QEL_GetCharSet() {
  return charset;
}

char* KwvCard::QEL_GetLang() {
  return lang;
}

void KwvCard::QEL_AddCharLang(char* line) {
  if (line == nullptr) return;
  char buf[100];  // 9 + 39 + 10 + 39 characters at most, and the terminator
  kwv::Line params(buf, sizeof buf);
  kwv::add_charset_and_lang(params, charset, lang);
  std::memcpy(line + std::strlen(line), params.data(), params.size() + 1);
}

void KwvCard::QEL_EndPacking() {
  if (stream == nullptr) return;
  write_text(stream, "END:VCARD\r\n");
  char* buffer = own_buffer(stream);
  const int closed = std::fclose(stream);
  std::free(buffer);
  if (closed != 0) std::puts("Cannot close the file");
  stream = nullptr;
}
