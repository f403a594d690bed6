// Our decoders against Debian's own tools: each case writes a picture with an encoder at
// test time and decodes it with that tool family's decoder as the reference.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "picture/decoders.h"
#include "picture/source_picture.h"
#include "temp_dir.h"
#include "test_limits.h"
#include "tool_support.h"

namespace dotcaster::picture {
namespace {

using dotcaster::testing::TempDir;
using namespace dotcaster::picture::testing;

struct ToolCase {
  std::string name, encode, reference;
  int colours = 0;          // 2, 8 or 64 for palette pictures, 0 for full colour
  int bits_per_pixel = -1;  // expected, when it matters
  int tolerance = 0;        // largest channel difference allowed
  int width = 67, height = 45;
};

class DecodesLikeTheTools : public ::testing::TestWithParam<ToolCase> {};

TEST_P(DecodesLikeTheTools, SamePixels) {
  const ToolCase& c = GetParam();
  TempDir dir;
  auto enc =
      Encode(dir.path().string(), Pattern(c.width, c.height, c.colours), c.encode, c.reference);
  if (!enc) GTEST_SKIP() << "tools unavailable: " << c.encode << " / " << c.reference;
  auto pic = SourcePicture::FromBytes(enc->file, dotcaster::testing::kTestLimits);
  ASSERT_TRUE(pic) << ErrorText(pic.error());
  EXPECT_EQ(pic->width(), c.width);
  EXPECT_EQ(pic->height(), c.height);
  if (c.bits_per_pixel >= 0) {
    EXPECT_EQ(pic->bits_per_pixel(), c.bits_per_pixel);
  }
  // A 1:1 view of the whole picture is exactly the decoded pixels.
  auto view = pic->RenderView({c.width, c.height}, 0, 0, c.width, c.height);
  ASSERT_TRUE(view);
  auto delta = MaxDelta(view->image(), enc->reference);
  ASSERT_TRUE(delta) << "reference size differs";
  EXPECT_LE(*delta, c.tolerance);
}

const char* kDjpeg = "djpeg -ppm";
const char* kBmptoppm = "bmptoppm";
const char* kGiftopnm = "giftopnm";
const char* kMagickRef = "{convert} - ppm:-";

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodesLikeTheTools,
    ::testing::Values(ToolCase{"JpegBaseline", "cjpeg -quality 90", kDjpeg, 0, 24},
                      ToolCase{"JpegBaseline444", "cjpeg -sample 1x1", kDjpeg},
                      ToolCase{"JpegProgressive", "cjpeg -progressive", kDjpeg},
                      ToolCase{"JpegArithmetic", "cjpeg -arithmetic", kDjpeg},
                      ToolCase{"JpegRestarts", "cjpeg -restart 1", kDjpeg},
                      ToolCase{"JpegGrey", "cjpeg -grayscale", kDjpeg, 0, 8},
                      ToolCase{"JpegLargeOddSize", "cjpeg", kDjpeg, 0, -1, 0, 333, 251},
                      // ImageMagick's own CMYK to RGB rounds slightly differently.
                      ToolCase{"JpegCmyk", "{convert} - -colorspace CMYK jpg:-",
                               "{convert} - -colorspace sRGB ppm:-", 0, 32, 2},
                      ToolCase{"BmpNetpbm24", "ppmtobmp", kBmptoppm, 0, 24},
                      ToolCase{"BmpNetpbm8", "ppmtobmp -bpp 8", kBmptoppm, 64, 8},
                      ToolCase{"BmpNetpbm4", "ppmtobmp -bpp 4", kBmptoppm, 8, 4},
                      ToolCase{"BmpNetpbm1", "ppmtobmp -bpp 1", kBmptoppm, 2, 1},
                      ToolCase{"BmpOs2Header24", "ppmtobmp -os2", kBmptoppm, 0, 24},
                      ToolCase{"BmpOs2Header8", "ppmtobmp -os2 -bpp 8", kBmptoppm, 64, 8},
                      ToolCase{"BmpMagick24", "{convert} - BMP3:-", kMagickRef, 0, 24},
                      ToolCase{"BmpMagickV5", "{convert} - BMP:-", kMagickRef},
                      ToolCase{"BmpMagickRle8", "{convert} - -type palette -compress RLE BMP3:-",
                               kMagickRef, 64, 8},
                      ToolCase{"BmpMagickBitFields565",
                               "{convert} - -define bmp:subtype=RGB565 BMP:-", kMagickRef, 0, 16},
                      ToolCase{"BmpMagickBitFields32", "{convert} - -alpha on BMP:-", kMagickRef, 0,
                               32},
                      ToolCase{"GifNetpbm", "ppmtogif", kGiftopnm, 64},
                      ToolCase{"GifNetpbmInterlaced", "ppmtogif -interlace", kGiftopnm, 64},
                      ToolCase{"GifNetpbmTwoColours", "ppmtogif", kGiftopnm, 2, 1},
                      ToolCase{"GifMagick", "{convert} - gif:-", kGiftopnm, 64},
                      // giflib's own encoder (raw RGB in) and decoder (raw RGB out).
                      ToolCase{"GifGiflib", "tail -c +14 | gif2rgb -s 67 45",
                               "printf 'P6\\n67 45\\n255\\n'; gif2rgb -1", 64}),
    [](const auto& info) { return info.param.name; });

// The DCT-scaled decode is libjpeg's own: the same pixels as djpeg -scale. A region of it has
// exactly the pixels of the whole decode, whatever the chroma sampling, also at the edges
// where smooth upsampling reads the neighbouring pixels.
TEST(DecodeJpeg, ScaledDecodeMatchesDjpegAndRegionsMatchTheWhole) {
  TempDir dir;
  for (const char* encoder : {"cjpeg", "cjpeg -sample 2x1", "cjpeg -progressive",
                              "cjpeg -grayscale", "{convert} - -colorspace CMYK jpg:-"}) {
    for (int eighths : {1, 3, 4, 8}) {
      const std::string scale = std::to_string(eighths) + "/8";
      auto enc =
          Encode(dir.path().string(), Pattern(203, 131), encoder, "djpeg -ppm -scale " + scale);
      ASSERT_TRUE(enc) << encoder;
      auto whole = DecodeJpeg(enc->file, eighths, dotcaster::testing::kTestLimits);
      ASSERT_TRUE(whole);
      const RgbImage& w = whole->image;
      if (std::string(encoder).starts_with("cjpeg")) {
        auto delta = MaxDelta(w, enc->reference);
        ASSERT_TRUE(delta) << scale << ": " << w.width << " x " << w.height;
        EXPECT_EQ(*delta, 0) << encoder << " " << scale;
      }
      for (const PixelRect r :
           {PixelRect{1, 1, w.width - 2, w.height - 2},
            PixelRect{w.width / 3, w.height / 3 + 1, w.width / 4 + 1, 9},
            PixelRect{w.width - 5, w.height - 3, 5, 3}, PixelRect{7, 0, 1, w.height}}) {
        auto part = DecodeJpegRegion(enc->file, eighths, r, false, dotcaster::testing::kTestLimits);
        ASSERT_TRUE(part);
        ASSERT_EQ(part->image.width, r.width);
        ASSERT_EQ(part->image.height, r.height);
        for (int y = 0; y < r.height; ++y) {
          ASSERT_TRUE(std::equal(part->image.Pixel(0, y), part->image.Pixel(0, y) + 3 * r.width,
                                 w.Pixel(r.left, r.top + y)))
              << encoder << " " << scale << " region " << r.left << "," << r.top << " row " << y;
        }
      }
    }
  }
}

// The rest of a file below a region is read only when asked to be.
TEST(DecodeJpeg, RegionChecksTheTailOnlyWhenAsked) {
  TempDir dir;
  auto enc = Encode(dir.path().string(), Pattern(160, 160), "cjpeg");
  ASSERT_TRUE(enc);
  const Bytes cut(enc->file.begin(), enc->file.begin() + enc->file.size() * 3 / 4);
  const PixelRect top{10, 0, 40, 16};
  EXPECT_TRUE(DecodeJpegRegion(cut, 8, top, false, dotcaster::testing::kTestLimits));
  EXPECT_EQ(DecodeJpegRegion(cut, 8, top, true, dotcaster::testing::kTestLimits).error().code,
            ErrorCode::kTruncatedJpeg);
}

TEST(DecodeGif, TransparentPixelsAreWhite) {
  RgbImage img = Pattern(40, 20, 8);
  for (int y = 0; y < 10; ++y) {  // a pure red block, to be made transparent
    for (int x = 0; x < 10; ++x) {
      std::uint8_t* p = img.rgb.data() + (static_cast<std::size_t>(y) * 40 + x) * 3;
      p[0] = 255;
      p[1] = p[2] = 0;
    }
  }
  TempDir dir;
  auto enc = Encode(dir.path().string(), img, "ppmtogif -transparent=rgb:ff/00/00");
  ASSERT_TRUE(enc);
  auto decoded = DecodeGif(enc->file, dotcaster::testing::kTestLimits);
  ASSERT_TRUE(decoded);
  for (std::size_t i = 0; i < img.rgb.size(); i += 3) {
    const bool red = img.rgb[i] == 255 && img.rgb[i + 1] == 0 && img.rgb[i + 2] == 0;
    for (std::size_t c = 0; c < 3; ++c)
      ASSERT_EQ(decoded->image.rgb[i + c], red ? 255 : img.rgb[i + c]) << "pixel " << i / 3;
  }
}

}  // namespace
}  // namespace dotcaster::picture
