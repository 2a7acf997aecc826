// The card object: file, settings and framing.
#include <cstdio>
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

void write_text(std::FILE* stream, const char* text) {
  kwv::write_bytes(stream, text, std::strlen(text));
}

}  // namespace

KwvCard::KwvCard(char* path) : stream(nullptr), charset{}, lang{} {
  QEL_SetDefault();
  if (path == nullptr) return;
  stream = std::fopen(path, "wb");
  if (stream != nullptr) write_text(stream, "BEGIN:VCARD\r\nVERSION:2.1\r\n");
}

KwvCard::~KwvCard() {
  // The stream stays open (only QEL_EndPacking closes it); push out what the
  // stdio buffer holds so the lines written so far are in the file.
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
  if (std::fclose(stream) != 0) std::puts("Cannot close the file");
  stream = nullptr;
}
