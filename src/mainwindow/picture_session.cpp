#include "mainwindow/picture_session.h"

#include <algorithm>
#include <cstring>

#include "convert/mono.h"
#include "formats/file_io.h"
#include "picture/convert_picture.h"

namespace dotcaster {
namespace {

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

QRgb PaletteEntry(std::span<const std::uint8_t> b, std::size_t at) {
  return qRgb(b[at + 2], b[at + 1], b[at]);
}

// Bitmaps larger than any result or Quadrel picture are not shown through this path.
constexpr std::int64_t kMaxMonoSide = 4096;

}  // namespace

PictureSession::PictureSession() : random_(&convert::TheDotRandom()) {}
PictureSession::~PictureSession() = default;

bool PictureSession::Load(const std::string& path) {
  picture_.reset();
  auto loaded = picture::SourcePicture::FromFile(path);
  if (!loaded) return false;
  picture_.emplace(std::move(loaded).value());
  return true;
}

void PictureSession::Clear() {
  picture_.reset();
}

QImage PictureSession::DisplayImage() {
  if (!picture_) return {};
  auto shown = picture_->DisplayImage();
  if (!shown || shown->width < 1 || shown->height < 1) return {};
  const picture::RgbImage& rgb = *shown;
  QImage image(rgb.width, rgb.height, QImage::Format_RGB888);
  const std::size_t row_bytes = static_cast<std::size_t>(rgb.width) * 3;
  for (int y = 0; y < rgb.height; ++y) {
    std::memcpy(image.scanLine(y), rgb.Pixel(0, y), row_bytes);
  }
  return image;
}

std::optional<QImage> PictureSession::Convert(AppState& state,
                                              std::optional<convert::CropFrame> crop, int level,
                                              int method) {
  if (!picture_) return std::nullopt;
  auto bitmap = picture::ConvertSourcePicture(state, *picture_, crop, level, method, *random_);
  if (!bitmap) return std::nullopt;
  if (convert::WriteMonoBitmap(state.WorkDspFile, *bitmap)) return std::nullopt;
  return MonoBitmapToImage(*bitmap);
}

void PictureSession::SetRandom(convert::DotRandom* random) {
  random_ = random ? random : &convert::TheDotRandom();
}

std::optional<QImage> MonoBitmapToImage(std::span<const std::uint8_t> b) {
  constexpr std::size_t kHeader = 62;
  if (b.size() < kHeader || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const std::int64_t width = static_cast<std::int32_t>(U32(b, 18));
  const std::int64_t height = static_cast<std::int32_t>(U32(b, 22));
  if (U16(b, 28) != 1 || U32(b, 30) != 0) return std::nullopt;
  if (width < 1 || height < 1 || width > kMaxMonoSide || height > kMaxMonoSide) {
    return std::nullopt;
  }
  const std::size_t offset = U32(b, 10);
  const std::size_t row_size = static_cast<std::size_t>((width + 31) / 32 * 4);
  if (offset < kHeader || offset > b.size() ||
      (b.size() - offset) / row_size < static_cast<std::size_t>(height)) {
    return std::nullopt;
  }
  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_Mono);
  image.setColorTable({PaletteEntry(b, 54), PaletteEntry(b, 58)});
  const std::size_t copy = std::min<std::size_t>(row_size, image.bytesPerLine());
  for (int y = 0; y < image.height(); ++y) {
    const std::size_t row = static_cast<std::size_t>(height - 1 - y);
    std::memcpy(image.scanLine(y), b.data() + offset + row * row_size, copy);
  }
  return image;
}

std::optional<QImage> LoadMonoBitmapImage(const std::string& path) {
  auto bytes = ReadFileBytes(path, std::size_t{4} << 20);
  if (!bytes) return std::nullopt;
  return MonoBitmapToImage(*bytes);
}

}  // namespace dotcaster
