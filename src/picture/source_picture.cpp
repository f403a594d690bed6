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
    const convert::Size decoded = JpegScaledSize(width, height, m);
    if (decoded.width >= stretched.width && decoded.height >= stretched.height) return m;
  }
  return 8;
}

convert::Size JpegScaledSize(int width, int height, int scale_eighths) {
  return {static_cast<int>((std::int64_t{width} * scale_eighths + 7) / 8),
          static_cast<int>((std::int64_t{height} * scale_eighths + 7) / 8)};
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
    pic.file_ = std::move(file);
    if (when == Decode::kNow) {
      // Decoding once at load finds a truncated or corrupt file now, not at the first
      // conversion; the display needs this much detail anyway.
      const int scale =
          JpegScaleFor(pic.width_, pic.height_, convert::DisplaySize(pic.width_, pic.height_));
      auto decoded = DecodeJpeg(pic.file_, scale, limits);
      if (!decoded) return decoded.error();
      pic.cache_.push_back({scale, decoded->region, std::move(decoded->image)});
      pic.ReadWhole(decoded->bytes_used);
    }
    return pic;
  }
  auto decoded = kind == ContentKind::kBitmap ? DecodeBmp(file, limits) : DecodeGif(file, limits);
  if (!decoded) return decoded.error();
  pic.width_ = decoded->whole.width;
  pic.height_ = decoded->whole.height;
  pic.bits_per_pixel_ = decoded->bits_per_pixel;
  pic.cache_.push_back({8, decoded->region, std::move(decoded->image)});
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
  pic.cache_.push_back({8, {0, 0, image.width, image.height}, std::move(image)});
  return pic;
}

Expected<const SourcePicture::Cached*, Error> SourcePicture::DecodedFor(convert::Size stretched,
                                                                        int off_left, int off_top,
                                                                        int view_width,
                                                                        int view_height,
                                                                        convert::Size* whole) {
  if (!is_jpeg_) {
    *whole = {width_, height_};
    return &cache_.front();
  }
  // Exactly the scale this placement needs, never a larger one that happens to be kept: the
  // dots of a placement must not depend on what was decoded before (the window after a
  // crop, dotcast which decodes only once), or the two programs would disagree. Within one
  // scale a region has the very pixels of the whole decode, so any kept decode that covers
  // the window will do.
  const int needed = JpegScaleFor(width_, height_, stretched);
  *whole = JpegScaledSize(width_, height_, needed);
  const PixelRect region =
      SourceRectFor(*whole, stretched, off_left, off_top, view_width, view_height);
  if (region.width == 0 || region.height == 0) {
    static const Cached kNothing;  // the window shows none of the picture
    return &kNothing;
  }
  for (const Cached& c : cache_) {
    if (c.scale_eighths == needed && c.region.Contains(region)) return &c;
  }
  // Keep the first decode (the display's) and the newest.
  if (cache_.size() >= 2) cache_.erase(cache_.begin() + 1, cache_.end());
  auto decoded = DecodeJpegRegion(file_, needed, region, !tail_checked_, limits_);
  if (!decoded) return decoded.error();
  if (decoded->bytes_used > 0) ReadWhole(decoded->bytes_used);
  cache_.push_back({needed, decoded->region, std::move(decoded->image)});
  return &cache_.back();
}

void SourcePicture::ReadWhole(std::size_t bytes_used) {
  tail_checked_ = true;
  if (bytes_used < file_.size()) {
    file_.resize(bytes_used);
    file_.shrink_to_fit();
  }
}

Expected<RgbImage, Error> SourcePicture::DisplayImage() {
  const convert::Size disp = convert::DisplaySize(width_, height_);
  return Render(disp, 0, 0, disp.width, disp.height);
}

Expected<RgbImage, Error> SourcePicture::Render(convert::Size stretched, int off_left, int off_top,
                                                int view_width, int view_height) {
  convert::Size whole;
  auto decoded = DecodedFor(stretched, off_left, off_top, view_width, view_height, &whole);
  if (!decoded) return decoded.error();
  const Cached& c = **decoded;
  return RenderStretched(c.image, whole, c.region, stretched, off_left, off_top, view_width,
                         view_height);
}

Expected<ViewImage, Error> SourcePicture::RenderView(convert::Size stretched, int off_left,
                                                     int off_top, int view_width, int view_height) {
  const ViewKey key{stretched, off_left, off_top, view_width, view_height};
  if (last_view_ && last_key_ == key) return *last_view_;
  auto image = Render(stretched, off_left, off_top, view_width, view_height);
  if (!image) return image.error();
  ViewImage view(std::move(image).value());
  last_key_ = key;
  last_view_ = view;
  return view;
}

}  // namespace dotcaster::picture
