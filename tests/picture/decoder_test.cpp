// Our decoders against Debian's own tools: each case writes a picture with an encoder at
// test time and decodes it with that tool family's decoder as the reference.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "formats/probe.h"
#include "hostile.h"
#include "picture/convert_picture.h"
#include "picture/decoders.h"
#include "picture/source_picture.h"
#include "temp_dir.h"
#include "test_limits.h"
#include "tool_support.h"
#include "tools.h"

namespace dotcaster::picture {
namespace {

using dotcaster::testing::kTestLimits;
using dotcaster::testing::TempDir;
using namespace dotcaster::picture::testing;

struct ToolCase {
  std::string name, encode, reference;
  int colours = 0;          // 2, 8 or 64 for palette pictures, 0 for full colour
  int bits_per_pixel = -1;  // expected, when it matters
  int tolerance = 0;        // largest channel difference allowed
  int width = 401, height = 301;
};

class DecodesLikeTheTools : public ::testing::TestWithParam<ToolCase> {};

// The decoder gives the tool family's pixels, the conversion placed without stretching
// thresholds exactly those pixels, the header reader measures the file as the decoder does,
// and the file cut in half is refused.
TEST_P(DecodesLikeTheTools, SamePixelsAndSize) {
  const ToolCase& c = GetParam();
  REQUIRE_TOOLS(c.encode, c.reference, "ppmtoppm");
  TempDir dir;
  auto enc =
      Encode(dir.path().string(), Pattern(c.width, c.height, c.colours), c.encode, c.reference);
  ASSERT_TRUE(enc) << c.encode << " / " << c.reference;
  auto pic = SourcePicture::FromBytes(enc->file, kTestLimits);
  ASSERT_TRUE(pic) << ErrorText(pic.error());
  EXPECT_EQ(pic->width(), c.width);
  EXPECT_EQ(pic->height(), c.height);
  EXPECT_TRUE(c.bits_per_pixel < 0 || pic->bits_per_pixel() == c.bits_per_pixel);
  // A 1:1 view of the whole picture is exactly the decoded pixels.
  auto view = pic->RenderView({c.width, c.height}, 0, 0, c.width, c.height);
  ASSERT_TRUE(view);
  EXPECT_TRUE(PixelsWithin(view->image(), enc->reference, c.tolerance));
  convert::DotRandom random;
  for (int level : {60, 128, 200}) {
    auto dots =
        ConvertSourcePicture(*pic, {320, 240, false, true, {}, convert::kDocument, level}, random);
    ASSERT_TRUE(dots);
    EXPECT_TRUE(c.tolerance > 0 || DotsAreThresholds(dots->dots, enc->reference, 0, 0, level))
        << level;
  }
  const auto probed = ProbeHeader(enc->file, KindOfContent(enc->file));
  EXPECT_TRUE(probed && probed->width == c.width && probed->height == c.height);
  const Bytes half(enc->file.begin(), enc->file.begin() + enc->file.size() / 2);
  EXPECT_FALSE(SourcePicture::FromBytes(half, kTestLimits));
}

const char* kDjpeg = "djpeg -ppm";
const char* kBmptoppm = "bmptoppm";
const char* kGiftopnm = "giftopnm";
const char* kMagickRef = "{convert} - ppm:-";
const char* kFlattened = "{convert} - -background white -flatten ppm:-";

INSTANTIATE_TEST_SUITE_P(
    Formats, DecodesLikeTheTools,
    ::testing::Values(
        ToolCase{"JpegBaseline", "cjpeg -quality 90", kDjpeg, 0, 24},
        ToolCase{"JpegBaseline444", "cjpeg -sample 1x1", kDjpeg},
        ToolCase{"JpegProgressive", "cjpeg -progressive", kDjpeg},
        ToolCase{"JpegArithmetic", "cjpeg -arithmetic", kDjpeg},
        ToolCase{"JpegRestarts", "cjpeg -optimize -restart 1", kDjpeg},
        ToolCase{"JpegGrey", "cjpeg -grayscale", kDjpeg, 0, 8},
        // ImageMagick's own CMYK to RGB rounds slightly differently.
        ToolCase{"JpegCmyk", "{convert} - -colorspace CMYK jpg:-",
                 "{convert} - -colorspace sRGB ppm:-", 0, 32, 2},
        ToolCase{"BmpNetpbm24", "ppmtobmp", kBmptoppm, 0, 24},
        ToolCase{"BmpNetpbm8", "ppmtobmp -bpp 8", kBmptoppm, 64, 8},
        ToolCase{"BmpNetpbm4", "ppmtobmp -bpp 4", kBmptoppm, 8, 4},
        ToolCase{"BmpNetpbm1", "ppmtobmp -bpp 1", kBmptoppm, 2, 1},
        ToolCase{"BmpOs2Header24", "ppmtobmp -os2", kBmptoppm, 0, 24},
        ToolCase{"BmpOs2Header8", "ppmtobmp -os2 -bpp 8", kBmptoppm, 64, 8},
        ToolCase{"BmpMagickV5", "{convert} - BMP:-", kMagickRef},
        ToolCase{"BmpMagickRle8", "{convert} - -type palette -compress RLE BMP3:-", kMagickRef, 64,
                 8},
        ToolCase{"BmpMagickBitFields565", "{convert} - -define bmp:subtype=RGB565 BMP:-",
                 kMagickRef, 0, 16},
        ToolCase{"BmpMagickBitFields32", "{convert} - -alpha on BMP:-", kMagickRef, 0, 32},
        ToolCase{"GifNetpbm", "ppmtogif", kGiftopnm, 64},
        ToolCase{"GifNetpbmInterlaced", "ppmtogif -interlace", kGiftopnm, 64},
        ToolCase{"GifNetpbmTwoColours", "ppmtogif", kGiftopnm, 2, 1},
        ToolCase{"GifMagick", "{convert} - gif:-", kGiftopnm, 64},
        // A frame on a larger screen, white around it.
        ToolCase{"GifFrameOnAScreen", "{convert} - -crop 200x150+50+40 gif:-", kFlattened, 64},
        // Transparent pixels (the pattern's pure red) are white.
        ToolCase{"GifTransparent", "ppmtogif -transparent=rgb:ff/00/00", kFlattened, 8},
        // giflib's own encoder (raw RGB in) and decoder (raw RGB out).
        ToolCase{"GifGiflib", "tail -c +16 | gif2rgb -s 401 301",
                 "printf 'P6\\n401 301\\n255\\n'; gif2rgb -1", 64}),
    [](const auto& info) { return info.param.name; });

// The DCT-scaled decode gives djpeg -scale's pixels, and a region of it exactly those of the
// whole decode at any chroma sampling, also at the edges where smooth upsampling reads the
// neighbours. The rest of a file below a region is read only when asked to be.
TEST(DecodeJpeg, ScaledDecodeMatchesDjpegAndRegionsMatchTheWhole) {
  REQUIRE_TOOLS("cjpeg", "djpeg", "ppmtoppm", "{convert}");
  TempDir dir;
  for (const char* encoder : {"cjpeg", "cjpeg -sample 2x1", "cjpeg -progressive",
                              "cjpeg -grayscale", "{convert} - -colorspace CMYK jpg:-"}) {
    for (int eighths : {1, 3, 4, 8}) {
      const std::string scale = std::to_string(eighths) + "/8";
      auto enc =
          Encode(dir.path().string(), Pattern(203, 131), encoder, "djpeg -ppm -scale " + scale);
      ASSERT_TRUE(enc) << encoder;
      auto whole = DecodeJpeg(enc->file, eighths, kTestLimits);
      ASSERT_TRUE(whole);
      const RgbImage& w = whole->image;
      if (std::string(encoder).starts_with("cjpeg")) {
        EXPECT_TRUE(PixelsWithin(w, enc->reference, 0)) << encoder << " " << scale;
      }
      if (encoder == std::string("cjpeg")) {
        const Bytes cut(enc->file.begin(), enc->file.begin() + enc->file.size() * 3 / 4);
        EXPECT_TRUE(DecodeJpegRegion(cut, eighths, {1, 0, 10, 4}, false, kTestLimits)) << scale;
        EXPECT_EQ(DecodeJpegRegion(cut, eighths, {1, 0, 10, 4}, true, kTestLimits).error().code,
                  ErrorCode::kTruncatedJpeg);
      }
      for (const PixelRect r :
           {PixelRect{1, 1, w.width - 2, w.height - 2},
            PixelRect{w.width / 3, w.height / 3 + 1, w.width / 4 + 1, 9},
            PixelRect{w.width - 5, w.height - 3, 5, 3}, PixelRect{7, 0, 1, w.height}}) {
        auto part = DecodeJpegRegion(enc->file, eighths, r, false, kTestLimits);
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

// Small headers asking for much: each is refused before its cost, or decodes within the
// limits. A GIF stores only the part of its screen its frame covers.
TEST(HostileHeaders, RefusedBeforeTheirCostOrWithinTheLimits) {
  using namespace dotcaster::hostile;
  const Limits limits{.max_file_bytes = 1 << 20,
                      .max_side = 4096,
                      .max_pixels = 1'000'000,
                      .max_decode_bytes = 4 << 20,
                      .max_scans = 40};
  struct Row {
    const char* name;
    Bytes file;
    std::optional<ErrorCode> error;
    int scale = 8;       // JPEG
    PixelRect region{};  // GIF: where on its screen the stored pixels lie
  } rows[] = {
      {"ScansAtTheLimit", EmptyScansJpeg(64, 64, 1, 40), {}},
      {"ScansBeyondTheLimit", EmptyScansJpeg(64, 64, 1, 41), ErrorCode::kTooManyScans},
      // All scans together visit at most 32 times the blocks of the largest picture.
      {"ThirtyTwoFullPasses", EmptyScansJpeg(1000, 1000, 1, 32), {}, 1},
      {"ThirtyThreeFullPasses", EmptyScansJpeg(1000, 1000, 1, 33), ErrorCode::kTooManyScans, 1},
      // A progressive frame keeps its coefficients (128 bytes a block) at any scale.
      {"CoefficientsFit", EmptyScansJpeg(600, 600, 3, 3), {}},
      {"CoefficientsDoNot", EmptyScansJpeg(800, 800, 4, 4), ErrorCode::kDecodeTooLarge, 1},
      {"PixelsAndCoefficientsDoNot", EmptyScansJpeg(700, 700, 3, 3), ErrorCode::kDecodeTooLarge},
      {"SmallScaleFits", EmptyScansJpeg(700, 700, 3, 3), {}, 1},
      {"JpegBeyondPixels", EmptyScansJpeg(1001, 1000, 1, 1), ErrorCode::kPictureTooLarge},
      {"RleAtTheLimit", EmptyRleBitmap(1000, 1000), {}},
      {"RleTopDown", EmptyRleBitmap(1000, -1000), {}},
      {"RleBeyond", EmptyRleBitmap(1000, 1001), ErrorCode::kPictureTooLarge},
      {"DotOnAScreen", SmallFrameGif(1000, 1000, 1, 1, 500, 400), {}, 8, {500, 400, 1, 1}},
      {"FrameFillsTheScreen", SmallFrameGif(1000, 1000, 1000, 1000), {}, 8, {0, 0, 1000, 1000}},
      {"FrameOffTheScreen", SmallFrameGif(100, 100, 900, 1000, 5000, 5000), {}, 8, {100, 100}},
      {"ScreenBeyondPixels", SmallFrameGif(1001, 1000, 1, 1), ErrorCode::kPictureTooLarge},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes& f = row.file;
    const auto decoded = f[0] == 0xFF  ? DecodeJpeg(f, row.scale, limits)
                         : f[0] == 'B' ? DecodeBmp(f, limits)
                                       : DecodeGif(f, limits);
    EXPECT_EQ(decoded ? std::nullopt : std::optional(decoded.error().code), row.error);
    if (f[0] == 0xFF && row.error != ErrorCode::kTooManyScans) {
      const auto info = ReadJpegInfo(f, limits, row.scale);
      EXPECT_EQ(info && info->decode_bytes <= limits.max_decode_bytes, decoded.has_value());
    }
    if (decoded && f[0] == 'G') {
      EXPECT_EQ(decoded->region, row.region);
      EXPECT_EQ(decoded->image.rgb.size(), std::size_t(row.region.width) * row.region.height * 3);
    }
  }
}

}  // namespace
}  // namespace dotcaster::picture
