#include "writer/photo.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "writer/photo_internal.h"

namespace kwvcard {
namespace photo {

Size fitted(long long width, long long height, int max_side) {
  const long long longer = std::max(width, height);
  if (longer <= max_side) return {int(width), int(height)};
  const auto side = [&](long long n) {
    return int(std::max(1LL, (2 * n * max_side + longer) / (2 * longer)));
  };
  return {side(width), side(height)};
}

ShrunkPhoto refused(std::string error) {
  return {false, {}, std::move(error)};
}

std::string too_many_pixels(long long width, long long height) {
  return "the image is " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels, more than the 40 megapixels a photo may have";
}

std::string cannot_decode(std::string detail) {
  if (detail.empty()) return "cannot decode the image";
  if (detail.size() > 1 && !std::isupper(static_cast<unsigned char>(detail[1]))) {
    detail[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(detail[0])));
  }
  return "cannot decode the image (" + detail + ")";
}

}  // namespace photo

#ifdef KWVCARD_PHOTO_BROWSER
// Built for the web page, the browser decodes, shrinks and encodes the photo
// with its own image code (web/glue/photo_browser.cpp), to the same rules.
ShrunkPhoto shrink_in_browser(std::string_view image, int max_side);

ShrunkPhoto shrink_photo(std::string_view image, int max_side) {
  if (max_side < kMinPhotoSide || max_side > kMaxPhotoSide) {
    return photo::refused("the photo size must be 16 to 1024 pixels");
  }
  return shrink_in_browser(image, max_side);
}
#else
// JPEG and PNG images, nearly all of those a phone exports, are decoded by
// libjpeg-turbo and libpng (shrunk on load where JPEG allows), averaged down
// to their size, turned upright and encoded by libjpeg-turbo: no libvips
// pipeline and its threads for a photo of a few kilobytes. libvips takes the
// rest. JPEG and PNG are recognised by their first bytes as libvips does.
ShrunkPhoto shrink_photo(std::string_view image, int max_side) {
  using namespace photo;
  if (max_side < kMinPhotoSide || max_side > kMaxPhotoSide) {
    return refused("the photo size must be 16 to 1024 pixels");
  }
  const bool jpeg = image.substr(0, 2) == "\xFF\xD8";
  const bool png = image.substr(0, 8) == "\x89PNG\r\n\x1A\n";
  if (!jpeg && !png) return shrink_with_vips(image, max_side);
  Decoded decoded = jpeg ? decode_jpeg(image, max_side) : decode_png(image, max_side);
  if (decoded.use_vips) return shrink_with_vips(image, max_side);
  if (!decoded.error.empty()) return refused(std::move(decoded.error));
  Pixels pixels = shrunk(std::move(decoded.pixels), decoded.size);
  return encode_jpeg(upright(std::move(pixels), decoded.orientation));
}
#endif

}  // namespace kwvcard
