// JPEG decoding (shrunk on load) and encoding with libjpeg-turbo, and the
// EXIF orientation with libexif.
//
// libjpeg reports an error by calling error_exit, which must not return:
// ours longjmps back to the setjmp of the function that called into libjpeg
// (read_header, read_pixels, write_jpeg). Those functions make no C++ object
// after their setjmp and change only what their caller gave them, so that a
// longjmp skips no destructor and leaves no local undetermined; the caller
// destroys the libjpeg object and anything it allocated (Decoder, Encoder).
#include <cstdio>  // before jpeglib.h, which needs FILE and size_t
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <libexif/exif-data.h>

#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <string>

#include "writer/photo_internal.h"

namespace kwvcard::photo {
namespace {

struct Errors {
  jpeg_error_mgr manager;  // first: libjpeg's pointer to it points to the whole
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void error_exit(j_common_ptr info) {
  Errors* errors = reinterpret_cast<Errors*>(info->err);
  (*info->err->format_message)(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// Nothing is printed. A warning that the data ended early ("Premature end of
// JPEG file", after which libjpeg would go on with grey) is the error that
// the data ended: the image is truncated. Other warnings (bytes to skip
// before a marker, a bad Huffman code) let decoding go on, as other readers do.
void emit_message(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
    info->err->msg_code = JERR_INPUT_EOF;
    error_exit(info);
  }
}

void install(Errors& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = error_exit;
  errors.manager.emit_message = emit_message;
  errors.message[0] = '\0';
}

struct Decoder {
  Decoder() {
    install(errors);
    info.err = &errors.manager;
  }
  ~Decoder() { jpeg_destroy_decompress(&info); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  jpeg_decompress_struct info{};
  Errors errors{};
};

// Reads the header, keeping the APP1 segments (EXIF) and the start of the
// APP2 ones (where an ICC profile says so).
bool read_header(Decoder& d, std::string_view jpeg) {
  if (setjmp(d.errors.jump)) return false;
  jpeg_create_decompress(&d.info);
  jpeg_mem_src(&d.info, reinterpret_cast<const unsigned char*>(jpeg.data()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_save_markers(&d.info, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&d.info, JPEG_APP0 + 2, 12);
  jpeg_read_header(&d.info, TRUE);
  return true;
}

// Decodes at the smallest of 1/8, 2/8, ... 8/8 of the full size that is at
// least `size` both ways: the DCT's own scaling, much faster than decoding
// everything and averaging it down. The samples come as the JPEG stores them:
// YCbCr (grey ones made YCbCr, without colour) or, rarely, RGB. They stay so,
// the encoder takes YCbCr as it is: no conversion to RGB and back. That also
// keeps libjpeg-turbo's SIMD conversion to RGB out, which reads the alignment
// padding past its rows' ends, so that valgrind takes some of the pixels it
// writes as undefined (they are not: they stay the same with that code off or
// the padding filled otherwise) and every use of them after as an error.
bool read_pixels(Decoder& d, Size size, Pixels& pixels) {
  if (setjmp(d.errors.jump)) return false;
  d.info.out_color_space = d.info.jpeg_color_space;
  d.info.scale_denom = 8;
  for (d.info.scale_num = 1; d.info.scale_num < 8; ++d.info.scale_num) {
    jpeg_calc_output_dimensions(&d.info);
    if (d.info.output_width >= JDIMENSION(size.width) &&
        d.info.output_height >= JDIMENSION(size.height)) {
      break;
    }
  }
  jpeg_start_decompress(&d.info);
  pixels = make_pixels(int(d.info.output_width), int(d.info.output_height),
                       d.info.jpeg_color_space != JCS_RGB);
  const std::size_t row_size = std::size_t(d.info.output_width) * d.info.output_components;
  while (d.info.output_scanline < d.info.output_height) {
    JSAMPROW row = pixels.data.get() + std::size_t(d.info.output_scanline) * row_size;
    jpeg_read_scanlines(&d.info, &row, 1);
  }
  return true;
}

// Grey samples, one a pixel at the start of `pixels`, spread from the end
// backwards to YCbCr without colour.
void grey_to_ycc(Pixels& pixels) {
  unsigned char* p = pixels.data.get();
  for (std::size_t i = std::size_t(pixels.width) * std::size_t(pixels.height); i-- > 0;) {
    p[i * 3] = p[i];
    p[i * 3 + 1] = p[i * 3 + 2] = 128;
  }
}

const jpeg_marker_struct* marker(const jpeg_decompress_struct& info, int code,
                                 std::string_view starting) {
  for (const jpeg_marker_struct* m = info.marker_list; m; m = m->next) {
    if (m->marker == code && m->data_length >= starting.size() &&
        std::memcmp(m->data, starting.data(), starting.size()) == 0) {
      return m;
    }
  }
  return nullptr;
}

// libjpeg writes into a buffer of ours, grown with realloc (libjpeg's own
// memory destination loses track of its buffer when an error ends it), and
// freed whatever happens.
struct Encoder {
  Encoder() {
    install(errors);
    info.err = &errors.manager;
    destination.init_destination = [](j_compress_ptr info) { grow(info); };
    destination.empty_output_buffer = grow;
    destination.term_destination = [](j_compress_ptr) {};
  }
  ~Encoder() {
    jpeg_destroy_compress(&info);
    std::free(buffer);
  }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;

  // Makes the buffer (full when libjpeg calls this) twice as large.
  static boolean grow(j_compress_ptr info) {
    Encoder* e = static_cast<Encoder*>(info->client_data);
    const std::size_t size = e->size == 0 ? 8192 : e->size * 2;
    void* larger = std::realloc(e->buffer, size);
    if (!larger) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    e->buffer = static_cast<unsigned char*>(larger);
    e->destination.next_output_byte = e->buffer + e->size;
    e->destination.free_in_buffer = size - e->size;
    e->size = size;
    return TRUE;
  }

  jpeg_compress_struct info{};
  jpeg_destination_mgr destination{};
  Errors errors{};
  unsigned char* buffer = nullptr;
  std::size_t size = 0;  // of the buffer; what is written: size - free_in_buffer
};

bool write_jpeg(Encoder& e, const Pixels& pixels) {
  if (setjmp(e.errors.jump)) return false;
  jpeg_create_compress(&e.info);
  e.info.client_data = &e;
  e.info.dest = &e.destination;
  e.info.image_width = JDIMENSION(pixels.width);
  e.info.image_height = JDIMENSION(pixels.height);
  e.info.input_components = 3;
  e.info.in_color_space = pixels.ycc ? JCS_YCbCr : JCS_RGB;
  jpeg_set_defaults(&e.info);  // baseline, 4:2:0, a JFIF header
  jpeg_set_quality(&e.info, 85, TRUE);
  // Up to 256 x 256 pixels, the size of most contact photos: the standard
  // Huffman tables, and the colour components share the brightness's. libjpeg
  // builds optimal tables at a fixed cost that was a third of shrink_photo's
  // time at 96 pixels (the tables' algorithm looks through all 257 symbols
  // for each it places), for a photo some 15% smaller: 1.0 KB rather than 1.2
  // KB at 64 pixels. One table pair fewer in the header saves more on such a
  // photo than coding colour with tables made for brightness loses. Larger
  // photos get optimal tables of their own.
  const bool small = 1LL * pixels.width * pixels.height <= 256 * 256;
  e.info.optimize_coding = !small;
  for (int c = 1; small && c < e.info.num_components; ++c) {
    e.info.comp_info[c].dc_tbl_no = 0;
    e.info.comp_info[c].ac_tbl_no = 0;
  }
  jpeg_start_compress(&e.info, TRUE);
  while (e.info.next_scanline < e.info.image_height) {
    JSAMPROW row = pixels.data.get() + std::size_t(e.info.next_scanline) * e.info.image_width * 3;
    jpeg_write_scanlines(&e.info, &row, 1);
  }
  jpeg_finish_compress(&e.info);
  return true;
}

}  // namespace

// CMYK and YCCK images, and images with an ICC profile, go to libvips, which
// converts them to sRGB.
Decoded decode_jpeg(std::string_view jpeg, int max_side) {
  Decoded decoded;
  Decoder d;
  if (!read_header(d, jpeg)) {
    decoded.error = cannot_decode(d.errors.message);
    return decoded;
  }
  const long long width = d.info.image_width, height = d.info.image_height;
  if (width * height > kMaxPhotoPixels) {
    decoded.error = too_many_pixels(width, height);
    return decoded;
  }
  const J_COLOR_SPACE space = d.info.jpeg_color_space;
  if ((space != JCS_GRAYSCALE && space != JCS_YCbCr && space != JCS_RGB) ||
      marker(d.info, JPEG_APP0 + 2, std::string_view("ICC_PROFILE\0", 12))) {
    decoded.use_vips = true;
    return decoded;
  }
  if (const jpeg_marker_struct* exif =
          marker(d.info, JPEG_APP0 + 1, std::string_view("Exif\0\0", 6))) {
    decoded.orientation = exif_orientation(exif->data, exif->data_length);
  }
  decoded.size = fitted(width, height, max_side);
  if (!read_pixels(d, decoded.size, decoded.pixels)) {
    decoded.error = cannot_decode(d.errors.message);
    decoded.pixels = {};
  } else if (space == JCS_GRAYSCALE) {
    grey_to_ycc(decoded.pixels);
  }
  return decoded;
}

int exif_orientation(const unsigned char* exif, std::size_t size) {
  ExifData* data = exif_data_new();
  if (!data || size > UINT_MAX) {
    if (data) exif_data_unref(data);
    return 1;
  }
  // Read as it is, not "fixed" with the entries the standard wants added.
  exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data, exif, static_cast<unsigned int>(size));
  const ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  int orientation = 1;
  if (entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->size >= 2) {
    orientation = exif_get_short(entry->data, exif_data_get_byte_order(data));
  }
  exif_data_unref(data);
  return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

ShrunkPhoto encode_jpeg(const Pixels& pixels) {
  Encoder e;
  // As libvips' writer did, a failure (out of memory: nothing else can fail
  // with these pixels) is told as the decoder's.
  if (!write_jpeg(e, pixels)) return refused(cannot_decode(e.errors.message));
  const std::size_t written = e.size - e.destination.free_in_buffer;
  return {true, std::string(reinterpret_cast<const char*>(e.buffer), written), {}};
}

}  // namespace kwvcard::photo
