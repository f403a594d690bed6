#pragma once

// A converted dot image as dotcast hands it around: the program's own 1-bit bitmap (the
// bytes the window keeps as its result working file), and the encoders that turn it into
// each output format.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "cli/dotcast/options.h"
#include "formats/file_io.h"
#include "state/expected.h"

namespace dotcaster::cli {

class DotImage {
 public:
  // bmp is a whole bitmap file in the program's layout, of BmpFileSize(width, height)
  // bytes; anything shorter is refused by FromBitmap.
  static Expected<DotImage, std::string> FromBitmap(Bytes bmp);

  int width() const { return width_; }
  int height() const { return height_; }
  const Bytes& bitmap() const { return bmp_; }

  // True for a black (set) dot; (x, y) from the top-left corner, inside the image.
  bool Black(int x, int y) const;

 private:
  int width_ = 0;
  int height_ = 0;
  int row_size_ = 0;
  Bytes bmp_;
};

// The file content of the image in the given format: the bitmap itself; Quadrel through
// the program's converter (so it is byte for byte what the window saves); PNG as 1-bit
// greyscale; PBM as binary P4.
Expected<Bytes, std::string> EncodeDots(const DotImage& image, OutputFormat format);

// PNG and PBM with black dots as ink (PNG grey 0, PBM 1).
Bytes EncodePng(const DotImage& image);
Bytes EncodePbm(const DotImage& image);

// The checksums PNG needs (zlib's CRC-32 and Adler-32).
std::uint32_t Crc32(std::span<const std::uint8_t> data, std::uint32_t crc = 0);
std::uint32_t Adler32(std::span<const std::uint8_t> data, std::uint32_t adler = 1);

// The image as text, two dot rows per line with the Unicode half blocks; the ink is the
// black dots, or the white ones when invert is set (for light text on a dark terminal).
std::string RenderHalfBlocks(const DotImage& image, bool invert);

}  // namespace dotcaster::cli
