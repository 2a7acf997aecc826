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
// as UTF-8 without a byte-order mark. The encoding is, in this order:
// `from_encoding` when it is given; the one a byte-order mark names (UTF-8,
// UTF-16LE, UTF-16BE); UTF-8 when the bytes are valid UTF-8; else the one
// uchardet detects, which `detected` is set to (for the caller to say). Text
// in another encoding is converted with iconv. Throws std::runtime_error
// naming the input line of the first byte that is not valid in its encoding,
// or when no encoding could be told.
std::string read_input(std::FILE* in, const std::string& name, const std::string& from_encoding,
                       std::string* detected = nullptr);

// The cell separator of tabular text: ',', ';' or TAB, whichever occurs most
// (outside quotes) in a line among its first ten with text, ',' on a tie.
char find_delimiter(std::string_view text);

// Length of the longest well-formed UTF-8 prefix of `s` (no overlong forms,
// surrogates or code points above U+10FFFF).
std::size_t valid_utf8_prefix(std::string_view s);

}  // namespace kwvcard

#endif
