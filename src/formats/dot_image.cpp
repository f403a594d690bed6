#include "formats/dot_image.h"

#include <algorithm>
#include <string>

#include "formats/quadrel.h"

namespace dotcaster {

DotImage::DotImage(int width, int height)
    : width_(width),
      height_(height),
      packed_(static_cast<std::size_t>((width + 7) / 8) * static_cast<std::size_t>(height), 0) {}

Bytes EncodeBmp(const DotImage& image) {
  Bytes out(static_cast<std::size_t>(BmpFileSize(image.width(), image.height())), 0);
  WriteBmpHeader(image.width(), image.height(), out);
  const std::size_t row_size = static_cast<std::size_t>(BmpRowSize(image.width()));
  // White is 1 in the bitmap; the bits beyond the width stay 0.
  const int tail = image.width() % 8;
  const std::uint8_t last_mask = tail == 0 ? 0xFF : static_cast<std::uint8_t>(0xFF00 >> tail);
  std::uint8_t* dst = out.data() + kBmpHeaderSize;
  for (int y = image.height() - 1; y >= 0; --y, dst += row_size) {
    const auto row = image.row(y);
    std::transform(row.begin(), row.end(), dst,
                   [](std::uint8_t b) { return static_cast<std::uint8_t>(~b); });
    if (!row.empty()) dst[row.size() - 1] &= last_mask;
  }
  return out;
}

Bytes EncodeQdl(const DotImage& image) {
  const int width = image.width(), height = image.height();
  Bytes out(static_cast<std::size_t>(QdlFileSize(width, height)), 0);
  PutLe16(out, 0, static_cast<std::uint32_t>(width));
  PutLe16(out, 2, static_cast<std::uint32_t>(height));
  std::size_t p = kQdlHeaderSize;
  for (int band_top = 0; band_top < height; band_top += 8) {
    const int band_rows = std::min(8, height - band_top);
    for (int x = 0; x < width; ++x, ++p) {
      for (int i = 0; i < band_rows; ++i) {
        if (image.dot(x, band_top + i)) out[p] |= static_cast<std::uint8_t>(1u << i);
      }
    }
  }
  return out;
}

Bytes EncodePbm(const DotImage& image) {
  const std::string header =
      "P4\n" + std::to_string(image.width()) + " " + std::to_string(image.height()) + "\n";
  Bytes out(header.begin(), header.end());
  out.reserve(out.size() +
              static_cast<std::size_t>(image.stride()) * static_cast<std::size_t>(image.height()));
  for (int y = 0; y < image.height(); ++y) {
    const auto row = image.row(y);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace dotcaster
