// Single-value text properties: one line each, NAME;params:value CR LF.
#include <cstdio>

#include "KwvCard.h"
#include "card/line.h"

using kwv::write_text_line;

namespace {

// Appends `value` as printf's "%0<width>d" writes it: a '-' when negative, then
// the digits, zero-padded so that sign and digits take at least `width`
// characters. (snprintf would cost more than the rest of the line.)
void add_padded(kwv::Line& line, int value, int width) {
  char text[16];
  char* end = text + sizeof text;
  char* p = end;
  auto magnitude = static_cast<unsigned>(value);
  if (value < 0) magnitude = 0u - magnitude;
  do {
    *--p = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const int sign = value < 0 ? 1 : 0;
  while (end - p + sign < width) *--p = '0';
  if (sign) *--p = '-';
  line.add(p, static_cast<std::size_t>(end - p));
}

}  // namespace

int KwvCard::QEL_AddTitle(char* title) {
  return write_text_line<800>(stream, charset, lang, "TITLE", nullptr, title);
}

int KwvCard::QEL_AddComment(char* note) {
  return write_text_line<1600>(stream, charset, lang, "NOTE", nullptr, note);
}

int KwvCard::QEL_AddURL(char* url) {
  return write_text_line<kwv::kUrlCapacity>(stream, charset, lang, "URL", nullptr, url);
}

int KwvCard::QEL_AddBusCat(char* role) {
  return write_text_line<500>(stream, charset, lang, "ROLE", nullptr, role);
}

int KwvCard::QEL_AddIM(char* im) {
  return write_text_line<500>(stream, charset, lang, "IM", nullptr, im);
}

int KwvCard::QEL_AddDepartment(const char* dept) {
  return write_text_line<800>(stream, charset, lang, "DEPARTMENT", nullptr, dept);
}

int KwvCard::QEL_AddAnniversary(const char* text) {
  return write_text_line<800>(stream, charset, lang, "X-ZEB-ANNIVERSARY", nullptr, text);
}

int KwvCard::QEL_AddSpouse(const char* name) {
  return write_text_line<800>(stream, charset, lang, "X-ZEB-SPOUSE", nullptr, name);
}

int KwvCard::QEL_AddChildren(const char* names) {
  return write_text_line<800>(stream, charset, lang, "X-ZEB-CHILD", nullptr, names);
}

int KwvCard::QEL_AddNickname(const char* name) {
  return write_text_line<800>(stream, charset, lang, "X-ZEB-NICKNAME", nullptr, name);
}

int KwvCard::QEL_AddManager(const char* name) {
  return write_text_line<800>(stream, charset, lang, "X-ZEB-MANAGER", nullptr, name);
}

int KwvCard::QEL_AddAssistant(const char* name) {
  return write_text_line<800>(stream, charset, lang, "X-ZEB-ASSISTANT", nullptr, name);
}

int KwvCard::QEL_AddEmail(char* type, char* address) {
  if (type == nullptr) return 0;
  return write_text_line<800>(stream, charset, lang, "EMAIL", type, address);
}

int KwvCard::QEL_AddEmail(char* address) {
  return write_text_line<800>(stream, charset, lang, "EMAIL", "INTERNET", address);
}

void KwvCard::QEL_AddBday(int day, int month, int year) {
  if (stream == nullptr) return;
  char buf[52];  // the longest line, three ten-digit negative numbers, is 42
  kwv::Line line(buf, sizeof buf);
  line.add("BDAY:");
  add_padded(line, year, 4);
  line.add("-");
  add_padded(line, month, 2);
  line.add("-");
  add_padded(line, day, 2);
  line.add("\r\n");
  kwv::emit(stream, charset, line, 800);
}
