#pragma once

// A decoded source picture, and the off-screen source view the conversion reads.
//
// How to use it (window and dotcast alike):
//   auto pic = SourcePicture::FromBytes(bytes, limits);  // the file's bytes, read once
//   if (!pic) show ErrorText(pic.error());
//   RgbImage shown = pic->DisplayImage();                // the source view, dispW x dispH
//   auto dots = ConvertSourcePicture(*pic, request, random);  // picture/convert_picture.h
// A Quadrel file is opened from its dots (FromDots), black and white like the bitmap the
// converter makes of it.
//
// A SourcePicture keeps what it decoded: a change of level or method re-renders only the
// small view window. A JPEG is decoded no larger than the placement needs (DCT scaling), and
// a placement that needs more detail than what is kept decodes only the rows and columns its
// view window shows, at the scale it needs; width() and height() stay the file's own size
// throughout. One instance is not safe to use from two threads at once; separate
// instances are independent.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "convert/geometry.h"
#include "convert/mono.h"
#include "formats/dot_image.h"
#include "picture/decoders.h"
#include "state/error.h"
#include "state/expected.h"
#include "state/limits.h"

namespace dotcaster::picture {

// The DCT scale (in eighths) a JPEG of width x height is decoded at for a placement of the
// whole picture at `stretched`: the smallest whose decoded size still covers it on both axes,
// and the full size for a placement at or above the file's own size on either axis, so that
// a 1:1 placement sees exactly the decoded pixels.
int JpegScaleFor(int width, int height, convert::Size stretched);
// The size libjpeg decodes a width x height picture to at scale_eighths / 8 (rounded up).
convert::Size JpegScaledSize(int width, int height, int scale_eighths);

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
  // When a JPEG is decoded: at once, at the display's scale (the window: a broken file shows
  // up when it is opened, and the source view needs that much anyway), or at the first
  // RenderView, at the scale that placement needs (dotcast, which converts once and never
  // shows the display image, would otherwise decode more than it uses). Other kinds are
  // always decoded at once.
  enum class Decode { kNow, kOnFirstUse };

  // The decoder is chosen by the first bytes (BM, FF D8, GIF8), whatever the file name
  // says. The limits apply to this decode and to every later one.
  static Expected<SourcePicture, Error> FromBytes(std::vector<std::uint8_t> file,
                                                  const Limits& limits, Decode when = Decode::kNow);
  static Expected<SourcePicture, Error> FromFile(std::string_view path, const Limits& limits,
                                                 Decode when = Decode::kNow);
  // A picture of black and white pixels, one per dot, 1 bit per pixel.
  static SourcePicture FromDots(const DotImage& dots);

  SourcePicture(SourcePicture&&) noexcept;
  SourcePicture& operator=(SourcePicture&&) noexcept;
  ~SourcePicture();

  int width() const { return width_; }
  int height() const { return height_; }
  int bits_per_pixel() const { return bits_per_pixel_; }

  // The whole picture at convert::DisplaySize(width(), height()) (its own size up to
  // 320 x 240), for the window's source view. May be 0 wide for an extremely thin picture.
  Expected<RgbImage, Error> DisplayImage();

  // The placed source view: the picture stretched to `stretched` and shifted so that view
  // pixel (0, 0) shows stretched pixel (off_left, off_top); only the view_width x view_height
  // window is computed. View pixels outside the placed picture are white. Shrinking averages
  // the pixels a view pixel covers; enlarging repeats the nearest pixel. The last view is
  // kept: asking for the same placement again (a new level or method) renders nothing. A
  // JPEG that must be decoded again for the placement and fails gives the decoder's error.
  Expected<ViewImage, Error> RenderView(convert::Size stretched, int off_left, int off_top,
                                        int view_width, int view_height);

 private:
  SourcePicture() = default;
  // Decoded pixels: rectangle `region` of the picture decoded at scale_eighths / 8; the
  // picture's other pixels are white. The whole picture for bitmaps and Quadrel dots, the
  // part of the screen its frame covers for a GIF.
  struct Cached {
    int scale_eighths = 8;
    PixelRect region;
    RgbImage image;
  };
  // Decoded pixels that cover what rendering this window reads, decoding (again) when what
  // is kept has too little detail or covers too little; `whole` is set to the size of the
  // whole picture at the scale of the pixels returned.
  Expected<const Cached*, Error> DecodedFor(convert::Size stretched, int off_left, int off_top,
                                            int view_width, int view_height, convert::Size* whole);
  Expected<RgbImage, Error> Render(convert::Size stretched, int off_left, int off_top,
                                   int view_width, int view_height);
  // A decode has read the whole JPEG file without error: from now on only the bytes up to
  // the end of the picture's data are kept, since no later decode reads beyond them.
  void ReadWhole(std::size_t bytes_used);

  bool is_jpeg_ = false;
  bool tail_checked_ = false;  // the whole JPEG file has been read once without error
  Limits limits_;
  int width_ = 0;
  int height_ = 0;
  int bits_per_pixel_ = 24;
  // Kept for JPEG only, to decode again at another scale; once the whole file has been
  // read, only up to the end of the picture's data.
  std::vector<std::uint8_t> file_;
  // For JPEG the first decode (the display's) and the newest.
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
