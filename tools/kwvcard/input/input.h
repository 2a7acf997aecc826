// Reading the input: the CSV export as UTF-8 text, and UTF-8 checks.
#ifndef KWVCARD_TOOL_INPUT_H
#define KWVCARD_TOOL_INPUT_H

#include <cstdio>
#include <string>
#include <string_view>

namespace kwvcard {

// How messages name the input `path`: "standard input" for "-".
std::string input_name(const std::string& path);

// Reads the open stream `in` (named `name` in messages) whole and returns it
// as UTF-8 without a byte-order mark. The bytes are UTF-8 when `from_encoding`
// is empty, else text in that encoding, converted with iconv. Throws
// std::runtime_error naming the input line of the first byte that is not
// valid in its encoding.
std::string read_input(std::FILE* in, const std::string& name, const std::string& from_encoding);

// Length of the longest well-formed UTF-8 prefix of `s` (no overlong forms,
// surrogates or code points above U+10FFFF).
std::size_t valid_utf8_prefix(std::string_view s);

}  // namespace kwvcard

#endif
