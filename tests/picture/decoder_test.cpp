// Our decoders against Debian's own tools: each case writes a picture with an encoder at
// test time and decodes it with that tool family's decoder as the reference.

#include <gtest/gtest.h>

#include <string>

#include "picture/decoders.h"
#include "picture/source_picture.h"
#include "temp_dir.h"
#include "tool_support.h"

namespace dotcaster::picture {
namespace {

using dotcaster::testing::ReadAll;
using dotcaster::testing::TempDir;
using namespace dotcaster::picture::testing;

struct ToolCase {
  std::string name;
  std::string encode;     // {in} -> {file}
  std::string reference;  // {file} -> {ref} (a PPM or PGM)
  int colours = 0;        // 2, 8 or 64 for palette pictures, 0 for full colour
  int tolerance = 0;      // largest channel difference allowed
  int width = 67, height = 45;
  int bits_per_pixel = -1;  // expected, when it matters
};

std::string Fill(std::string text, const std::string& key, const std::string& value) {
  for (std::size_t at; (at = text.find(key)) != std::string::npos;) {
    text.replace(at, key.size(), value);
  }
  return text;
}

class DecodesLikeTheTools : public ::testing::TestWithParam<ToolCase> {};

TEST_P(DecodesLikeTheTools, SamePixels) {
  const ToolCase& c = GetParam();
  TempDir dir;
  const std::string in = dir.File("in.ppm"), file = dir.File("picture"), ref = dir.File("ref");
  WritePpm(in, Pattern(c.width, c.height, c.colours));
  auto command = [&](std::string text) {
    text = Fill(text, "{convert}", ConvertTool());
    text = Fill(text, "{in}", "'" + in + "'");
    text = Fill(text, "{file}", "'" + file + "'");
    return Fill(text, "{ref}", "'" + ref + "'");
  };
  if (!RunShell(command(c.encode))) GTEST_SKIP() << "encoder unavailable: " << command(c.encode);
  ASSERT_TRUE(RunShell(command(c.reference))) << command(c.reference);
  auto expected = ReadPnm(ref);
  ASSERT_TRUE(expected) << "reference unreadable";

  auto pic = SourcePicture::FromBytes(ReadAll(file));
  ASSERT_TRUE(pic) << PictureErrorText(pic.error());
  EXPECT_EQ(pic->width(), c.width);
  EXPECT_EQ(pic->height(), c.height);
  if (c.bits_per_pixel >= 0) {
    EXPECT_EQ(pic->bits_per_pixel(), c.bits_per_pixel);
  }
  // A 1:1 view of the whole picture is exactly the decoded pixels.
  auto view = pic->RenderView({c.width, c.height}, 0, 0, c.width, c.height);
  ASSERT_TRUE(view);
  auto diff = Compare(view->image(), *expected);
  ASSERT_TRUE(diff);
  EXPECT_LE(diff->max_delta, c.tolerance) << diff->differing << " channel values differ";
}

const char* kDjpeg = "djpeg -ppm {file} > {ref}";
const char* kBmptoppm = "bmptoppm {file} > {ref}";
const char* kGiftopnm = "giftopnm {file} > {ref}";
const char* kMagickRef = "{convert} {file} ppm:{ref}";

INSTANTIATE_TEST_SUITE_P(
    Jpeg, DecodesLikeTheTools,
    ::testing::Values(ToolCase{"Baseline", "cjpeg -quality 90 {in} > {file}", kDjpeg, 0, 0, 67, 45,
                               24},
                      ToolCase{"Baseline444", "cjpeg -sample 1x1 {in} > {file}", kDjpeg},
                      ToolCase{"Progressive", "cjpeg -progressive {in} > {file}", kDjpeg},
                      ToolCase{"Arithmetic", "cjpeg -arithmetic {in} > {file}", kDjpeg},
                      ToolCase{"Restarts", "cjpeg -restart 1 {in} > {file}", kDjpeg},
                      ToolCase{"Grey", "cjpeg -grayscale {in} > {file}", kDjpeg, 0, 0, 67, 45, 8},
                      ToolCase{"LargeOddSize", "cjpeg {in} > {file}", kDjpeg, 0, 0, 333, 251},
                      // ImageMagick's own CMYK to RGB rounds slightly differently.
                      ToolCase{"Cmyk", "{convert} {in} -colorspace CMYK jpg:{file}",
                               "{convert} {file} -colorspace sRGB ppm:{ref}", 0, 2, 67, 45, 32}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Bmp, DecodesLikeTheTools,
    ::testing::Values(
        ToolCase{"Netpbm24", "ppmtobmp {in} > {file}", kBmptoppm, 0, 0, 67, 45, 24},
        ToolCase{"Netpbm8", "ppmtobmp -bpp 8 {in} > {file}", kBmptoppm, 64, 0, 67, 45, 8},
        ToolCase{"Netpbm4", "ppmtobmp -bpp 4 {in} > {file}", kBmptoppm, 8, 0, 67, 45, 4},
        ToolCase{"Netpbm1", "ppmtobmp -bpp 1 {in} > {file}", kBmptoppm, 2, 0, 67, 45, 1},
        ToolCase{"Os2Header24", "ppmtobmp -os2 {in} > {file}", kBmptoppm, 0, 0, 67, 45, 24},
        ToolCase{"Os2Header8", "ppmtobmp -os2 -bpp 8 {in} > {file}", kBmptoppm, 64, 0, 67, 45, 8},
        ToolCase{"Magick24", "{convert} {in} BMP3:{file}", kMagickRef, 0, 0, 67, 45, 24},
        ToolCase{"MagickV5", "{convert} {in} BMP:{file}", kMagickRef},
        ToolCase{"MagickRle8", "{convert} {in} -type palette -compress RLE BMP3:{file}", kMagickRef,
                 64, 0, 67, 45, 8},
        ToolCase{"MagickBitFields565", "{convert} {in} -define bmp:subtype=RGB565 BMP:{file}",
                 kMagickRef, 0, 0, 67, 45, 16},
        ToolCase{"MagickBitFields32", "{convert} {in} -alpha on BMP:{file}", kMagickRef, 0, 0, 67,
                 45, 32}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Gif, DecodesLikeTheTools,
    ::testing::Values(
        ToolCase{"Netpbm", "ppmtogif {in} > {file}", kGiftopnm, 64},
        ToolCase{"NetpbmInterlaced", "ppmtogif -interlace {in} > {file}", kGiftopnm, 64},
        ToolCase{"NetpbmTwoColours", "ppmtogif {in} > {file}", kGiftopnm, 2, 0, 67, 45, 1},
        ToolCase{"Magick", "{convert} {in} gif:{file}", kGiftopnm, 64},
        // giflib's own encoder (raw RGB in) and decoder (raw RGB out).
        ToolCase{"Giflib", "tail -c +14 {in} | gif2rgb -s 67 45 > {file}",
                 "(printf 'P6\\n67 45\\n255\\n'; gif2rgb -1 {file}) > {ref}", 64}),
    [](const auto& info) { return info.param.name; });

// The DCT-scaled decode is libjpeg's own: the same pixels as djpeg -scale.
TEST(DecodeJpeg, ScaledDecodeMatchesDjpeg) {
  TempDir dir;
  const std::string in = dir.File("in.ppm"), file = dir.File("p.jpg"), ref = dir.File("ref");
  WritePpm(in, Pattern(203, 131));
  ASSERT_TRUE(RunShell("cjpeg '" + in + "' > '" + file + "'"));
  for (int eighths : {1, 3, 4, 8}) {
    ASSERT_TRUE(RunShell("djpeg -ppm -scale " + std::to_string(eighths) + "/8 '" + file + "' > '" +
                         ref + "'"));
    auto expected = ReadPnm(ref);
    ASSERT_TRUE(expected);
    auto decoded = DecodeJpeg(ReadAll(file), eighths);
    ASSERT_TRUE(decoded);
    auto diff = Compare(decoded->image, *expected);
    ASSERT_TRUE(diff) << eighths << "/8: " << decoded->image.width << " x "
                      << decoded->image.height;
    EXPECT_EQ(diff->max_delta, 0) << eighths << "/8";
  }
}

TEST(DecodeGif, TransparentPixelsAreWhite) {
  TempDir dir;
  const std::string in = dir.File("in.ppm"), file = dir.File("t.gif"), ref = dir.File("ref");
  RgbImage img = Pattern(40, 20, 8);
  for (int x = 0; x < 10; ++x) {  // a pure red block, to be made transparent
    for (int y = 0; y < 10; ++y) {
      std::uint8_t* p = img.rgb.data() + (static_cast<std::size_t>(y) * 40 + x) * 3;
      p[0] = 255;
      p[1] = 0;
      p[2] = 0;
    }
  }
  WritePpm(in, img);
  ASSERT_TRUE(RunShell("ppmtogif -transparent=rgb:ff/00/00 '" + in + "' > '" + file + "'"));
  auto decoded = DecodeGif(ReadAll(file));
  ASSERT_TRUE(decoded);
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) {
      const std::uint8_t* got = decoded->image.Pixel(x, y);
      const std::uint8_t* want = img.Pixel(x, y);
      const bool red = want[0] == 255 && want[1] == 0 && want[2] == 0;
      for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(got[c], red ? 255 : want[c]) << x << "," << y;
      }
    }
  }
}

}  // namespace
}  // namespace dotcaster::picture
