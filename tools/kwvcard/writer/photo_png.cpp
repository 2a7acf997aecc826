// PNG decoding with libpng's simplified API, and the two chunks it does not
// tell about: eXIf (the EXIF orientation) and iCCP (a colour profile).
#include <png.h>

#include <cstdint>
#include <string>

#include "writer/photo_internal.h"

namespace kwvcard::photo {
namespace {

struct Chunks {
  bool profile = false;   // an iCCP chunk
  std::string_view exif;  // the first eXIf chunk's data
};

std::uint32_t be32(std::string_view s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

// Walks the chunks after the signature, each its data's length (4 bytes,
// big-endian), type (4), data and CRC (4), up to IEND or where the file ends
// early. Checking them is libpng's work.
Chunks chunks(std::string_view png) {
  Chunks found;
  for (std::size_t at = 8; png.size() - at >= 12;) {
    const std::uint32_t length = be32(png, at);
    const std::string_view type = png.substr(at + 4, 4);
    if (type == "IEND" || length > png.size() - at - 12) break;
    if (type == "iCCP") found.profile = true;
    if (type == "eXIf" && found.exif.empty()) found.exif = png.substr(at + 8, length);
    at += 12 + std::size_t(length);
  }
  return found;
}

struct Freed {
  png_image& image;
  ~Freed() { png_image_free(&image); }
};

}  // namespace

// Any PNG (grey, palette, 16 bits, interlaced, with alpha or tRNS) is read as
// 8-bit sRGB with what is transparent laid on white; 16-bit samples without
// gAMA or sRGB chunk are taken as sRGB, as other readers do. An image with an
// ICC profile goes to libvips, which converts it.
Decoded decode_png(std::string_view png, int max_side) {
  Decoded decoded;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  const Freed freed{image};
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
    decoded.error = cannot_decode(image.message);
    return decoded;
  }
  const long long width = image.width, height = image.height;
  if (width * height > kMaxPhotoPixels) {
    decoded.error = too_many_pixels(width, height);
    return decoded;
  }
  const Chunks found = chunks(png);
  if (found.profile) {
    decoded.use_vips = true;
    return decoded;
  }
  if (!found.exif.empty()) {
    // libexif takes EXIF as a JPEG holds it, after "Exif\0\0".
    const std::string header("Exif\0\0", 6);
    const std::string exif = found.exif.substr(0, 6) == header ? std::string(found.exif)
                                                               : header + std::string(found.exif);
    decoded.orientation =
        exif_orientation(reinterpret_cast<const unsigned char*>(exif.data()), exif.size());
  }
  decoded.size = fitted(width, height, max_side);
  image.format = PNG_FORMAT_RGB;
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  Pixels pixels = make_pixels(int(width), int(height));
  const png_color white{255, 255, 255};
  if (!png_image_finish_read(&image, &white, pixels.data.get(), 0, nullptr)) {
    decoded.error = cannot_decode(image.message);
    return decoded;
  }
  decoded.pixels = std::move(pixels);
  return decoded;
}

}  // namespace kwvcard::photo
