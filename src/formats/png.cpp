// PNG through libpng. libpng reports fatal errors by jumping back to the setjmp of the
// encoding routine; only C objects and the output buffer, created before the setjmp, live
// in that frame, so no destructor is skipped.

#include <png.h>
#include <zlib.h>
#include <csetjmp>

#include "formats/dot_image.h"

namespace dotcaster {
namespace {

void AppendToBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

}  // namespace

Expected<Bytes, Error> EncodePng(const DotImage& image) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return ErrorCode::kOutOfMemory;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return ErrorCode::kOutOfMemory;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return ErrorCode::kEncodeFailed;
  }
  png_set_write_fn(png, &out, AppendToBytes, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Rows of one bit per dot compress best unfiltered, at zlib's strongest setting.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, Z_BEST_COMPRESSION);
  png_write_info(png, info);
  // The dots are 1 for black; greyscale is 0 for black.
  png_set_invert_mono(png);
  for (int y = 0; y < image.height(); ++y)
    png_write_row(png, image.row(y).data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace dotcaster
