// Shrinking a photo: the first input byte chooses the size (0 for 16 pixels
// up to 255 for 1024), the rest is the image. No input may crash or make a
// sanitizer report. A refused image comes with a reason and no JPEG; a shrunk
// one is a JPEG from SOI to EOI that libvips decodes whole, as JPEG, to a
// size whose longer side is at most the one asked for.
#include <vips/vips.h>

#include <algorithm>

#include "fuzz.h"
#include "writer/photo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kwvfuzz::check;
  using namespace kwvcard;
  if (size == 0) return 0;
  const int max_side = kMinPhotoSide + data[0] * (kMaxPhotoSide - kMinPhotoSide) / 255;
  const ShrunkPhoto photo =
      shrink_photo(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), max_side);
  if (!photo.ok) {
    check(!photo.error.empty() && photo.jpeg.empty(), "refused with a reason", "a reason",
          photo.error);
    return 0;
  }
  const std::string& jpeg = photo.jpeg;
  check(photo.error.empty() && jpeg.size() > 4 && jpeg.compare(0, 2, "\xFF\xD8") == 0 &&
            jpeg.compare(jpeg.size() - 2, 2, "\xFF\xD9") == 0,
        "a JPEG from SOI to EOI", "FF D8 ... FF D9", photo.error);
  VipsImage* out = vips_image_new_from_buffer(jpeg.data(), jpeg.size(), "fail_on=error", nullptr);
  const char* loader = "";
  double mean = 0;
  const bool decoded = out && vips_image_get_string(out, "vips-loader", &loader) == 0 &&
                       vips_avg(out, &mean, nullptr) == 0;
  check(decoded && std::string(loader) == "jpegload_buffer", "decodes as JPEG", "jpegload_buffer",
        vips_error_buffer());
  const int width = vips_image_get_width(out), height = vips_image_get_height(out);
  check(width >= 1 && height >= 1 && std::max(width, height) <= max_side, "fits the size asked",
        "at most " + std::to_string(max_side),
        std::to_string(width) + " x " + std::to_string(height));
  g_object_unref(out);
  vips_error_clear();
  return 0;
}
