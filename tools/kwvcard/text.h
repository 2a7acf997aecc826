// Small text helpers shared by kwvcard's readers and its card writer: ASCII
// case, the blanks around a value, a prefix in any case.
#ifndef KWVCARD_TOOL_TEXT_H
#define KWVCARD_TOOL_TEXT_H

#include <strings.h>

#include <cctype>
#include <string>
#include <string_view>

namespace kwvcard {

inline std::string upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

inline std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// `text` without the spaces and tabs around it.
inline std::string_view trim(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// Whether `text` starts with `prefix`, in any case.
inline bool starts_with_nocase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace kwvcard

#endif
