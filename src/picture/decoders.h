#pragma once

// The picture decoders: whole files in memory to 8-bit RGB. Every size is checked against
// the limits below before anything is allocated, and every failure is a PictureError, never
// a crash: truncated files, contradicting headers and absurd sizes included.
//
// Most callers want SourcePicture (picture/source_picture.h), which picks the decoder from
// the file's first bytes and keeps what it decoded.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "state/expected.h"

namespace dotcaster::picture {

enum class PictureError {
  kOpen,         // the file cannot be opened
  kRead,         // reading the file failed
  kNotAPicture,  // none of the kinds Dotcaster reads
  kEmpty,        // width or height 0
  kTooLarge,     // beyond the size limits
  kTruncatedBmp,
  kCorruptBmp,
  kUnsupportedBmp,  // a valid bitmap of a kind we do not read (JPEG/PNG inside, 64 bits, ...)
  kTruncatedJpeg,
  kCorruptJpeg,
  kTruncatedGif,
  kCorruptGif,
  kOutOfMemory,
};

std::string_view PictureErrorText(PictureError error);

// No side may exceed this (the program keeps sizes in 16-bit numbers).
inline constexpr int kMaxPictureSide = 32767;
// Pixels of a fully decoded bitmap or GIF: 120 MB of RGB. JPEG files are never decoded whole
// beyond what a placement needs, but their full size is limited likewise.
inline constexpr std::int64_t kMaxPicturePixels = 40'000'000;

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

// Windows and OS/2 bitmaps: 1, 4, 8, 16, 24, 32 bits, RLE4, RLE8, bit fields, bottom-up and
// top-down rows.
Expected<Decoded, PictureError> DecodeBmp(std::span<const std::uint8_t> file);

// The first frame of a GIF on its logical screen; transparent and uncovered pixels white.
Expected<Decoded, PictureError> DecodeGif(std::span<const std::uint8_t> file);

struct JpegInfo {
  int width = 0;
  int height = 0;
  int components = 3;
};

Expected<JpegInfo, PictureError> ReadJpegInfo(std::span<const std::uint8_t> file);

// Decodes at scale_eighths / 8 of the file's size (1..8; libjpeg's DCT scaling, which skips
// most of the work at small scales). The result is ceil(width x scale / 8) wide.
Expected<Decoded, PictureError> DecodeJpeg(std::span<const std::uint8_t> file, int scale_eighths);

}  // namespace dotcaster::picture
