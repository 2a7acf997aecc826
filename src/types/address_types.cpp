// Address types for ADR lines, in the order they are written.
#include <iterator>

#include "KwAddr_Type.h"
#include "types/type_table.h"

namespace addr_type {

namespace {

constexpr const char* kNames[] = {"DOM", "INTL", "POSTAL", "PARCEL", "HOME", "WORK"};
constexpr std::size_t kWork = 5;

kwv::TypeTable table(unsigned char* flags, const char** names) {
  return {flags, names, std::size(kNames), kWork};
}

}  // namespace

KwAddr_Type::KwAddr_Type() : flags{}, names{} {
  kwv::init_types(table(flags, names), kNames);
}

void KwAddr_Type::QEL_SetDefault() {
  kwv::set_default_types(table(flags, names));
}

void KwAddr_Type::QEL_SetType(char* type) {
  kwv::set_type_flag(table(flags, names), type, 1);
}

void KwAddr_Type::QEL_ResetType(char* type) {
  kwv::set_type_flag(table(flags, names), type, 0);
}

void KwAddr_Type::QEL_TypeListGenerate(char* line) {
  kwv::append_type_list(table(flags, names), line);
}

}  // namespace addr_type
