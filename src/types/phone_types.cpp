// Telephone types for TEL lines, in the order they are written: WORK and HOME
// come last.
#include <iterator>

#include "KwPhone_Type.h"
#include "types/type_table.h"

namespace phone_type {

namespace {

constexpr const char* kNames[] = {"PREF",  "VOICE", "FAX",  "MSG",   "CELL", "PAGER", "BBS",
                                  "MODEM", "CAR",   "ISDN", "VIDEO", "VOIP", "WORK",  "HOME"};
constexpr std::size_t kWork = 12;

kwv::TypeTable table(unsigned char* flags, const char** names) {
  return {flags, names, std::size(kNames), kWork};
}

}  // namespace

KwPhone_Type::KwPhone_Type() : flags{}, names{} {
  kwv::init_types(table(flags, names), kNames);
}

void KwPhone_Type::QEL_SetDefault() {
  kwv::set_default_types(table(flags, names));
}

void KwPhone_Type::QEL_SetType(char* type) {
  kwv::set_type_flag(table(flags, names), type, 1);
}

void KwPhone_Type::QEL_ResetType(char* type) {
  kwv::set_type_flag(table(flags, names), type, 0);
}

void KwPhone_Type::QEL_TypeListGenerate(char* line) {
  kwv::append_type_list(table(flags, names), line);
}

}  // namespace phone_type
