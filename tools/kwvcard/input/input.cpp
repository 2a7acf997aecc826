#include "input/input.h"

#include <iconv.h>
#ifndef KWVCARD_NO_UCHARDET
#include <uchardet/uchardet.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace kwvcard {
namespace {

std::string read_all(std::FILE* in, const std::string& name) {
  std::string bytes;
  char block[1 << 16];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) bytes.append(block, n);
  if (std::ferror(in))
    throw std::runtime_error("cannot read " + name + ": " + std::strerror(errno));
  return bytes;
}

// The line holding byte `offset` of the UTF-8 `text`.
int line_of(const std::string& text, std::size_t offset) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

}  // namespace

std::size_t valid_utf8_prefix(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t len = c < 0x80 ? 1 : c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
    if (len == 0 || s.size() - i < len) return i;
    // The second byte's range narrows after E0, ED, F0 and F4.
    const unsigned lo = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const unsigned hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    for (std::size_t k = 1; k < len; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if (k == 1 ? (b < lo || b > hi) : (b & 0xC0) != 0x80) return i;
    }
    i += len;
  }
  return i;
}

namespace {

std::string convert(const std::string& bytes, const std::string& name, const std::string& from) {
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("unknown encoding " + from);
  std::unique_ptr<void, int (*)(iconv_t)> closer(cd, iconv_close);
  std::string out(bytes.size() * 4 + 16, '\0');  // UTF-8 needs at most 4 bytes a character
  char* in = const_cast<char*>(bytes.data());
  char* to = out.data();
  std::size_t in_left = bytes.size(), out_left = out.size();
  if (iconv(cd, &in, &in_left, &to, &out_left) == static_cast<std::size_t>(-1)) {
    out.resize(out.size() - out_left);
    throw std::runtime_error(name + ":" + std::to_string(line_of(out, out.size())) +
                             ": not valid " + from);
  }
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace

#ifdef KWVCARD_NO_UCHARDET
// Built without uchardet (the web page), the build supplies the guess: the
// encoding `text` seems to be in, empty when it cannot tell.
std::string guess_encoding(const std::string& text);
#else
namespace {

// The encoding uchardet takes `text` to be in; empty when it cannot tell.
std::string guess_encoding(const std::string& text) {
  std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> guess(uchardet_new(),
                                                                                 uchardet_delete);
  if (!guess || uchardet_handle_data(guess.get(), text.data(), text.size()) != 0) return "";
  uchardet_data_end(guess.get());
  return uchardet_get_charset(guess.get());
}

}  // namespace
#endif

std::string input_name(const std::string& path) {
  return path == "-" ? "standard input" : path;
}

std::string read_input(std::FILE* in, const std::string& name, const std::string& from_encoding,
                       std::string* detected) {
  std::string text = read_all(in, name);
  // Byte-order marks, longest first, and the encoding each names.
  static const struct {
    std::string_view mark;
    const char* encoding;
  } kMarks[] = {{"\xEF\xBB\xBF", "UTF-8"}, {"\xFF\xFE", "UTF-16LE"}, {"\xFE\xFF", "UTF-16BE"}};
  std::string encoding = from_encoding;
  for (const auto& m : kMarks) {
    if (!encoding.empty() || text.compare(0, m.mark.size(), m.mark) != 0) continue;
    encoding = m.encoding;
    text.erase(0, m.mark.size());
  }
  if (encoding.empty() && valid_utf8_prefix(text) < text.size()) {
    encoding = guess_encoding(text);
    if (encoding.empty() || encoding == "UTF-8" || encoding == "ASCII") {
      throw std::runtime_error(name + ":" + std::to_string(line_of(text, valid_utf8_prefix(text))) +
                               ": invalid UTF-8 (name the file's encoding with --from-encoding)");
    }
    if (detected != nullptr) *detected = encoding;
  }
  if (!encoding.empty() && encoding != "UTF-8") text = convert(text, name, encoding);
  const std::size_t valid = valid_utf8_prefix(text);
  if (valid < text.size()) {
    throw std::runtime_error(name + ":" + std::to_string(line_of(text, valid)) +
                             ": invalid UTF-8 (name the file's encoding with --from-encoding)");
  }
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);  // a mark inside the encoding
  return text;
}

char find_delimiter(std::string_view text) {
  char best = ',';
  std::size_t most = 0;
  for (const char delimiter : {',', ';', '\t'}) {
    bool quoted = false;
    std::size_t count = 0, lines = 0;
    for (std::size_t i = 0; i < text.size() && lines < 10; ++i) {
      const char c = text[i];
      if (c == '"') quoted = !quoted;
      if (quoted) continue;
      if (c == delimiter) ++count;
      if (c == '\n') {
        if (count > most) most = count, best = delimiter;
        lines += count > 0 || (i > 0 && text[i - 1] != '\n' && text[i - 1] != '\r');
        count = 0;
      }
    }
    if (count > most) most = count, best = delimiter;
  }
  return best;
}

}  // namespace kwvcard
