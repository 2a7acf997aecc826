// Shrinking photos: each format comes out as a baseline JPEG that fits the
// size asked for, upright and without metadata; what cannot be decoded is
// refused, and so is an image of too many pixels, from its header alone.
#include <vips/vips.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"
#include "writer/photo.h"

namespace {

using kwvcard::shrink_photo;

struct Unref {
  void operator()(void* object) const { g_object_unref(object); }
};
using Image = std::unique_ptr<VipsImage, Unref>;

std::string be32(std::uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
int be16(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) << 8 | static_cast<unsigned char>(s[at + 1]);
}

// The pixels image() writes: 8-bit RGB; the same, every pixel transparent;
// grey (one band, the red); CMYK, black ink where the red is dark and no other
// ink; 16-bit RGB, each sample 257 times the 8-bit one.
enum class Kind { rgb, transparent, grey, cmyk, rgb16 };

// A width x height image in `format` (".png", ".jpg[interlace]", ...), written
// by libvips with EXIF orientation `orientation` (where the format has EXIF):
// red and blue from 0 at the left edge to full at the right, green from 0 at
// the top edge to full at the bottom; as `kind` says.
std::string image(const std::string& format, int width, int height, int orientation = 1,
                  Kind kind = Kind::rgb) {
  const int bands = kind == Kind::grey                                ? 1
                    : kind == Kind::transparent || kind == Kind::cmyk ? 4
                                                                      : 3;
  std::vector<std::uint16_t> samples(std::size_t(width) * height * bands, 0);
  for (std::size_t i = 0; i < samples.size(); i += bands) {
    const int x = int(i / bands % width), y = int(i / bands / width);
    const int red = x * 255 / std::max(width - 1, 1), green = y * 255 / std::max(height - 1, 1);
    const int scale = kind == Kind::rgb16 ? 257 : 1;
    if (kind == Kind::cmyk) {
      samples[i + 3] = std::uint16_t(255 - red);
    } else {
      samples[i] = std::uint16_t(red * scale);
      if (bands > 1) samples[i + 1] = std::uint16_t(green * scale), samples[i + 2] = samples[i];
    }
  }
  VIPS_INIT("kwvcard_tests");
  Image im(vips_image_new_from_memory_copy(samples.data(), samples.size() * 2, width, height, bands,
                                           VIPS_FORMAT_USHORT));
  VipsImage *cast = nullptr, *typed = nullptr;
  vips_cast(im.get(), &cast, kind == Kind::rgb16 ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR, nullptr);
  im.reset(cast);
  const VipsInterpretation type = kind == Kind::rgb16  ? VIPS_INTERPRETATION_RGB16
                                  : kind == Kind::cmyk ? VIPS_INTERPRETATION_CMYK
                                  : kind == Kind::grey ? VIPS_INTERPRETATION_B_W
                                                       : VIPS_INTERPRETATION_sRGB;
  vips_copy(im.get(), &typed, "interpretation", type, nullptr);
  im.reset(typed);
  vips_image_set_int(im.get(), "orientation", orientation);
  void* bytes = nullptr;
  std::size_t size = 0;
  EXPECT_EQ(vips_image_write_to_buffer(im.get(), format.c_str(), &bytes, &size, nullptr), 0);
  const std::string written(static_cast<const char*>(bytes), size);
  g_free(bytes);
  return written;
}

// The markers of a JPEG before its image data, each with its offset; empty
// unless the JPEG starts with SOI.
std::map<int, std::size_t> markers(const std::string& jpeg) {
  std::map<int, std::size_t> found;
  for (std::size_t at = 2; jpeg.compare(0, 2, "\xFF\xD8") == 0 && at + 4 <= jpeg.size() &&
                           jpeg[at] == '\xFF' && !found.count(0xDA);
       at += 2 + be16(jpeg, at + 2)) {
    found.emplace(static_cast<unsigned char>(jpeg[at + 1]), at);
  }
  return found;
}

// A baseline JPEG (SOF0, no progressive SOF2) of width x height in colour
// (three components, grey images too) without EXIF or XMP (APP1) or ICC
// profile (APP2), from SOI to EOI.
void expect_baseline_jpeg(const std::string& jpeg, int width, int height) {
  const auto m = markers(jpeg);
  ASSERT_TRUE(m.count(0xC0) && m.count(0xDA)) << "no baseline frame and scan";
  EXPECT_FALSE(m.count(0xC2) || m.count(0xE1) || m.count(0xE2));
  EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
  EXPECT_EQ(be16(jpeg, m.at(0xC0) + 7), width);
  EXPECT_EQ(be16(jpeg, m.at(0xC0) + 5), height);
  EXPECT_EQ(jpeg[m.at(0xC0) + 9], 3);
}

// The value of `band` (0 red, 1 green, 2 blue) at (x, y) of a JPEG, as libvips
// decodes it.
double sample(const std::string& jpeg, int x, int y, int band = 0) {
  const Image im(vips_image_new_from_buffer(jpeg.data(), jpeg.size(), "", nullptr));
  double* pixel = nullptr;
  int bands = 0;
  if (!im || vips_getpoint(im.get(), &pixel, &bands, x, y, nullptr) != 0) return -1;
  const double value = band < bands ? pixel[band] : -1;
  g_free(pixel);
  return value;
}

// Each comes out as sRGB from 0 at the left to 255 at the right: halfway
// across, a mid grey (16-bit samples without gamma information are taken as
// sRGB, CMYK is converted).
TEST(PhotoTest, EachFormatBecomesABaselineJpegThatFitsNeverEnlarged) {
  const struct {
    const char* format;
    int width, height, max_side, want_width, want_height;
    Kind kind = Kind::rgb;
  } cases[] = {{".jpg[interlace]", 400, 200, 96, 96, 48},
               {".png", 400, 200, 96, 96, 48},
               {".gif", 400, 200, 96, 96, 48},
               {".bmp", 400, 200, 96, 96, 48},
               {".webp", 400, 200, 96, 96, 48},
               {".png", 200, 400, 96, 48, 96},
               {".png", 50, 30, 96, 50, 30},
               {".png", 96, 20, 96, 96, 20},
               {".png", 333, 100, 100, 100, 30},
               {".png", 1000, 3, 16, 16, 1},
               {".jpg", 2000, 1000, 100, 100, 50},
               {".webp", 1024, 768, 256, 256, 192},
               {".png", 2000, 1500, 1024, 1024, 768},
               {".jpg", 400, 200, 96, 96, 48, Kind::grey},
               {".png", 400, 200, 96, 96, 48, Kind::grey},
               {".jpg", 400, 200, 96, 96, 48, Kind::cmyk},
               {".jpg[profile=srgb]", 400, 200, 96, 96, 48},
               {".png", 400, 200, 96, 96, 48, Kind::rgb16},
               {".jpg", 70, 30, 64, 64, 27}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + std::to_string(c.width) + "x" +
                 std::to_string(c.height) + " at " + std::to_string(c.max_side) + " kind " +
                 std::to_string(int(c.kind)));
    const kwvcard::ShrunkPhoto photo =
        shrink_photo(image(c.format, c.width, c.height, 1, c.kind), c.max_side);
    ASSERT_TRUE(photo.ok) << photo.error;
    expect_baseline_jpeg(photo.jpeg, c.want_width, c.want_height);
    EXPECT_LT(sample(photo.jpeg, 0, c.want_height / 2), 40);  // still dark on the left
    EXPECT_NEAR(sample(photo.jpeg, c.want_width / 2, c.want_height / 2), 128, 12);
    EXPECT_GT(sample(photo.jpeg, c.want_width - 1, c.want_height / 2), 215);
  }
}

// A PNG chunk: length, type and data, CRC-32 of type and data.
std::string chunk(const std::string& type_and_data) {
  std::uint32_t crc = ~0u;
  for (unsigned char c : type_and_data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return be32(type_and_data.size() - 4) + type_and_data + be32(~crc);
}

// The stored image is dark in red at its left edge and in green at its top
// edge; the EXIF orientation says on which side (Left, Right, Top, Bottom)
// each is when the photo is upright: 2 mirrors it left to right, 3 turns it
// half round, 4 mirrors it top to bottom, 5 mirrors it along the diagonal from
// the top left, 6 turns it a quarter clockwise, 7 mirrors it along the other
// diagonal, 8 turns it a quarter anticlockwise. A PNG has it in an eXIf chunk.
TEST(PhotoTest, ExifOrientationIsApplied) {
  const struct {
    const char* format;
    int orientation;
    char red_dark, green_dark;
  } cases[] = {{".jpg", 1, 'L', 'T'}, {".jpg", 2, 'R', 'T'}, {".jpg", 3, 'R', 'B'},
               {".jpg", 4, 'L', 'B'}, {".jpg", 5, 'T', 'L'}, {".jpg", 6, 'T', 'R'},
               {".jpg", 7, 'B', 'R'}, {".jpg", 8, 'B', 'L'}, {".png", 6, 'T', 'R'},
               {".png", 8, 'B', 'L'}};
  const auto point = [](char side, int width, int height) {
    return side == 'L'   ? std::pair(0, height / 2)
           : side == 'R' ? std::pair(width - 1, height / 2)
           : side == 'T' ? std::pair(width / 2, 0)
                         : std::pair(width / 2, height - 1);
  };
  const std::map<char, char> opposite = {{'L', 'R'}, {'R', 'L'}, {'T', 'B'}, {'B', 'T'}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " orientation " + std::to_string(c.orientation));
    std::string bytes = image(c.format, 400, 200, c.orientation);
    if (c.format == std::string(".png")) {  // big-endian TIFF, IFD0 of one SHORT entry
      const std::string tiff = std::string("MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 19) +
                               char(c.orientation) + std::string(6, '\0');
      bytes.insert(bytes.find("IDAT") - 4, chunk("eXIf" + tiff));
    }
    const kwvcard::ShrunkPhoto photo = shrink_photo(bytes, 96);
    ASSERT_TRUE(photo.ok) << photo.error;
    const int width = c.orientation < 5 ? 96 : 48, height = c.orientation < 5 ? 48 : 96;
    expect_baseline_jpeg(photo.jpeg, width, height);
    for (const auto& [band, side] : {std::pair(0, c.red_dark), std::pair(1, c.green_dark)}) {
      const auto [dark_x, dark_y] = point(side, width, height);
      const auto [light_x, light_y] = point(opposite.at(side), width, height);
      EXPECT_LT(sample(photo.jpeg, dark_x, dark_y, band), 40) << "band " << band;
      EXPECT_GT(sample(photo.jpeg, light_x, light_y, band), 215) << "band " << band;
    }
  }
}

TEST(PhotoTest, TransparencyLiesOnWhite) {
  const kwvcard::ShrunkPhoto photo = shrink_photo(image(".png", 40, 40, 1, Kind::transparent), 96);
  EXPECT_GT(sample(photo.jpeg, 0, 20), 250);
}

struct Refusal {
  const char* name;
  std::string bytes;
  int max_side;
  std::string error;  // ending in "(": then the decoder's words and ")"
};

void expect_refused(const Refusal& r) {
  SCOPED_TRACE(r.name);
  const kwvcard::ShrunkPhoto photo = shrink_photo(r.bytes, r.max_side);
  EXPECT_TRUE(!photo.ok && photo.jpeg.empty());
  const bool detail = r.error.back() == '(';
  EXPECT_EQ(photo.error.substr(0, detail ? r.error.size() : std::string::npos), r.error);
  EXPECT_TRUE(!detail || (photo.error.size() > r.error.size() + 1 && photo.error.back() == ')'));
}

TEST(PhotoTest, RefusesWhatCannotBeDecoded) {
  const auto half = [](const std::string& s) { return s.substr(0, s.size() / 2); };
  const std::string png = image(".png", 64, 64), jpeg = image(".jpg", 64, 64);
  std::string bad_crc = png, no_table = jpeg;
  bad_crc[png.find("IDAT") + 10] ^= 1;        // a bit of the image data
  no_table[markers(jpeg).at(0xC0) + 12] = 3;  // the first component's quantisation table
  const std::string decode = "cannot decode the image (",
                    format = "not a JPEG, PNG, GIF, BMP or WebP image";
  const Refusal cases[] = {
      {"truncated JPEG", half(jpeg), 96, decode},
      {"JPEG ending after its first marker", jpeg.substr(0, 2), 96, decode},
      {"truncated PNG", half(png), 96, decode},
      {"truncated GIF", half(image(".gif", 64, 64)), 96, decode},
      {"truncated BMP", half(image(".bmp", 64, 64)), 96, decode},
      {"truncated WebP", half(image(".webp", 64, 64)), 96, decode},
      {"PNG data failing its CRC", bad_crc, 96, decode},
      {"JPEG naming a table it lacks", no_table, 96, decode},
      {"text", "BEGIN:VCARD", 96, format},
      {"nothing", "", 96, format},
      {"TIFF", image(".tif", 8, 8), 96, format},
      {"size too small", png, 15, "the photo size must be 16 to 1024 pixels"},
      {"size too large", png, 1025, "the photo size must be 16 to 1024 pixels"},
  };
  for (const Refusal& r : cases) expect_refused(r);
}

// A PNG of width x height 8-bit RGB pixels whose image data is empty.
std::string empty_png(std::uint32_t width, std::uint32_t height) {
  return "\x89PNG\r\n\x1A\n" +
         chunk("IHDR" + be32(width) + be32(height) + std::string("\x08\x02\0\0\0", 5)) +
         chunk("IDAT") + chunk("IEND");
}

TEST(PhotoTest, RefusesMoreThan40MegapixelsFromTheHeader) {
  // 60000 is EA60 in hex: big-endian in JPEG, little-endian in BMP and GIF.
  std::string jpeg = image(".jpg", 8, 8), bmp = image(".bmp", 8, 8);
  jpeg.replace(markers(jpeg).at(0xC0) + 5, 4, "\xEA\x60\xEA\x60");
  bmp.replace(18, 8, std::string("\x60\xEA\0\0\x60\xEA\0\0", 8));
  // A 60000 x 60000 screen and frame, two colours, one pixel of data.
  const std::string gif(
      "GIF89a\x60\xEA\x60\xEA\x80\0\0\0\0\0\xFF\xFF\xFF,\0\0\0\0\x60\xEA\x60\xEA\0"
      "\x02\x02\x44\x01\0;",
      35);
  const std::string bomb =
      "the image is 60000 x 60000 pixels, more than the 40 megapixels a "
      "photo may have";
  const Refusal cases[] = {
      {"PNG", empty_png(60000, 60000), 96, bomb},
      {"JPEG", jpeg, 96, bomb},
      {"GIF", gif, 96, bomb},
      {"BMP", bmp, 96, bomb},
      {"PNG one row over", empty_png(8000, 5001), 96,
       "the image is 8000 x 5001 pixels, more than the 40 megapixels a photo may have"},
      {"PNG at the limit: decoded, and its data is missing", empty_png(8000, 5000), 96,
       "cannot decode the image ("},
  };
  for (const Refusal& r : cases) expect_refused(r);
}

}  // namespace
