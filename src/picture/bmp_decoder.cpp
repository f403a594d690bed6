// Windows and OS/2 bitmaps, read by our own code: every offset is checked against the file
// before it is read, and the size against the limits before the pixels are allocated.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "formats/bytes.h"
#include "formats/probe.h"
#include "picture/decoders.h"

namespace dotcaster::picture {
namespace {

constexpr std::size_t kFileHeader = 14;

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kJpeg = 4,
  kPng = 5,
  kAlphaBitFields = 6,
};

// One colour channel of a bit-field pixel, scaled to 0..255 by repeating its bits (5-bit
// 10110 becomes 10110101), as the common decoders do: 0 stays 0 and the maximum becomes 255.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    bits = std::bit_width(m >> shift);
  }
  std::uint8_t operator()(std::uint32_t pixel) const {
    if (bits == 0) return 0;
    const std::uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
    std::uint32_t out = 0;
    for (int at = 8 - bits; at > -bits; at -= bits)
      out |= at >= 0 ? v << at : v >> -at;
    return static_cast<std::uint8_t>(out);
  }
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

void Put(RgbImage& img, int x, int y, Rgb c) {
  std::uint8_t* p = img.rgb.data() + (static_cast<std::size_t>(y) * img.width + x) * 3;
  p[0] = c.r;
  p[1] = c.g;
  p[2] = c.b;
}

// Decodes RLE8 or RLE4 data into palette indices. Pixels that the data skips keep index 0.
// Returns false when the data ends before the picture is complete.
bool DecodeRle(std::span<const std::uint8_t> data, bool four_bits, int width, int height,
               const std::array<Rgb, 256>& palette, bool top_down, RgbImage& img) {
  std::size_t i = 0;
  std::int64_t x = 0, y = 0;  // y counts rows in file order
  auto put = [&](unsigned index) {
    if (x < width && y < height) {
      const int row = static_cast<int>(top_down ? y : height - 1 - y);
      Put(img, static_cast<int>(x), row, palette[index & 0xFF]);
    }
    ++x;
  };
  while (y < height) {
    if (i + 2 > data.size()) return false;
    const unsigned count = data[i], value = data[i + 1];
    i += 2;
    if (count > 0) {
      for (unsigned k = 0; k < count; ++k) {
        put(four_bits ? (k % 2 == 0 ? value >> 4 : value & 0x0F) : value);
      }
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta
      if (i + 2 > data.size()) return false;
      x += data[i];
      y += data[i + 1];
      i += 2;
    } else {  // a run of literal pixels, padded to a 16-bit boundary
      const std::size_t bytes = four_bits ? (value + 1) / 2 : value;
      if (i + bytes > data.size()) return false;
      for (unsigned k = 0; k < value; ++k) {
        const std::uint8_t b = data[i + (four_bits ? k / 2 : k)];
        put(four_bits ? (k % 2 == 0 ? b >> 4 : b & 0x0F) : b);
      }
      i += bytes + (bytes & 1);
    }
  }
  return true;
}

}  // namespace

Expected<Decoded, Error> DecodeBmp(std::span<const std::uint8_t> f, const Limits& limits) {
  if (KindOfContent(f) != ContentKind::kBitmap) return ErrorCode::kNotAPicture;
  if (f.size() < kFileHeader + 4) return ErrorCode::kTruncatedBmp;
  const std::uint32_t data_offset = Le32(f, 10);
  const std::uint32_t header_size = Le32(f, 14);
  const bool core = header_size == 12;
  if (!core && (header_size < 16 || header_size > 4096)) return ErrorCode::kCorruptBmp;
  if (f.size() < kFileHeader + header_size) return ErrorCode::kTruncatedBmp;

  std::int64_t width, height;
  std::uint32_t bpp, compression = kRgb, colours_used = 0;
  if (core) {
    width = Le16(f, 18);
    height = Le16(f, 20);
    bpp = Le16(f, 24);
  } else {
    width = static_cast<std::int32_t>(Le32(f, 18));
    height = static_cast<std::int32_t>(Le32(f, 22));
    bpp = Le16(f, 28);
    if (header_size >= 20) compression = Le32(f, 30);
    if (header_size >= 36) colours_used = Le32(f, 46);
  }
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (width < 0) return ErrorCode::kCorruptBmp;
  if (width == 0 || height == 0) return ErrorCode::kEmptyPicture;
  if (!WithinLimits(width, height, limits)) return ErrorCode::kPictureTooLarge;
  if (static_cast<std::uint64_t>(width * height * 3) > limits.max_decode_bytes) {
    return ErrorCode::kDecodeTooLarge;
  }
  if (compression == kJpeg || compression == kPng) return ErrorCode::kUnsupportedBmp;
  // OS/2 2.x bitmaps use 3 and 4 for Huffman and RLE24, which we do not read.
  if (header_size == 64 && (compression == 3 || compression == 4)) {
    return ErrorCode::kUnsupportedBmp;
  }
  const bool bit_fields = compression == kBitFields || compression == kAlphaBitFields;
  switch (bpp) {
    case 1:
    case 24:
      if (compression != kRgb) return ErrorCode::kCorruptBmp;
      break;
    case 4:
      if (compression != kRgb && compression != kRle4) return ErrorCode::kCorruptBmp;
      break;
    case 8:
      if (compression != kRgb && compression != kRle8) return ErrorCode::kCorruptBmp;
      break;
    case 16:
    case 32:
      if (compression != kRgb && !bit_fields) return ErrorCode::kCorruptBmp;
      break;
    case 64:
      return ErrorCode::kUnsupportedBmp;
    default:
      return ErrorCode::kCorruptBmp;
  }

  // Colour masks: inside a V2..V5 header, or right after a 40-byte header.
  std::size_t after_header = kFileHeader + header_size;
  std::uint32_t masks[3] = {0, 0, 0};
  if (bpp == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0x00FF00;
    masks[2] = 0x0000FF;
  }
  if (bit_fields) {
    std::size_t at = kFileHeader + 40;
    if (header_size < 52) {
      const std::size_t n = compression == kAlphaBitFields ? 16 : 12;
      if (f.size() < after_header + n) return ErrorCode::kTruncatedBmp;
      at = after_header;
      after_header += n;
    }
    for (int c = 0; c < 3; ++c)
      masks[c] = Le32(f, at + 4 * static_cast<std::size_t>(c));
  }

  std::array<Rgb, 256> palette{};
  if (bpp <= 8) {
    const std::size_t entry = core ? 3 : 4;
    std::size_t count = std::size_t{1} << bpp;
    if (colours_used != 0 && colours_used < count) {
      count = colours_used;
    } else if (colours_used == 0 && data_offset >= after_header) {
      // A short palette without a count: the pixels start where the file says.
      count = std::min<std::size_t>(count, (data_offset - after_header) / entry);
    }
    if (f.size() < after_header + count * entry) return ErrorCode::kTruncatedBmp;
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t at = after_header + k * entry;
      palette[k] = {f[at + 2], f[at + 1], f[at]};
    }
    after_header += count * entry;
  }
  // Some writers leave the data offset 0 or point it into the header; the pixels then follow
  // the palette.
  std::size_t pixels_at = data_offset >= after_header ? data_offset : after_header;
  if (pixels_at > f.size()) return ErrorCode::kTruncatedBmp;
  std::span<const std::uint8_t> data = f.subspan(pixels_at);

  const int w = static_cast<int>(width), h = static_cast<int>(height);
  Decoded out;
  out.bits_per_pixel = static_cast<int>(bpp);
  out.image.width = w;
  out.image.height = h;
  out.whole = {w, h};
  out.region = {0, 0, w, h};
  out.image.rgb.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);

  if (compression == kRle8 || compression == kRle4) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        Put(out.image, x, y, palette[0]);
    }
    if (!DecodeRle(data, compression == kRle4, w, h, palette, top_down, out.image)) {
      return ErrorCode::kTruncatedBmp;
    }
    return out;
  }

  const std::uint64_t stride = (static_cast<std::uint64_t>(w) * bpp + 31) / 32 * 4;
  if (data.size() < stride * static_cast<std::uint64_t>(h)) return ErrorCode::kTruncatedBmp;
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
  for (int y = 0; y < h; ++y) {
    const auto row = data.subspan(static_cast<std::size_t>(stride * static_cast<std::uint64_t>(y)),
                                  static_cast<std::size_t>(stride));
    const int out_y = top_down ? y : h - 1 - y;
    std::uint8_t* dst = out.image.rgb.data() + static_cast<std::size_t>(out_y) * w * 3;
    for (int x = 0; x < w; ++x, dst += 3) {
      Rgb c;
      switch (bpp) {
        case 1:
          c = palette[(row[x / 8] >> (7 - x % 8)) & 1];
          break;
        case 4:
          c = palette[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F];
          break;
        case 8:
          c = palette[row[x]];
          break;
        case 16: {
          const std::uint32_t px = Le16(row, 2 * static_cast<std::size_t>(x));
          c = {red(px), green(px), blue(px)};
          break;
        }
        case 24:
          c = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
          break;
        default: {
          const std::uint32_t px = Le32(row, 4 * static_cast<std::size_t>(x));
          c = {red(px), green(px), blue(px)};
          break;
        }
      }
      dst[0] = c.r;
      dst[1] = c.g;
      dst[2] = c.b;
    }
  }
  return out;
}

}  // namespace dotcaster::picture
