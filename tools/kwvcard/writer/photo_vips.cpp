// The libvips way of shrink_photo: GIF, BMP and WebP images, and JPEG and PNG
// images with a colour profile or in CMYK.
#include "writer/photo_internal.h"

#include <vips/vips.h>
// After vips.h, which it needs and does not include.
#include <vips/vector.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace kwvcard::photo {
namespace {

struct Unref {
  void operator()(void* object) const { g_object_unref(object); }
};
using Image = std::unique_ptr<VipsImage, Unref>;

// libvips' warnings (and those of the decoders under it) say what is wrong
// with an image; the caller reports a refused photo itself, so they are dropped.
void drop_message(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// Starts libvips once per process: quiet, one worker thread, no cache of
// operations (which would keep images and their buffers alive between calls),
// no machine code generated at run time for its vector paths (liborc writes it
// to a file it maps executable, which valgrind cannot follow; the plain paths
// give the same pixels), and only the loaders of the five formats a photo may
// have. BMP has no loader of its own in libvips: it goes through ImageMagick's,
// which `format` holds to BMP files.
bool start_vips() {
  static const bool started = [] {
    g_log_set_handler("VIPS",
                      GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO |
                                     G_LOG_LEVEL_DEBUG),
                      drop_message, nullptr);
    if (VIPS_INIT("kwvcard") != 0) return false;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    vips_vector_set_enabled(FALSE);
    vips_operation_block_set("VipsForeignLoad", TRUE);
    for (const char* loader : {"VipsForeignLoadJpeg", "VipsForeignLoadPng", "VipsForeignLoadNsgif",
                               "VipsForeignLoadWebp", "VipsForeignLoadMagick"}) {
      vips_operation_block_set(loader, FALSE);
    }
    return true;
  }();
  return started;
}

// The format libvips takes `image` for, by its content, when a photo may have
// it: "JPEG", "PNG", "GIF", "WebP", or "BMP" for what ImageMagick loads and
// starts as a BMP file does ("BM"). Empty for anything else.
std::string_view format(std::string_view image) {
  const char* found = vips_foreign_find_load_buffer(image.data(), image.size());
  const std::string_view loader = found ? found : "";
  if (loader == "VipsForeignLoadJpegBuffer") return "JPEG";
  if (loader == "VipsForeignLoadPngBuffer") return "PNG";
  if (loader == "VipsForeignLoadNsgifBuffer") return "GIF";
  if (loader == "VipsForeignLoadWebpBuffer") return "WebP";
  if (loader == "VipsForeignLoadMagickBuffer" && image.substr(0, 2) == "BM") return "BMP";
  return {};
}

// Width and height of a BMP file as its header gives them: 32-bit
// little-endian at bytes 18 and 22 (the height negative for rows top down),
// 16-bit at 18 and 20 in the old 12-byte header. ImageMagick refuses a BMP
// beyond its own limits while libvips reads the header, in its own words: the
// size is read here first, so that such an image is refused as any other.
std::pair<long long, long long> bmp_size(std::string_view bmp) {
  if (bmp.size() < 26) return {0, 0};
  const auto le = [&](std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bmp[at + i]);
    return v;
  };
  if (le(14, 4) == 12) return {le(18, 2), le(20, 2)};
  return {std::llabs(static_cast<std::int32_t>(le(18, 4))),
          std::llabs(static_cast<std::int32_t>(le(22, 4)))};
}

// The decoder's words for why the image cannot be decoded: the first line of
// libvips' error messages, which are then cleared, without the name of the
// part that wrote it ("VipsJpeg: "), ImageMagick's prefix and what it appends
// (" `file' @ source location").
std::string failure() {
  std::string detail = vips_error_buffer();
  vips_error_clear();
  detail.erase(std::min(detail.find('\n'), detail.size()));
  const std::size_t colon = detail.find(": ");
  detail.erase(0, colon == std::string::npos ? 0 : colon + 2);
  const std::string magick = "libMagick error: ";
  if (detail.compare(0, magick.size(), magick) == 0) detail.erase(0, magick.size());
  detail.erase(std::min(detail.find(" `"), detail.size()));
  return cannot_decode(detail);
}

}  // namespace

ShrunkPhoto shrink_with_vips(std::string_view image, int max_side) {
  static std::mutex one_at_a_time;
  const std::lock_guard<std::mutex> lock(one_at_a_time);
  if (!start_vips()) return refused("cannot start libvips");
  vips_error_clear();
  const std::string_view type = format(image);
  vips_error_clear();
  if (type.empty()) return refused("not a JPEG, PNG, GIF, BMP or WebP image");

  // The size, from the header alone, before any pixel is decoded.
  auto [width, height] = type == "BMP" ? bmp_size(image) : std::pair<long long, long long>();
  bool profiled = false;
  if (width * height <= kMaxPhotoPixels) {
    const Image header(vips_image_new_from_buffer(image.data(), image.size(), "", "access",
                                                  VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!header) return refused(failure());
    width = vips_image_get_width(header.get());
    height = vips_image_get_height(header.get());
    profiled = vips_image_get_typeof(header.get(), VIPS_META_ICC_NAME) != 0;
  }
  if (width * height > kMaxPhotoPixels) {
    return refused(too_many_pixels(width, height));
  }

  // Shrunk on load where the format allows (JPEG, WebP), turned upright, in
  // sRGB, with any alpha laid on white. Nothing is decoded before the JPEG is
  // written, so a corrupt image fails there.
  // An image with a colour profile (a phone's Display P3, a printer's CMYK)
  // is converted to sRGB through it; building that transform costs far more
  // than shrinking a contact photo, so an image without one is taken as sRGB.
  VipsImage* step = nullptr;
  const int thumbnailed =
      profiled
          ? vips_thumbnail_buffer(const_cast<char*>(image.data()), image.size(), &step, max_side,
                                  "height", max_side, "size", VIPS_SIZE_DOWN, "export_profile",
                                  "srgb", "option_string", "fail_on=error", nullptr)
          : vips_thumbnail_buffer(const_cast<char*>(image.data()), image.size(), &step, max_side,
                                  "height", max_side, "size", VIPS_SIZE_DOWN, "option_string",
                                  "fail_on=error", nullptr);
  if (thumbnailed != 0) return refused(failure());
  Image photo(step);
  if (vips_colourspace(photo.get(), &step, VIPS_INTERPRETATION_sRGB, nullptr) != 0) {
    return refused(failure());
  }
  photo.reset(step);
  if (vips_image_hasalpha(photo.get())) {
    VipsArrayDouble* white = vips_array_double_newv(1, 255.0);
    const int flattened = vips_flatten(photo.get(), &step, "background", white, nullptr);
    vips_area_unref(VIPS_AREA(white));
    if (flattened != 0) return refused(failure());
    photo.reset(step);
  }
  void* jpeg = nullptr;
  std::size_t size = 0;
  if (vips_jpegsave_buffer(photo.get(), &jpeg, &size, "Q", 85, "strip", TRUE, "interlace", FALSE,
                           "optimize_coding", TRUE, nullptr) != 0) {
    return refused(failure());
  }
  ShrunkPhoto shrunk{true, std::string(static_cast<const char*>(jpeg), size), {}};
  g_free(jpeg);
  return shrunk;
}

}  // namespace kwvcard::photo
