#include "picture/bmp_encoder.h"

#include <cstdint>
#include <limits>

namespace dotcaster::picture {
namespace {

constexpr std::size_t kHeaderSize = 14 + 40;
constexpr std::uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

}  // namespace

Expected<Bytes, Error> EncodeBmp24(const RgbImage& image, const Limits& limits) {
  if (image.width < 1 || image.height < 1) return ErrorCode::kEmptyPicture;
  if (!WithinLimits(image.width, image.height, limits)) return ErrorCode::kPictureTooLarge;
  const auto width = static_cast<std::size_t>(image.width);
  const auto height = static_cast<std::size_t>(image.height);
  if (image.rgb.size() != width * height * 3) return ErrorCode::kEncodeFailed;
  const std::size_t row_size = (width * 3 + 3) / 4 * 4;
  const std::uint64_t file_size = kHeaderSize + std::uint64_t{row_size} * height;
  if (file_size > limits.max_file_bytes || file_size > std::numeric_limits<std::uint32_t>::max()) {
    return ErrorCode::kPictureTooLarge;
  }

  Bytes out(static_cast<std::size_t>(file_size));
  out[0] = 'B';
  out[1] = 'M';
  PutLe32(out, 2, static_cast<std::uint32_t>(file_size));
  PutLe32(out, 10, kHeaderSize);
  PutLe32(out, 14, 40);
  PutLe32(out, 18, static_cast<std::uint32_t>(width));
  PutLe32(out, 22, static_cast<std::uint32_t>(height));
  PutLe16(out, 26, 1);   // planes
  PutLe16(out, 28, 24);  // bits per pixel; compression (30) stays 0
  PutLe32(out, 34, static_cast<std::uint32_t>(file_size - kHeaderSize));
  PutLe32(out, 38, kPixelsPerMetre);
  PutLe32(out, 42, kPixelsPerMetre);
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + kHeaderSize + (height - 1 - y) * row_size;
    const std::uint8_t* rgb = image.rgb.data() + y * width * 3;
    for (std::size_t x = 0; x < width; ++x, row += 3, rgb += 3) {
      row[0] = rgb[2];
      row[1] = rgb[1];
      row[2] = rgb[0];
    }
  }
  return out;
}

}  // namespace dotcaster::picture
