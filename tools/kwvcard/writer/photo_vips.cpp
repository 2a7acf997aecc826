// The libvips way of shrink_photo: GIF, BMP and WebP images, and JPEG and PNG
// images with a colour profile or in CMYK.
//
// libvips and the hundred-odd libraries under it are loaded (dlopen) the first
// time a photo needs them, not when kwvcard starts: most imports never do,
// and loading them takes longer than converting a small export. Only its
// headers are used at build time.
#include "writer/photo_internal.h"

#include <dlfcn.h>
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

// libvips 8 keeps the ABI of its library 42; vips_version() tells the rest.
#ifndef KWVCARD_VIPS_SONAME
#define KWVCARD_VIPS_SONAME "libvips.so.42"
#endif

namespace kwvcard::photo {
namespace {

// The functions of libvips (and of GLib and GObject under it) used here.
// clang-format off
#define KWVCARD_VIPS_FUNCTIONS(X)                                                        \
  X(g_free) X(g_log_set_handler) X(g_object_unref) X(vips_area_unref)                   \
  X(vips_array_double_newv) X(vips_cache_set_max) X(vips_colourspace)                   \
  X(vips_concurrency_set) X(vips_error_buffer) X(vips_error_clear) X(vips_flatten)      \
  X(vips_foreign_find_load_buffer) X(vips_image_get_height) X(vips_image_get_typeof)    \
  X(vips_image_get_width) X(vips_image_hasalpha) X(vips_image_new_from_buffer)          \
  X(vips_init) X(vips_jpegsave_buffer) X(vips_operation_block_set)                      \
  X(vips_thumbnail_buffer) X(vips_vector_set_enabled) X(vips_version)
// clang-format on

// libvips as loaded: each function by its own name, or none when the library
// or one of them is missing.
struct Vips {
#define KWVCARD_VIPS_POINTER(name) decltype(&::name) name = nullptr;
  KWVCARD_VIPS_FUNCTIONS(KWVCARD_VIPS_POINTER)
#undef KWVCARD_VIPS_POINTER
};

// Loads libvips once per process; null when it cannot be loaded.
const Vips* load_vips() {
  static const Vips* loaded = []() -> const Vips* {
    void* library = dlopen(KWVCARD_VIPS_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return nullptr;
    static Vips vips;
    bool all = true;
#define KWVCARD_VIPS_LOAD(name)                                             \
  vips.name = reinterpret_cast<decltype(vips.name)>(dlsym(library, #name)); \
  all = all && vips.name != nullptr;
    KWVCARD_VIPS_FUNCTIONS(KWVCARD_VIPS_LOAD)
#undef KWVCARD_VIPS_LOAD
    return all ? &vips : nullptr;
  }();
  return loaded;
}

const Vips* lib = nullptr;  // set by start_vips()

struct Unref {
  void operator()(void* object) const { lib->g_object_unref(object); }
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
    lib = load_vips();
    if (lib == nullptr) return false;
    lib->g_log_set_handler("VIPS",
                           GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                          G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG),
                           drop_message, nullptr);
    if (lib->vips_version(3) - lib->vips_version(5) != VIPS_LIBRARY_CURRENT - VIPS_LIBRARY_AGE ||
        lib->vips_init("kwvcard") != 0)
      return false;
    lib->vips_concurrency_set(1);
    lib->vips_cache_set_max(0);
    lib->vips_vector_set_enabled(FALSE);
    lib->vips_operation_block_set("VipsForeignLoad", TRUE);
    for (const char* loader : {"VipsForeignLoadJpeg", "VipsForeignLoadPng", "VipsForeignLoadNsgif",
                               "VipsForeignLoadWebp", "VipsForeignLoadMagick"}) {
      lib->vips_operation_block_set(loader, FALSE);
    }
    return true;
  }();
  return started;
}

// The format libvips takes `image` for, by its content, when a photo may have
// it: "JPEG", "PNG", "GIF", "WebP", or "BMP" for what ImageMagick loads and
// starts as a BMP file does ("BM"). Empty for anything else.
std::string_view format(std::string_view image) {
  const char* found = lib->vips_foreign_find_load_buffer(image.data(), image.size());
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
  std::string detail = lib->vips_error_buffer();
  lib->vips_error_clear();
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
  lib->vips_error_clear();
  const std::string_view type = format(image);
  lib->vips_error_clear();
  if (type.empty()) return refused("not a JPEG, PNG, GIF, BMP or WebP image");

  // The size, from the header alone, before any pixel is decoded.
  auto [width, height] = type == "BMP" ? bmp_size(image) : std::pair<long long, long long>();
  bool profiled = false;
  if (width * height <= kMaxPhotoPixels) {
    const Image header(lib->vips_image_new_from_buffer(image.data(), image.size(), "", "access",
                                                       VIPS_ACCESS_SEQUENTIAL, nullptr));
    if (!header) return refused(failure());
    width = lib->vips_image_get_width(header.get());
    height = lib->vips_image_get_height(header.get());
    profiled = lib->vips_image_get_typeof(header.get(), VIPS_META_ICC_NAME) != 0;
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
      profiled ? lib->vips_thumbnail_buffer(const_cast<char*>(image.data()), image.size(), &step,
                                            max_side, "height", max_side, "size", VIPS_SIZE_DOWN,
                                            "export_profile", "srgb", "option_string",
                                            "fail_on=error", nullptr)
               : lib->vips_thumbnail_buffer(const_cast<char*>(image.data()), image.size(), &step,
                                            max_side, "height", max_side, "size", VIPS_SIZE_DOWN,
                                            "option_string", "fail_on=error", nullptr);
  if (thumbnailed != 0) return refused(failure());
  Image photo(step);
  if (lib->vips_colourspace(photo.get(), &step, VIPS_INTERPRETATION_sRGB, nullptr) != 0) {
    return refused(failure());
  }
  photo.reset(step);
  if (lib->vips_image_hasalpha(photo.get())) {
    VipsArrayDouble* white = lib->vips_array_double_newv(1, 255.0);
    const int flattened = lib->vips_flatten(photo.get(), &step, "background", white, nullptr);
    lib->vips_area_unref(VIPS_AREA(white));
    if (flattened != 0) return refused(failure());
    photo.reset(step);
  }
  void* jpeg = nullptr;
  std::size_t size = 0;
  if (lib->vips_jpegsave_buffer(photo.get(), &jpeg, &size, "Q", 85, "strip", TRUE, "interlace",
                                FALSE, "optimize_coding", TRUE, nullptr) != 0) {
    return refused(failure());
  }
  ShrunkPhoto shrunk{true, std::string(static_cast<const char*>(jpeg), size), {}};
  lib->g_free(jpeg);
  return shrunk;
}

}  // namespace kwvcard::photo
