// Internal: the one implementation behind both type sets. A set is a table of
// names with one flag byte each; the sets differ only in their tables.
#ifndef KWVCARD_SRC_TYPES_TYPE_TABLE_H
#define KWVCARD_SRC_TYPES_TYPE_TABLE_H

#include <cstddef>

namespace kwv {

struct TypeTable {
  unsigned char* flags;
  const char** names;
  std::size_t size;
  std::size_t work;  // index of WORK, the one type on by default
};

// Fills the name table and sets the default flags.
void init_types(const TypeTable& table, const char* const* names);

// Every flag off, then WORK on.
void set_default_types(const TypeTable& table);

// Sets the flag of the first entry whose name equals `type` upper-cased to
// `value`. A null, empty or unknown name changes nothing.
void set_type_flag(const TypeTable& table, const char* type, unsigned char value);

// Appends ";NAME" for every entry that is on, in table order.
void append_type_list(const TypeTable& table, char* line);

}  // namespace kwv

#endif
