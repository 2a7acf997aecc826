// The steps of shrink_photo (photo.h), shared by its source files:
// photo.cpp chooses the way for each image and holds the error texts,
// photo_jpeg.cpp and photo_png.cpp decode with libjpeg-turbo and libpng (and
// encode with libjpeg-turbo), photo_pixels.cpp shrinks and turns the pixels,
// photo_vips.cpp takes the other formats through libvips.
#ifndef KWVCARD_TOOL_PHOTO_INTERNAL_H
#define KWVCARD_TOOL_PHOTO_INTERNAL_H

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "writer/photo.h"

namespace kwvcard::photo {

// 8-bit pixels of three samples, rows top down, without padding: RGB, or
// YCbCr as in JFIF files (what a JPEG decodes to; the encoder takes it as it
// is, and shrinking and turning are the same for both).
struct Pixels {
  int width = 0, height = 0;
  bool ycc = false;
  std::unique_ptr<unsigned char[]> data;
};
Pixels make_pixels(int width, int height, bool ycc = false);  // uninitialised

struct Size {
  int width, height;
};

// The size that `width` x `height` shrinks to so that its longer side is at
// most `max_side`: that side becomes `max_side`, the other keeps the aspect
// ratio, rounded to the nearest pixel (halves up) and at least 1. An image
// that fits already keeps its size.
Size fitted(long long width, long long height, int max_side);

// What a decoder made of an image: its pixels as stored (the EXIF orientation
// not applied yet), at least the size the whole image fits to, and that size;
// or a refusal; or `use_vips` when the image needs what only the libvips path
// does (a colour profile to convert through, CMYK).
struct Decoded {
  Pixels pixels;
  Size size{0, 0};      // fitted() of the image's own width and height
  int orientation = 1;  // EXIF: 1 to 8, 1 when there is none or it is invalid
  std::string error;    // refused: the text for ShrunkPhoto::error
  bool use_vips = false;
};
Decoded decode_jpeg(std::string_view jpeg, int max_side);
Decoded decode_png(std::string_view png, int max_side);

// The orientation (1 to 8) in EXIF data that starts with "Exif\0\0" and a
// TIFF header, as in a JPEG's APP1 segment; 1 if it has none.
int exif_orientation(const unsigned char* exif, std::size_t size);

// `pixels` shrunk to `size` (no larger on either side) by area averaging: each
// output pixel the mean of the input area it covers.
Pixels shrunk(Pixels pixels, Size size);

// `pixels` as they look upright under EXIF orientation `orientation` (2 to 8:
// mirrored, turned or both; anything else leaves them as they are).
Pixels upright(Pixels pixels, int orientation);

// The pixels as a baseline JPEG in colour, quality 85, JFIF header only.
ShrunkPhoto encode_jpeg(const Pixels& pixels);

// GIF, BMP and WebP, and the JPEG and PNG images that `use_vips` sends here,
// with libvips: the whole of shrink_photo past the check of `max_side`.
ShrunkPhoto shrink_with_vips(std::string_view image, int max_side);

// The refusals that more than one way gives.
ShrunkPhoto refused(std::string error);
std::string too_many_pixels(long long width, long long height);  // over kMaxPhotoPixels
// "cannot decode the image (detail)", the decoder's `detail` made lowercase
// unless it starts with an acronym; without the brackets if it is empty.
std::string cannot_decode(std::string detail);

}  // namespace kwvcard::photo

#endif
