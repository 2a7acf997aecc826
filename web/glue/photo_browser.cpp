// Photos shrunk in the page by the browser's own image code. Decoding and
// encoding images there is asynchronous, and the tool's call is not: the page
// runs a conversion with photos to shrink twice. In the first run each photo
// is looked up, missing, and queued (kwvcard.shrunk in pre.js); the worker
// then shrinks the queued photos with createImageBitmap and OffscreenCanvas,
// and the second run finds every one of them.
#include <emscripten.h>

#include <cstdlib>
#include <string>

#include "writer/photo.h"

namespace {

// The photo `image` (`n` bytes) shrunk to `max_side`: 1 and the JPEG image,
// 0 and why not, -1 (nothing) when it is queued; in memory from malloc.
EM_JS(int, kw_shrunk,
      (const char* image, std::size_t n, int max_side, char** out, std::size_t* out_n), {
        const found = Module.kwvcard.shrunk(HEAPU8.subarray(image, image + n), max_side);
        if (!found) return -1;
        const bytes = found.jpeg || new TextEncoder().encode(found.error);
        const p = _malloc(bytes.length + 1);
        HEAPU8.set(bytes, p);
        HEAPU32[out >> 2] = p;
        HEAPU32[out_n >> 2] = bytes.length;
        return found.jpeg ? 1 : 0;
      });

}  // namespace

namespace kwvcard {

ShrunkPhoto shrink_in_browser(std::string_view image, int max_side) {
  char* out = nullptr;
  std::size_t n = 0;
  const int found = kw_shrunk(image.data(), image.size(), max_side, &out, &n);
  if (found < 0) return {false, {}, "queued for the browser to shrink"};
  std::string bytes(out, n);
  std::free(out);
  if (found == 0) return {false, {}, std::move(bytes)};
  return {true, std::move(bytes), {}};
}

}  // namespace kwvcard
