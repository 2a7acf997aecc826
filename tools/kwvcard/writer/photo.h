// Shrinking a photo for devices that take only small JPEG images: any JPEG,
// PNG, GIF, BMP or WebP image becomes a baseline JPEG no larger than a given
// size. JPEG and PNG images, nearly all that phones export, are decoded with
// libjpeg-turbo (shrunk on load by its DCT scaling) and libpng, averaged down,
// turned upright (the EXIF orientation read with libexif) and encoded with
// libjpeg-turbo, in well under a millisecond for a contact photo. GIF, BMP
// and WebP images, CMYK JPEG images and JPEG and PNG images with an ICC
// profile take the slower way through libvips, which converts them to sRGB.
#ifndef KWVCARD_TOOL_PHOTO_H
#define KWVCARD_TOOL_PHOTO_H

#include <string>
#include <string_view>

namespace kwvcard {

// The sizes `max_side` may have, in pixels.
constexpr int kMinPhotoSide = 16;
constexpr int kMaxPhotoSide = 1024;

// The most pixels (width times height, as the image's header gives them) an
// image may have to be decoded at all: 40 megapixels, more than any camera
// photo of a contact needs. A larger image is refused from its header, before
// any of it is decoded, so that a small file cannot make us allocate gigabytes
// (a PNG of a few hundred bytes can claim 60000 x 60000 pixels).
constexpr long long kMaxPhotoPixels = 40'000'000;

struct ShrunkPhoto {
  bool ok = false;
  std::string jpeg;   // ok: the photo as a baseline JPEG (written as TYPE=JPEG)
  std::string error;  // not ok: why, lowercase, without a full stop
};

// Decodes `image` (JPEG, PNG, GIF, BMP or WebP, recognised by its content;
// the first frame of an animation) and returns it as a baseline JPEG whose
// longer side is at most `max_side` (kMinPhotoSide to kMaxPhotoSide) pixels:
// turned upright as its EXIF orientation says, shrunk with its aspect ratio
// kept (never enlarged, at least 1 pixel a side), in sRGB colour (grey images
// too), transparency laid on white, quality 85, with nothing but the JFIF
// header besides the image (no EXIF, XMP, ICC profile or comment).
//
// Otherwise `ok` is false, `jpeg` empty and `error` one of:
// - "the photo size must be 16 to 1024 pixels" (`max_side` out of range);
// - "not a JPEG, PNG, GIF, BMP or WebP image";
// - "the image is W x H pixels, more than the 40 megapixels a photo may have";
// - "cannot decode the image (DETAIL)": corrupt or truncated data, DETAIL
//   being the decoder's own words ("premature end of input file"), left out
//   with its brackets if it has none;
// - "cannot start libvips".
// No input makes it crash or print anything, and no image is kept between calls.
//
// Thread use: callable from any thread. Calls that take the libvips way run
// one at a time (libvips keeps its error messages process-wide); libvips is
// started on the first of them, with one worker thread (libwebp adds one for
// WebP), and stays started until the process exits.
ShrunkPhoto shrink_photo(std::string_view image, int max_side);

}  // namespace kwvcard

#endif
