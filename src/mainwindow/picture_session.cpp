#include "mainwindow/picture_session.h"

#include <cstring>

#include "formats/file_io.h"
#include "picture/convert_picture.h"

namespace dotcaster {

PictureSession::PictureSession() : random_(&convert::TheDotRandom()) {}
PictureSession::~PictureSession() = default;

bool PictureSession::Load(Bytes file) {
  picture_.reset();
  auto loaded = picture::SourcePicture::FromBytes(std::move(file), limits_);
  if (!loaded) return false;
  picture_.emplace(std::move(loaded).value());
  return true;
}

void PictureSession::Load(const DotImage& dots) {
  picture_.emplace(picture::SourcePicture::FromDots(dots));
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

namespace {

convert::ConvertRequest Request(const AppState& state, std::optional<convert::CropFrame> crop,
                                int level, int method) {
  return {state.OutWidth, state.OutHeight, state.ZoomMode, state.JustZoom, crop, method, level};
}

}  // namespace

std::optional<QImage> PictureSession::Convert(AppState& state,
                                              std::optional<convert::CropFrame> crop, int level,
                                              int method) {
  if (!picture_) return std::nullopt;
  auto result =
      picture::ConvertSourcePicture(*picture_, Request(state, crop, level, method), *random_);
  if (!result) return std::nullopt;
  const convert::Geometry& placed = result->placement;
  state.ScaleX = placed.scale_x;
  state.ScaleY = placed.scale_y;
  state.PlaceWidth = placed.place_width;
  state.PlaceHeight = placed.place_height;
  if (WriteFileReplacing(state.WorkDspFile, EncodeBmp(result->dots))) return std::nullopt;
  return DotsToImage(result->dots);
}

std::optional<int> PictureSession::AutoLevel(const AppState& state,
                                             std::optional<convert::CropFrame> crop) {
  if (!picture_) return std::nullopt;
  auto level = picture::AutoLevel(*picture_, Request(state, crop, 128, convert::kDocument));
  if (!level) return std::nullopt;
  return *level;
}

void PictureSession::SetRandom(convert::DotRandom* random) {
  random_ = random ? random : &convert::TheDotRandom();
}

QImage DotsToImage(const DotImage& dots) {
  QImage image(dots.width(), dots.height(), QImage::Format_Mono);
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < dots.height(); ++y) {
    const auto row = dots.row(y);
    std::memcpy(image.scanLine(y), row.data(), row.size());
  }
  return image;
}

}  // namespace dotcaster
