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

#include "convert/geometry.h"
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

// The pixels of rectangle `region` of a picture of size `whole`; the picture's other pixels
// are white. A bitmap and a whole JPEG decode fill their picture, a JPEG region decode holds
// its region, and a GIF frame may cover a small part of a large logical screen, which is
// never stored whole.
struct Decoded {
  RgbImage image;  // region.width x region.height
  convert::Size whole;
  PixelRect region;
  int bits_per_pixel = 24;
  // JPEG, once a decode has read the whole file: the bytes up to the end of the picture's
  // data, which a later decode needs; what follows them is never read again. 0 otherwise.
  std::size_t bytes_used = 0;
};

// Windows and OS/2 bitmaps: 1, 4, 8, 16, 24, 32 bits, RLE4, RLE8, bit fields, bottom-up and
// top-down rows.
Expected<Decoded, Error> DecodeBmp(std::span<const std::uint8_t> file, const Limits& limits);

// The first frame of a GIF on its logical screen: the part of the screen the frame covers,
// transparent pixels white; the rest of the screen is white.
Expected<Decoded, Error> DecodeGif(std::span<const std::uint8_t> file, const Limits& limits);

struct JpegInfo {
  int width = 0;
  int height = 0;
  int components = 3;
  // The memory DecodeJpeg needs for this file at the scale asked: the decoded pixels,
  // libjpeg's rows and, for a progressive file, the coefficients of the whole frame. A
  // decode that needs more than limits.max_decode_bytes is refused.
  std::uint64_t decode_bytes = 0;
};

// The header's size, checked against the limits, and the memory a decode at
// scale_eighths / 8 needs.
Expected<JpegInfo, Error> ReadJpegInfo(std::span<const std::uint8_t> file, const Limits& limits,
                                       int scale_eighths = 8);

// Decodes at scale_eighths / 8 of the file's size (1..8; libjpeg's DCT scaling, which skips
// most of the work at small scales). The result is ceil(width x scale / 8) wide. The limits
// apply to the file's full size, whatever the scale; the decode stops past limits.max_scans
// scans (kTooManyScans), and one whose memory the limits do not allow is refused before
// it starts (kDecodeTooLarge).
Expected<Decoded, Error> DecodeJpeg(std::span<const std::uint8_t> file, int scale_eighths,
                                    const Limits& limits);

// Only `region` of that decode (in the scaled picture's pixels, clipped to it), with exactly
// the pixels the whole decode has there: the rows above the region are entropy-decoded and
// skipped, the columns beside it and the rows below it are not decoded at all, and the
// memory used follows the region (the limits count the region's pixels besides libjpeg's
// own share, which for a progressive file is still the whole frame's). With check_tail the rest of
// the file is still read, so that a file that ends early or breaks below the region fails as the
// whole decode would; without it such damage goes unnoticed (for a caller that has decoded the
// whole file once).
Expected<Decoded, Error> DecodeJpegRegion(std::span<const std::uint8_t> file, int scale_eighths,
                                          PixelRect region, bool check_tail, const Limits& limits);

}  // namespace dotcaster::picture
