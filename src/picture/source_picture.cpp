#include "picture/source_picture.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include "formats/file_io.h"
#include "picture/resample.h"
#include "state/paths.h"

namespace dotcaster::picture {

Expected<PictureKind, PictureError> DetectKind(std::span<const std::uint8_t> file) {
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') return PictureKind::kBmp;
  if (file.size() >= 2 && file[0] == 0xFF && file[1] == 0xD8) return PictureKind::kJpeg;
  if (file.size() >= 4 && file[0] == 'G' && file[1] == 'I' && file[2] == 'F' && file[3] == '8') {
    return PictureKind::kGif;
  }
  return PictureError::kNotAPicture;
}

void ViewImage::ReadRow(int row, int count, std::uint32_t* out) const {
  const std::uint8_t* p = image_.Pixel(0, row);
  for (int x = 0; x < count; ++x, p += 3) {
    out[x] = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
  }
}

SourcePicture::SourcePicture(SourcePicture&&) noexcept = default;
SourcePicture& SourcePicture::operator=(SourcePicture&&) noexcept = default;
SourcePicture::~SourcePicture() = default;

Expected<SourcePicture, PictureError> SourcePicture::FromFile(std::string_view path, Decode when) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(ToFsPath(path), ec);
  if (ec) return PictureError::kOpen;
  if (size > kMaxFileBytes) return PictureError::kTooLarge;
  auto bytes = ReadFileBytes(path);
  if (!bytes) {
    return bytes.error() == FormatError::kOpenSource ? PictureError::kOpen : PictureError::kRead;
  }
  return FromBytes(std::move(bytes).value(), when);
}

namespace {

// The smallest JPEG scale (in eighths) whose decoded size still covers `stretched` on both
// axes. A placement at or above the file's own size on either axis gets the full decode, so
// that a 1:1 placement sees exactly the decoded pixels.
int ScaleFor(int width, int height, convert::Size stretched) {
  if (stretched.width >= width || stretched.height >= height) return 8;
  for (int m = 1; m < 8; ++m) {
    const std::int64_t w = (std::int64_t{width} * m + 7) / 8;
    const std::int64_t h = (std::int64_t{height} * m + 7) / 8;
    if (w >= stretched.width && h >= stretched.height) return m;
  }
  return 8;
}

}  // namespace

Expected<SourcePicture, PictureError> SourcePicture::FromBytes(std::vector<std::uint8_t> file,
                                                               Decode when) {
  auto kind = DetectKind(file);
  if (!kind) return kind.error();
  SourcePicture pic;
  pic.kind_ = *kind;
  try {
    if (pic.kind_ == PictureKind::kJpeg) {
      auto info = ReadJpegInfo(file);
      if (!info) return info.error();
      pic.width_ = info->width;
      pic.height_ = info->height;
      pic.bits_per_pixel_ = 8 * info->components;
      if (when == Decode::kOnFirstUse) {
        pic.file_ = std::move(file);
        return pic;
      }
      // Decoding once at load finds a truncated or corrupt file now, not at the first
      // conversion; the display needs this much detail anyway.
      const int scale =
          ScaleFor(pic.width_, pic.height_, convert::DisplaySize(pic.width_, pic.height_));
      auto decoded = DecodeJpeg(file, scale);
      if (!decoded) return decoded.error();
      pic.cache_.push_back({scale, std::move(decoded->image)});
      pic.file_ = std::move(file);
    } else {
      auto decoded = pic.kind_ == PictureKind::kBmp ? DecodeBmp(file) : DecodeGif(file);
      if (!decoded) return decoded.error();
      pic.width_ = decoded->image.width;
      pic.height_ = decoded->image.height;
      pic.bits_per_pixel_ = decoded->bits_per_pixel;
      pic.cache_.push_back({8, std::move(decoded->image)});
    }
  } catch (const std::bad_alloc&) {
    return PictureError::kOutOfMemory;
  }
  return pic;
}

Expected<const RgbImage*, PictureError> SourcePicture::ImageFor(convert::Size stretched) {
  if (kind_ != PictureKind::kJpeg) return &cache_.front().image;
  // Exactly the scale this placement needs, never a larger one that happens to be kept: the
  // dots of a placement must not depend on what was decoded before (the window after a
  // crop, dotcast which decodes only once), or the two programs would disagree.
  const int needed = ScaleFor(width_, height_, stretched);
  for (const Cached& c : cache_) {
    if (c.scale_eighths == needed) return &c.image;
  }
  // Keep the first decode (the display's) and the newest.
  if (cache_.size() >= 2) cache_.erase(cache_.begin() + 1, cache_.end());
  try {
    auto decoded = DecodeJpeg(file_, needed);
    if (!decoded) return decoded.error();
    cache_.push_back({needed, std::move(decoded->image)});
  } catch (const std::bad_alloc&) {
    return PictureError::kOutOfMemory;
  }
  return &cache_.back().image;
}

std::optional<PictureError> SourcePicture::PrepareFor(convert::Size stretched) {
  auto image = ImageFor(stretched);
  if (!image) return image.error();
  return std::nullopt;
}

Expected<RgbImage, PictureError> SourcePicture::DisplayImage() {
  const convert::Size disp = convert::DisplaySize(width_, height_);
  auto image = ImageFor(disp);
  if (!image) return image.error();
  return RenderStretched(**image, disp, 0, 0, disp.width, disp.height);
}

Expected<ViewImage, PictureError> SourcePicture::RenderView(convert::Size stretched, int off_left,
                                                            int off_top, int view_width,
                                                            int view_height) {
  const ViewKey key{stretched, off_left, off_top, view_width, view_height};
  if (last_view_ && last_key_ == key) return *last_view_;
  auto image = ImageFor(stretched);
  if (!image) return image.error();
  ViewImage view(RenderStretched(**image, stretched, off_left, off_top, view_width, view_height));
  last_key_ = key;
  last_view_ = view;
  return view;
}

}  // namespace dotcaster::picture
