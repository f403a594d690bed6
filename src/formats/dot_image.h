#pragma once

// A finished dot image, and the encoders of every format Dotcaster writes it in: the
// program's own 1-bit bitmap (the result working file), Quadrel, PNG and PBM. Each encoder
// takes the dots themselves; nothing is read back from another encoder's bytes.

#include <cstdint>
#include <span>

#include "formats/bytes.h"
#include "state/error.h"
#include "state/expected.h"

namespace dotcaster {

class DotImage {
 public:
  DotImage() = default;
  // width x height dots, all white.
  DotImage(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  // Bytes of a packed row: ceil(width / 8).
  int stride() const { return (width_ + 7) / 8; }

  // True for a black dot; (x, y) from the top-left corner, inside the image.
  bool dot(int x, int y) const { return (packed_[Index(x, y)] >> (7 - x % 8)) & 1; }
  void SetBlack(int x, int y) {
    packed_[Index(x, y)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  }

  // Row y packed: bit 7 of byte k is column 8k, 1 a black dot. The bits beyond the width
  // are 0, and whoever writes a row keeps them so.
  std::span<const std::uint8_t> row(int y) const {
    return {packed_.data() + RowStart(y), Stride()};
  }
  std::span<std::uint8_t> row(int y) { return {packed_.data() + RowStart(y), Stride()}; }

  friend bool operator==(const DotImage&, const DotImage&) = default;

 private:
  std::size_t Stride() const { return static_cast<std::size_t>(stride()); }
  std::size_t RowStart(int y) const { return static_cast<std::size_t>(y) * Stride(); }
  std::size_t Index(int x, int y) const { return RowStart(y) + static_cast<std::size_t>(x / 8); }

  int width_ = 0;
  int height_ = 0;
  Bytes packed_;
};

// The program's 1-bit bitmap (formats/quadrel.h): BmpFileSize(width, height) bytes, white
// dots 1, row padding and the bits beyond the width 0.
Bytes EncodeBmp(const DotImage& image);

// The Quadrel file: QdlFileSize(width, height) bytes; the rows below the image in its last
// band are 0. Width and height must fit in 16 bits.
Bytes EncodeQdl(const DotImage& image);

// Binary PBM (P4): black dots are 1.
Bytes EncodePbm(const DotImage& image);

// PNG, 1-bit greyscale (black 0), compressed as tightly as zlib can. Fails only when libpng
// does (kEncodeFailed, kOutOfMemory). Only in builds with libpng (DOTCASTER_PNG).
Expected<Bytes, Error> EncodePng(const DotImage& image);

}  // namespace dotcaster
