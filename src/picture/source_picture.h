#pragma once

// A decoded source picture, and the off-screen source view the conversion reads.
//
// How to use it (window and dotcast alike):
//   auto pic = SourcePicture::FromFile(path);        // or FromBytes(bytes)
//   if (!pic) show PictureErrorText(pic.error());
//   state.SrcWidth = pic->width(); ...                // the file's own size
//   RgbImage shown = pic->DisplayImage();             // the source view, dispW x dispH
//   auto bmp = ConvertSourcePicture(state, *pic, ...) // picture/convert_picture.h
// A Quadrel file is opened as the bitmap that ConvertQdlBmp makes of it (FromBytes).
//
// A SourcePicture keeps what it decoded: a change of level or method re-renders only the
// small view window. A JPEG is decoded no larger than the placement needs (DCT scaling) and
// decoded again, larger, when a crop needs more detail; width() and height() stay the file's
// own size throughout. One instance is not safe to use from two threads at once; separate
// instances are independent.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "convert/geometry.h"
#include "convert/mono.h"
#include "picture/decoders.h"
#include "state/expected.h"

namespace dotcaster::picture {

enum class PictureKind { kBmp, kJpeg, kGif };

// The kind by the first bytes (BM, FF D8, GIF8), whatever the file name says.
Expected<PictureKind, PictureError> DetectKind(std::span<const std::uint8_t> file);

// A rendered part of the source view: view pixels (0, 0) .. (width - 1, height - 1).
class ViewImage final : public convert::ViewSampler {
 public:
  explicit ViewImage(RgbImage image) : image_(std::move(image)) {}
  const RgbImage& image() const { return image_; }
  void ReadRow(int row, int count, std::uint32_t* out) const override;

 private:
  RgbImage image_;
};

class SourcePicture {
 public:
  // Files above this size are refused before they are read (no picture we accept is
  // larger).
  static constexpr std::size_t kMaxFileBytes = std::size_t{512} << 20;

  // When a JPEG is decoded: at once, at the display's scale (the window: a broken file shows
  // up when it is opened, and the source view needs that much anyway), or at the first
  // RenderView, at the scale that placement needs (dotcast, which converts once and never
  // shows the display image, would otherwise decode more than it uses). Other kinds are
  // always decoded at once.
  enum class Decode { kNow, kOnFirstUse };

  static Expected<SourcePicture, PictureError> FromBytes(std::vector<std::uint8_t> file,
                                                         Decode when = Decode::kNow);
  static Expected<SourcePicture, PictureError> FromFile(std::string_view path,
                                                        Decode when = Decode::kNow);

  SourcePicture(SourcePicture&&) noexcept;
  SourcePicture& operator=(SourcePicture&&) noexcept;
  ~SourcePicture();

  PictureKind kind() const { return kind_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int bits_per_pixel() const { return bits_per_pixel_; }

  // The whole picture at convert::DisplaySize(width(), height()) (its own size up to
  // 320 x 240), for the window's source view. May be 0 wide for an extremely thin picture.
  Expected<RgbImage, PictureError> DisplayImage();

  // Decodes what a placement of the whole picture at `stretched` needs, unless that is
  // decoded already. RenderView does this itself but reports a failure only as a failed
  // render; a caller that wants the reason ("truncated JPEG") asks here first.
  std::optional<PictureError> PrepareFor(convert::Size stretched);

  // The placed source view: the picture stretched to `stretched` and shifted so that view
  // pixel (0, 0) shows stretched pixel (off_left, off_top); only the view_width x view_height
  // window is computed. View pixels outside the placed picture are white. Shrinking averages
  // the pixels a view pixel covers; enlarging repeats the nearest pixel. The last view is
  // kept: asking for the same placement again (a new level or method) renders nothing.
  Expected<ViewImage, PictureError> RenderView(convert::Size stretched, int off_left, int off_top,
                                               int view_width, int view_height);

 private:
  SourcePicture() = default;
  // The decoded image to render a placement of stretched size from, decoding (again) when
  // what is kept has too little detail.
  Expected<const RgbImage*, PictureError> ImageFor(convert::Size stretched);

  PictureKind kind_ = PictureKind::kBmp;
  int width_ = 0;
  int height_ = 0;
  int bits_per_pixel_ = 24;
  std::vector<std::uint8_t> file_;  // kept for JPEG only, to decode again at another scale
  // Decoded images: the full picture for bitmaps and GIFs; for JPEG, up to two scales.
  struct Cached {
    int scale_eighths = 8;
    RgbImage image;
  };
  std::vector<Cached> cache_;
  // The last view rendered: a change of level or method places the picture exactly as before
  // and converts from it without rendering again. The view depends only on the placement
  // (each placement always renders from the same decode), so keeping it changes no dot.
  struct ViewKey {
    convert::Size stretched;
    int off_left = 0, off_top = 0, view_width = 0, view_height = 0;
    friend bool operator==(const ViewKey&, const ViewKey&) = default;
  };
  ViewKey last_key_;
  std::optional<ViewImage> last_view_;
};

}  // namespace dotcaster::picture
