// A text export's encoding, when it is not UTF-8, guessed in the page without
// uchardet: kwvcard.guessEncoding in pre.js tries the browser's decoders.
#include <emscripten.h>

#include <string>

namespace {

// The encoding's name (as uchardet names it), or empty, in memory from malloc.
EM_JS(char*, kw_guess_encoding, (const char* text, std::size_t n), {
  const name = Module.kwvcard.guessEncoding(HEAPU8.subarray(text, text + n));
  const bytes = new TextEncoder().encode(name);
  const out = _malloc(bytes.length + 1);
  HEAPU8.set(bytes, out);
  HEAPU8[out + bytes.length] = 0;
  return out;
});

}  // namespace

namespace kwvcard {

std::string guess_encoding(const std::string& text) {
  char* name = kw_guess_encoding(text.data(), text.size());
  std::string guess(name);
  free(name);
  return guess;
}

}  // namespace kwvcard
