// Reading the CSV input as UTF-8 text.
#ifndef KWVCARD_TOOL_INPUT_H
#define KWVCARD_TOOL_INPUT_H

#include <string>

namespace kwvcard {

// How messages name the input `path`: "standard input" for "-".
std::string input_name(const std::string& path);

// Reads `path` ("-": standard input) whole and returns it as UTF-8 without a
// byte-order mark. The bytes are UTF-8 when `from_encoding` is empty, else text
// in that encoding, converted with iconv. Throws std::runtime_error naming the
// input line of the first byte that is not valid in its encoding.
std::string read_input(const std::string& path, const std::string& from_encoding);

}  // namespace kwvcard

#endif
