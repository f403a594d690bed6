#include "cli/dotcast/dots.h"

namespace dotcaster::cli {

Expected<Bytes, Error> EncodeDots(const DotImage& image, OutputFormat format) {
  switch (format) {
    case OutputFormat::kBmp:
      return EncodeBmp(image);
    case OutputFormat::kPng:
      return EncodePng(image);
    case OutputFormat::kPbm:
      return EncodePbm(image);
    case OutputFormat::kQdl:
      break;
  }
  return EncodeQdl(image);
}

std::string RenderHalfBlocks(const DotImage& image, bool invert) {
  static constexpr const char* kCells[4] = {" ", "\u2580", "\u2584", "\u2588"};
  std::string out;
  out.reserve(static_cast<std::size_t>(image.width() * 3 + 1) * ((image.height() + 1) / 2));
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); ++x) {
      const bool top = image.dot(x, y) != invert;
      // An odd last row has no partner: the lower half stays empty.
      const bool bottom = y + 1 < image.height() && image.dot(x, y + 1) != invert;
      out += kCells[(top ? 1 : 0) | (bottom ? 2 : 0)];
    }
    out += '\n';
  }
  return out;
}

}  // namespace dotcaster::cli
