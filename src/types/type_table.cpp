#include "types/type_table.h"

#include <cctype>
#include <cstring>

namespace kwv {

namespace {

// Longer than every name in either table: a longer type can match nothing.
constexpr std::size_t kMaxName = 7;

}  // namespace

void init_types(const TypeTable& table, const char* const* names) {
  set_default_types(table);
  for (std::size_t i = 0; i < table.size; ++i) table.names[i] = names[i];
}

void set_default_types(const TypeTable& table) {
  std::memset(table.flags, 0, table.size);
  table.flags[table.work] = 1;
}

void set_type_flag(const TypeTable& table, const char* type, unsigned char value) {
  if (type == nullptr || type[0] == '\0') return;
  char upper[kMaxName + 1];
  std::size_t n = 0;
  for (; type[n] != '\0'; ++n) {
    if (n == kMaxName) return;
    upper[n] = static_cast<char>(std::toupper(static_cast<unsigned char>(type[n])));
  }
  upper[n] = '\0';
  for (std::size_t i = 0; i < table.size; ++i) {
    const char* name = table.names[i];
    if (name[0] == upper[0] && std::strcmp(upper, name) == 0) {
      table.flags[i] = value;
      return;
    }
  }
}

void append_type_list(const TypeTable& table, char* line) {
  if (line == nullptr) return;
  char* end = line + std::strlen(line);
  for (std::size_t i = 0; i < table.size; ++i) {
    if (table.flags[i] == 0) continue;
    *end++ = ';';
    const std::size_t len = std::strlen(table.names[i]);
    std::memcpy(end, table.names[i], len);
    end += len;
  }
  *end = '\0';
}

}  // namespace kwv
