// Single-value text properties: one line each, NAME;params:value CR LF.
#include <cstdio>

#include "KwvCard.h"
#include "card/line.h"

namespace {

// Composes and writes one text line in a buffer of `Capacity` bytes.
template <std::size_t Capacity>
int write_line(std::FILE* stream, const char* charset, const char* lang, const char* name,
               const char* param, const char* value) {
  if (stream == nullptr || value == nullptr) return 0;
  char buf[Capacity];
  kwv::Line line(buf, Capacity);
  kwv::compose_text_line(line, name, charset, lang, param, value);
  return kwv::emit(stream, charset, line);
}

}  // namespace

int KwvCard::QEL_AddTitle(char* title) {
  return write_line<800>(stream, charset, lang, "TITLE", nullptr, title);
}

int KwvCard::QEL_AddComment(char* note) {
  return write_line<1600>(stream, charset, lang, "NOTE", nullptr, note);
}

int KwvCard::QEL_AddURL(char* url) {
  return write_line<800>(stream, charset, lang, "URL", nullptr, url);
}

int KwvCard::QEL_AddBusCat(char* role) {
  return write_line<500>(stream, charset, lang, "ROLE", nullptr, role);
}

int KwvCard::QEL_AddIM(char* im) {
  return write_line<500>(stream, charset, lang, "IM", nullptr, im);
}

int KwvCard::QEL_AddDepartment(const char* dept) {
  return write_line<800>(stream, charset, lang, "DEPARTMENT", nullptr, dept);
}

int KwvCard::QEL_AddAnniversary(const char* text) {
  return write_line<800>(stream, charset, lang, "X-ZEB-ANNIVERSARY", nullptr, text);
}

int KwvCard::QEL_AddSpouse(const char* name) {
  return write_line<800>(stream, charset, lang, "X-ZEB-SPOUSE", nullptr, name);
}

int KwvCard::QEL_AddChildren(const char* names) {
  return write_line<800>(stream, charset, lang, "X-ZEB-CHILD", nullptr, names);
}

int KwvCard::QEL_AddNickname(const char* name) {
  return write_line<800>(stream, charset, lang, "X-ZEB-NICKNAME", nullptr, name);
}

int KwvCard::QEL_AddManager(const char* name) {
  return write_line<800>(stream, charset, lang, "X-ZEB-MANAGER", nullptr, name);
}

int KwvCard::QEL_AddAssistant(const char* name) {
  return write_line<800>(stream, charset, lang, "X-ZEB-ASSISTANT", nullptr, name);
}

int KwvCard::QEL_AddEmail(char* type, char* address) {
  if (type == nullptr) return 0;
  return write_line<800>(stream, charset, lang, "EMAIL", type, address);
}

int KwvCard::QEL_AddEmail(char* address) {
  return write_line<800>(stream, charset, lang, "EMAIL", "INTERNET", address);
}

void KwvCard::QEL_AddBday(int day, int month, int year) {
  if (stream == nullptr) return;
  char text[52];  // the longest line, three ten-digit negative numbers, is 42
  const int n =
      std::snprintf(text, sizeof text, "%s%04d-%02d-%02d%s", "BDAY:", year, month, day, "\r\n");
  char buf[sizeof text];
  kwv::Line line(buf, sizeof buf);
  line.add(text, static_cast<std::size_t>(n));
  kwv::emit(stream, charset, line, 800);
}
