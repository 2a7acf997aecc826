// N, ORG and ADR from counted component lists; TEL; the type flag operations.
#include <cstdarg>
#include <cstdint>

#include "KwvCard.h"
#include "card/line.h"

namespace {

constexpr std::size_t kWhole = SIZE_MAX;  // components written whole
constexpr std::size_t kAddressComponentLimit = 285;

// NAME;<charset/language>[<types>]:<components> CR LF, composed in a buffer
// of `Capacity` bytes and written by emit.
template <std::size_t Capacity>
int write_components(std::FILE* stream, const char* charset, const char* lang, const char* name,
                     const char* types, const char* count, int max, std::size_t cut,
                     std::va_list args) {
  if (stream == nullptr) return 0;
  char buf[Capacity];
  kwv::Line line(buf, Capacity);
  line.add(name);
  kwv::add_charset_and_lang(line, charset, lang);
  if (types != nullptr) line.add(types);
  line.add(":");
  kwv::add_components(line, count, max, cut, args);
  line.add("\r\n");
  return kwv::emit(stream, charset, line);
}

}  // namespace

int KwvCard::QEL_AddName(char* count, ...) {
  std::va_list args;
  va_start(args, count);
  const int n = write_components<200>(stream, charset, lang, "N", nullptr, count, 5, kWhole, args);
  va_end(args);
  return n;
}

int KwvCard::QEL_AddOrg(char* count, ...) {
  std::va_list args;
  va_start(args, count);
  const int n =
      write_components<800>(stream, charset, lang, "ORG", nullptr, count, 3, kWhole, args);
  va_end(args);
  return n;
}

int KwvCard::QEL_AddAddress(char* count, ...) {
  char types[40] = "";  // six types take at most 33 characters
  addrTypes.QEL_TypeListGenerate(types);
  std::va_list args;
  va_start(args, count);
  const int n = write_components<6000>(stream, charset, lang, "ADR", types, count, 7,
                                       kAddressComponentLimit, args);
  va_end(args);
  return n;
}

int KwvCard::QEL_AddTel(char* number) {
  if (stream == nullptr || number == nullptr) return 0;
  char types[80] = "";  // fourteen types take at most 70 characters
  phoneTypes.QEL_TypeListGenerate(types);
  char buf[100];
  kwv::Line line(buf, sizeof buf);
  line.add("TEL").add(types).add(":").add_value(number).add("\r\n");
  return kwv::emit(stream, charset, line);
}

void KwvCard::QEL_SetAddressType(char* type) {
  addrTypes.QEL_SetType(type);
}

void KwvCard::QEL_ResetAddressType(char* type) {
  addrTypes.QEL_ResetType(type);
}

void KwvCard::QEL_SetDefaultAddressType() {
  addrTypes.QEL_SetDefault();
}

void KwvCard::QEL_SetTelType(char* type) {
  phoneTypes.QEL_SetType(type);
}

void KwvCard::QEL_ResetTelType(char* type) {
  phoneTypes.QEL_ResetType(type);
}

void KwvCard::QEL_SetDefaultTelType() {
  phoneTypes.QEL_SetDefault();
}
