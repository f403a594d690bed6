#pragma once

// The picture decoders: whole files in memory to 8-bit RGB. Every size is checked against
// the given limits before anything is allocated, and every failure is an Error, never a
// crash: truncated files, contradicting headers and absurd sizes included.
//
// Most callers want SourcePicture (picture/source_picture.h), which picks the decoder from
// the file's first bytes and keeps what it decoded.

#include <cstdint>
#include <span>
#include <vector>

#include "state/error.h"
#include "state/expected.h"
#include "state/limits.h"

namespace dotcaster::picture {

// Whether a picture of width x height is within the limits (sides and pixel count).
inline bool WithinLimits(std::int64_t width, std::int64_t height, const Limits& limits) {
  return width <= limits.max_side && height <= limits.max_side &&
         width * height <= limits.max_pixels;
}

// Rows top-down, 3 bytes (R, G, B) per pixel, no padding.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  const std::uint8_t* Pixel(int x, int y) const {
    return rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)) *
                            3;
  }
};

struct Decoded {
  RgbImage image;
  int bits_per_pixel = 24;
};

// A rectangle of pixels: columns left .. left + width - 1, rows top .. top + height - 1.
struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool Contains(const PixelRect& r) const {
    return r.left >= left && r.top >= top && r.left + r.width <= left + width &&
           r.top + r.height <= top + height;
  }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Windows and OS/2 bitmaps: 1, 4, 8, 16, 24, 32 bits, RLE4, RLE8, bit fields, bottom-up and
// top-down rows.
Expected<Decoded, Error> DecodeBmp(std::span<const std::uint8_t> file, const Limits& limits);

// The first frame of a GIF on its logical screen; transparent and uncovered pixels white.
Expected<Decoded, Error> DecodeGif(std::span<const std::uint8_t> file, const Limits& limits);

struct JpegInfo {
  int width = 0;
  int height = 0;
  int components = 3;
};

// The header's size, checked against the limits.
Expected<JpegInfo, Error> ReadJpegInfo(std::span<const std::uint8_t> file, const Limits& limits);

// Decodes at scale_eighths / 8 of the file's size (1..8; libjpeg's DCT scaling, which skips
// most of the work at small scales). The result is ceil(width x scale / 8) wide. The limits
// apply to the file's full size, whatever the scale.
Expected<Decoded, Error> DecodeJpeg(std::span<const std::uint8_t> file, int scale_eighths,
                                    const Limits& limits);

// Only `region` of that decode (in the scaled picture's pixels, clipped to it), with exactly
// the pixels the whole decode has there: the rows above the region are entropy-decoded and
// skipped, the columns beside it and the rows below it are not decoded at all, and the
// memory used follows the region. With check_tail the rest of the file is still read, so
// that a file that ends early or breaks below the region fails as the whole decode would;
// without it such damage goes unnoticed (for a caller that has decoded the whole file once).
Expected<Decoded, Error> DecodeJpegRegion(std::span<const std::uint8_t> file, int scale_eighths,
                                          PixelRect region, bool check_tail, const Limits& limits);

}  // namespace dotcaster::picture
