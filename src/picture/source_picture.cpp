#include "picture/source_picture.h"

#include <utility>

#include "formats/file_io.h"
#include "formats/probe.h"
#include "picture/resample.h"

namespace dotcaster::picture {

void ViewImage::ReadRow(int row, int count, std::uint32_t* out) const {
  const std::uint8_t* p = image_.Pixel(0, row);
  for (int x = 0; x < count; ++x, p += 3) {
    out[x] = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  }
}

SourcePicture::SourcePicture(SourcePicture&&) noexcept = default;
SourcePicture& SourcePicture::operator=(SourcePicture&&) noexcept = default;
SourcePicture::~SourcePicture() = default;

Expected<SourcePicture, Error> SourcePicture::FromFile(std::string_view path, const Limits& limits,
                                                       Decode when) {
  auto bytes = ReadFileBytes(path, limits);
  if (!bytes) return bytes.error();
  return FromBytes(std::move(bytes).value(), limits, when);
}

int JpegScaleFor(int width, int height, convert::Size stretched) {
  if (stretched.width >= width || stretched.height >= height) return 8;
  for (int m = 1; m < 8; ++m) {
    const std::int64_t w = (std::int64_t{width} * m + 7) / 8;
    const std::int64_t h = (std::int64_t{height} * m + 7) / 8;
    if (w >= stretched.width && h >= stretched.height) return m;
  }
  return 8;
}

Expected<SourcePicture, Error> SourcePicture::FromBytes(std::vector<std::uint8_t> file,
                                                        const Limits& limits, Decode when) {
  const ContentKind kind = KindOfContent(file);
  if (kind == ContentKind::kUnknown) return ErrorCode::kNotAPicture;
  SourcePicture pic;
  pic.limits_ = limits;
  if (kind == ContentKind::kJpeg) {
    pic.is_jpeg_ = true;
    auto info = ReadJpegInfo(file, limits);
    if (!info) return info.error();
    pic.width_ = info->width;
    pic.height_ = info->height;
    pic.bits_per_pixel_ = 8 * info->components;
    if (when == Decode::kNow) {
      // Decoding once at load finds a truncated or corrupt file now, not at the first
      // conversion; the display needs this much detail anyway.
      const int scale =
          JpegScaleFor(pic.width_, pic.height_, convert::DisplaySize(pic.width_, pic.height_));
      auto decoded = DecodeJpeg(file, scale, limits);
      if (!decoded) return decoded.error();
      file.resize(decoded->bytes_used);
      pic.cache_.push_back({scale, std::move(decoded->image), decoded->page});
    }
    pic.file_ = std::move(file);
    pic.file_.shrink_to_fit();
    return pic;
  }
  auto decoded = kind == ContentKind::kBitmap ? DecodeBmp(file, limits) : DecodeGif(file, limits);
  if (!decoded) return decoded.error();
  pic.width_ = decoded->page.width;
  pic.height_ = decoded->page.height;
  pic.bits_per_pixel_ = decoded->bits_per_pixel;
  pic.cache_.push_back({8, std::move(decoded->image), decoded->page});
  return pic;
}

SourcePicture SourcePicture::FromDots(const DotImage& dots) {
  SourcePicture pic;
  pic.width_ = dots.width();
  pic.height_ = dots.height();
  pic.bits_per_pixel_ = 1;
  RgbImage image{dots.width(), dots.height(), {}};
  image.rgb.reserve(static_cast<std::size_t>(dots.width()) * dots.height() * 3);
  for (int y = 0; y < dots.height(); ++y) {
    for (int x = 0; x < dots.width(); ++x)
      image.rgb.insert(image.rgb.end(), 3, dots.dot(x, y) ? 0x00 : 0xFF);
  }
  pic.cache_.push_back({8, std::move(image), {dots.width(), dots.height(), 0, 0}});
  return pic;
}

Expected<const SourcePicture::Cached*, Error> SourcePicture::ImageFor(convert::Size stretched) {
  if (!is_jpeg_) return &cache_.front();
  // Exactly the scale this placement needs, never a larger one that happens to be kept: the
  // dots of a placement must not depend on what was decoded before (the window after a
  // crop, dotcast which decodes only once), or the two programs would disagree.
  const int needed = JpegScaleFor(width_, height_, stretched);
  for (const Cached& c : cache_) {
    if (c.scale_eighths == needed) return &c;
  }
  // Keep the first decode (the display's) and the newest.
  if (cache_.size() >= 2) cache_.erase(cache_.begin() + 1, cache_.end());
  auto decoded = DecodeJpeg(file_, needed, limits_);
  if (!decoded) return decoded.error();
  if (decoded->bytes_used < file_.size()) {
    file_.resize(decoded->bytes_used);
    file_.shrink_to_fit();
  }
  cache_.push_back({needed, std::move(decoded->image), decoded->page});
  return &cache_.back();
}

Expected<RgbImage, Error> SourcePicture::DisplayImage() {
  const convert::Size disp = convert::DisplaySize(width_, height_);
  auto image = ImageFor(disp);
  if (!image) return image.error();
  return RenderStretched((*image)->image, (*image)->page, disp, 0, 0, disp.width, disp.height);
}

Expected<ViewImage, Error> SourcePicture::RenderView(convert::Size stretched, int off_left,
                                                     int off_top, int view_width, int view_height) {
  const ViewKey key{stretched, off_left, off_top, view_width, view_height};
  if (last_view_ && last_key_ == key) return *last_view_;
  auto image = ImageFor(stretched);
  if (!image) return image.error();
  ViewImage view(RenderStretched((*image)->image, (*image)->page, stretched, off_left, off_top,
                                 view_width, view_height));
  last_key_ = key;
  last_view_ = view;
  return view;
}

}  // namespace dotcaster::picture
