// The conversion engine over decoded pictures: the placement it reports, the decodes it
// makes for a placement, the rendering of the placed view, and failures.

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>

#include "convert/mono.h"
#include "picture/bmp_encoder.h"
#include "picture/convert_picture.h"
#include "picture/resample.h"
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
using convert::CropFrame;

Expected<convert::Conversion, Error> Convert(SourcePicture& pic, int out_w, int out_h,
                                             std::optional<CropFrame> crop = std::nullopt,
                                             int method = convert::kDocument, int level = 128) {
  convert::DotRandom random;
  return ConvertSourcePicture(pic, {out_w, out_h, true, true, crop, method, level}, random);
}

SourcePicture Load(const Bytes& file) {
  auto pic = SourcePicture::FromBytes(file, kTestLimits);
  if (!pic) throw std::runtime_error(ErrorText(pic.error()));
  return std::move(pic).value();
}

// A crop placed 1:1 needs the full-size decode: view (100, 60) 20 x 16 at the view scales
// 1599 / 319 and 1199 / 239 is source (501, 301) 96 x 76.
// One placement gives the same dots after any earlier decode (the window) and on several
// threads (dotcast): a crop at a middle DCT scale borrows no earlier full-size decode.
TEST(LargeJpeg, CropsUseFullDetailAndDotsDoNotDependOnEarlierDecodes) {
  REQUIRE_TOOLS("cjpeg", "djpeg", "ppmtoppm");
  TempDir dir;
  const auto enc = Encode(dir.path().string(), Pattern(1600, 1200), "cjpeg", "djpeg -ppm");
  ASSERT_TRUE(enc);
  SourcePicture used = Load(enc->file);  // the display's whole decode at 2/8 is kept
  auto detail = Convert(used, 96, 76, CropFrame{100, 60, 20, 16});
  ASSERT_TRUE(detail);
  ASSERT_EQ(detail->placement.place_width, 96.0f);
  ASSERT_EQ(detail->placement.place_height, 76.0f);
  EXPECT_TRUE(DotsAreThresholds(detail->dots, enc->reference, 501, 301, 128));
  for (const CropFrame frame : {CropFrame{50, 40, 160, 120},  // about 800 x 600 at 4/8
                                CropFrame{20, 15, 280, 210},  // at 2/8, as the display
                                CropFrame{3, 101, 239, 137}, CropFrame{77, 0, 243, 240}}) {
    for (int method : {convert::kDocument, convert::kPhotoSoft}) {
      auto fresh =
          SourcePicture::FromBytes(enc->file, kTestLimits, SourcePicture::Decode::kOnFirstUse);
      ASSERT_TRUE(fresh);
      const DotImage expected = Convert(*fresh, 320, 240, frame, method)->dots;
      EXPECT_TRUE(Convert(used, 320, 240, frame, method)->dots == expected)
          << frame.left << "," << frame.top << " method " << method;
    }
  }
  auto convert_once = [&](DotImage* out) {
    SourcePicture pic = Load(enc->file);
    *out = Convert(pic, 102, 64, std::nullopt, convert::kPhotoSharp)->dots;
  };
  DotImage alone, a, b;
  convert_once(&alone);
  std::thread ta(convert_once, &a), tb(convert_once, &b);
  ta.join();
  tb.join();
  EXPECT_TRUE(a == alone && b == alone);
}

// The placement a conversion used comes back with its dots; failures say why. 640 x 480 on
// 102 x 64: 85 x 64 placed, every dot of it drawn for and none of the margins.
TEST(ConvertSourcePicture, PlacementAndFailures) {
  SourcePicture pic = SourcePicture::FromDots(DotImage(640, 480));
  convert::DotRandom random;
  auto result =
      ConvertSourcePicture(pic, {102, 64, true, true, {}, convert::kPhotoSoft, 254}, random);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->dots.width(), 102);
  EXPECT_DOUBLE_EQ(result->placement.scale_x, 639.0 / 319);
  EXPECT_DOUBLE_EQ(result->placement.scale_y, 479.0 / 239);
  EXPECT_EQ(result->placement.place_width, 85.0f);
  EXPECT_EQ(result->placement.place_height, 64.0f);
  EXPECT_EQ(random.draws(), 85u * 64u);
  TempDir dir;
  EXPECT_EQ(SourcePicture::FromFile(dir.File("missing.jpg"), kTestLimits).error().code,
            ErrorCode::kOpenSource);
  EXPECT_EQ(SourcePicture::FromBytes({'h', 'e', 'l', 'l', 'o'}, kTestLimits).error().code,
            ErrorCode::kNotAPicture);
}

// Any level between its two greys gives a Quadrel picture's dots back at its own size.
TEST(ConvertSourcePicture, QuadrelPictureConvertsToItself) {
  DotImage dots(102, 64);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 102; ++x) {
      if ((x * 7 + y * y * 3) % 5 < 2) dots.SetBlack(x, y);
    }
  }
  SourcePicture pic = SourcePicture::FromDots(dots);
  EXPECT_EQ(pic.bits_per_pixel(), 1);
  for (int level : {0, 128, 254})
    EXPECT_TRUE(Convert(pic, 102, 64, std::nullopt, convert::kDocument, level)->dots == dots)
        << level;
}

TEST(SourcePicture, DisplayImageIsTheViewSize) {
  REQUIRE_TOOLS("cjpeg");
  TempDir dir;
  auto big = Encode(dir.path().string(), Pattern(800, 300), "cjpeg");
  ASSERT_TRUE(big);
  const RgbImage shown = Load(big->file).DisplayImage().value();
  EXPECT_EQ((convert::Size{shown.width, shown.height}), (convert::Size{320, 120}));
  // Shown at its own size, unchanged; a picture of the clipboard's bitmap reads back exactly.
  const RgbImage small = Pattern(101, 50);
  EXPECT_EQ(Load(EncodeBmp24(small, kTestLimits).value()).DisplayImage().value().rgb, small.rgb);
}

RgbImage Image(int w, int h, std::initializer_list<int> greys) {
  RgbImage img{w, h, {}};
  for (int g : greys)
    img.rgb.insert(img.rgb.end(), 3, static_cast<std::uint8_t>(g));
  return img;
}

// Shrinking averages the covered pixels; enlarging repeats the nearest, white outside.
TEST(RenderStretched, AveragesOrRepeatsPixels) {
  // (0 + 100 + 10 + 30) / 4, (200 + 255 + 50 + 71) / 4
  EXPECT_EQ(
      RenderStretched(Image(4, 2, {0, 100, 200, 255, 10, 30, 50, 71}), {2, 1}, 0, 0, 2, 1).rgb,
      Image(2, 1, {35, 144}).rgb);
  // 3 pixels onto 2, the middle one shared: (0 x 2 + 90) / 3, (90 + 210 x 2) / 3
  EXPECT_EQ(RenderStretched(Image(3, 1, {0, 90, 210}), {2, 1}, 0, 0, 2, 1).rgb,
            Image(2, 1, {30, 170}).rgb);
  EXPECT_EQ(
      RenderStretched(Image(2, 1, {10, 20}), {4, 2}, -1, 0, 6, 3).rgb,
      Image(6, 3,
            {255, 10, 10, 20, 20, 255, 255, 10, 10, 20, 20, 255, 255, 255, 255, 255, 255, 255})
          .rgb);
}

TEST(RenderStretched, WindowIsPartOfTheWholePlacement) {
  const RgbImage src = Pattern(97, 61);
  for (convert::Size st : {convert::Size{40, 25}, convert::Size{97, 61}, convert::Size{300, 70}}) {
    const RgbImage whole = RenderStretched(src, st, 0, 0, st.width, st.height);
    const RgbImage part = RenderStretched(src, st, 13, 7, 20, 11);
    for (int y = 0; y < 11; ++y) {
      ASSERT_TRUE(std::equal(part.Pixel(0, y), part.Pixel(20, y), whole.Pixel(13, 7 + y)))
          << st.width << " wide, row " << y;
    }
  }
}

// A 10 x 10 crop of a 4000 x 3000 photo placed at 320 x 240 stretches the picture to
// 128,000 x 96,000; only the window may be computed.
TEST(RenderStretched, HugeStretchComputesOnlyTheWindow) {
  const RgbImage src = Pattern(400, 300);
  const RgbImage view = RenderStretched(src, {128000, 96000}, 64000, 48000, 320, 240);
  ASSERT_EQ(view.rgb.size(), 320u * 240u * 3u);
  EXPECT_EQ(view.Pixel(0, 0)[0], src.Pixel(200, 150)[0]);
  EXPECT_EQ(view.Pixel(319, 239)[2], src.Pixel(200, 150)[2]);
}

}  // namespace
}  // namespace dotcaster::picture
