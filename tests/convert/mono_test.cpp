#include "convert/mono.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/quadrel.h"
#include "temp_dir.h"

namespace dotcaster::convert {
namespace {

constexpr std::uint32_t Grey(int g) {
  const auto v = static_cast<std::uint32_t>(g);
  return v | (v << 8) | (v << 16);
}

// A view given by a function of (column, row); counts the pixels it is asked for.
class FunctionView : public ViewSampler {
 public:
  explicit FunctionView(std::function<std::uint32_t(int, int)> f) : f_(std::move(f)) {}
  void ReadRow(int row, int count, std::uint32_t* out) const override {
    for (int x = 0; x < count; ++x)
      out[x] = f_(x, row);
    reads_ += count;
  }
  mutable long reads_ = 0;

 private:
  std::function<std::uint32_t(int, int)> f_;
};

MonoInput Full(int w, int h, int level, int method) {
  MonoInput in;
  in.out_width = w;
  in.out_height = h;
  in.place_width = static_cast<float>(w);
  in.place_height = static_cast<float>(h);
  in.level = level;
  in.method = method;
  return in;
}

bool Light(const DotTable& d, int x, int y) {
  return (d.rows[y][x / 8] >> (7 - x % 8)) & 1;
}

TEST(GrayLevel, WeightsAndChannelOrder) {
  EXPECT_EQ(GrayLevel(0x00FFFFFF), 255);
  EXPECT_EQ(GrayLevel(0x000000FF), 76);   // red in the low byte
  EXPECT_EQ(GrayLevel(0x0000FF00), 149);  // green
  EXPECT_EQ(GrayLevel(0x00FF0000), 29);   // blue
  EXPECT_EQ(GrayLevel(0), 0);
  EXPECT_EQ(GrayLevel(0xFF000000), 0);  // the top byte carries no colour
  for (int g = 0; g < 256; ++g)
    EXPECT_EQ(GrayLevel(Grey(g)), g);
}

TEST(ConvertToMono, DocumentThresholdIsStrict) {
  struct Row {
    const char* name;
    int level, grey;
    bool light;
  };
  for (const Row& r : {Row{"equal is dark", 100, 100, false}, Row{"one above", 100, 101, true},
                       Row{"254 keeps only white", 254, 254, false},
                       Row{"254 white", 254, 255, true}, Row{"255 acts as 254", 255, 255, true},
                       Row{"0 darkens only black", 0, 0, false}, Row{"0 grey 1", 0, 1, true}}) {
    FunctionView view([&](int, int) { return Grey(r.grey); });
    DotRandom random;
    auto dots = ConvertToMono(Full(16, 2, r.level, kDocument), view, random);
    ASSERT_TRUE(dots) << r.name;
    EXPECT_EQ(Light(*dots, 5, 1), r.light) << r.name;
    EXPECT_EQ(random.draws(), 0u) << r.name;
  }
}

TEST(ConvertToMono, Level255EqualsLevel254InEveryMethod) {
  FunctionView view([](int x, int y) { return Grey((x * 7 + y * 13) % 256); });
  for (int method : {0, 1, 2, 7}) {
    DotRandom a(42), b(42);
    auto d255 = ConvertToMono(Full(100, 60, 255, method), view, a);
    auto d254 = ConvertToMono(Full(100, 60, 254, method), view, b);
    ASSERT_TRUE(d255 && d254);
    EXPECT_EQ(d255->rows, d254->rows) << "method " << method;
  }
}

// Light-dot counts per grey value over many conversions of a 256-wide ramp: for a threshold
// range [lo, hi] every grey <= lo is always dark, every grey > hi always light, and greys in
// between are mixed.
struct RangeCase {
  std::string name;
  int level, method, lo, hi;
};

class ThresholdRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ThresholdRange, DotsFollowTheRange) {
  const RangeCase& c = GetParam();
  FunctionView ramp([](int x, int) { return Grey(x); });
  DotRandom random;
  std::vector<int> light(256, 0);
  const int runs = 20, rows = 240;
  for (int run = 0; run < runs; ++run) {
    auto dots = ConvertToMono(Full(256, rows, c.level, c.method), ramp, random);
    ASSERT_TRUE(dots);
    for (int y = 0; y < rows; ++y) {
      for (int g = 0; g < 256; ++g)
        light[g] += Light(*dots, g, y);
    }
  }
  const int total = runs * rows;
  for (int g = 0; g < 256; ++g) {
    if (g <= c.lo) {
      EXPECT_EQ(light[g], 0) << "grey " << g;
    } else if (g > c.hi) {
      EXPECT_EQ(light[g], total) << "grey " << g;
    } else {
      EXPECT_GT(light[g], 0) << "grey " << g;
      EXPECT_LT(light[g], total) << "grey " << g;
    }
  }
  EXPECT_EQ(random.draws(), static_cast<std::uint64_t>(runs) * rows * 256);
}

INSTANTIATE_TEST_SUITE_P(Photo, ThresholdRange,
                         ::testing::Values(RangeCase{"Sharp128", 128, kPhotoSharp, 96, 159},
                                           RangeCase{"Soft128", 128, kPhotoSoft, 64, 191},
                                           // Negative thresholds: even black is light at times.
                                           RangeCase{"Sharp0", 0, kPhotoSharp, -32, 31},
                                           RangeCase{"Soft0", 0, kPhotoSoft, -64, 63}),
                         [](const auto& info) { return info.param.name; });

TEST(ConvertToMono, SoftAt254DarkensSomeWhiteDots) {
  // Thresholds reach 190..317; about 63 in 128 reach 255 or more and darken pure white.
  FunctionView white([](int, int) { return kWhite; });
  DotRandom random;
  auto dots = ConvertToMono(Full(320, 240, 254, kPhotoSoft), white, random);
  ASSERT_TRUE(dots);
  int dark = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x)
      dark += !Light(*dots, x, y);
  }
  EXPECT_NEAR(dark / 76800.0, 63.0 / 128, 0.02);
}

TEST(ConvertToMono, MarginsAreLightAndDrawNothing) {
  // A black picture 3 dots narrower and lower than the output, not stretched: 2 margin
  // columns left, 1 right, 2 rows on top, 1 at the bottom.
  for (int method : {kDocument, kPhotoSharp, kPhotoSoft}) {
    MonoInput in = Full(20, 12, 128, method);
    in.zoom_mode = false;
    in.place_width = 17;
    in.place_height = 9;
    FunctionView black([](int, int) { return 0u; });
    DotRandom random;
    auto dots = ConvertToMono(in, black, random);
    ASSERT_TRUE(dots);
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 20; ++x) {
        const bool inside = x >= 2 && x < 19 && y >= 2 && y < 11;
        // Black stays dark under every threshold these levels give (>= 64 > 0).
        EXPECT_EQ(Light(*dots, x, y), !inside) << x << "," << y << " method " << method;
      }
    }
    EXPECT_EQ(random.draws(), method == kDocument ? 0u : 17u * 9u);
    EXPECT_EQ(black.reads_, 17 * 9);
  }
}

TEST(ConvertToMono, LargerPictureIsCutAndDrawsOnlyForOutputDots) {
  MonoInput in = Full(102, 64, 128, kPhotoSharp);
  in.zoom_mode = false;
  in.place_width = 400;
  in.place_height = 300;
  FunctionView black([](int, int) { return 0u; });
  DotRandom random;
  ASSERT_TRUE(ConvertToMono(in, black, random));
  EXPECT_EQ(random.draws(), 102u * 64u);
}

TEST(ConvertToMono, StretchWithoutFixedRatioPlacesAtTopLeft) {
  MonoInput in = Full(20, 10, 128, kDocument);
  in.just_zoom = false;
  in.place_width = 18;
  in.place_height = 8;
  FunctionView black([](int, int) { return 0u; });
  DotRandom random;
  auto dots = ConvertToMono(in, black, random);
  ASSERT_TRUE(dots);
  EXPECT_FALSE(Light(*dots, 0, 0));
  EXPECT_TRUE(Light(*dots, 18, 0));
  EXPECT_TRUE(Light(*dots, 0, 8));
}

TEST(ConvertToMono, RefusesOutputBeyondTheTable) {
  FunctionView white([](int, int) { return kWhite; });
  DotRandom random;
  for (auto [w, h] : {std::pair{321, 10}, std::pair{10, 241}, std::pair{0, 10}}) {
    auto dots = ConvertToMono(Full(w, h, 128, kDocument), white, random);
    ASSERT_FALSE(dots);
    EXPECT_EQ(dots.error(), MonoError::kBadOutputSize);
  }
}

TEST(ConvertToMono, SuccessiveConversionsContinueTheSequence) {
  FunctionView grey([](int, int) { return Grey(128); });
  DotRandom random;
  auto first = ConvertToMono(Full(64, 32, 128, kPhotoSoft), grey, random);
  auto second = ConvertToMono(Full(64, 32, 128, kPhotoSoft), grey, random);
  DotRandom restarted;
  auto again = ConvertToMono(Full(64, 32, 128, kPhotoSoft), grey, restarted);
  ASSERT_TRUE(first && second && again);
  EXPECT_NE(first->rows, second->rows);
  EXPECT_EQ(first->rows, again->rows);
}

TEST(BuildBmpImage, DeviceWidthRowsHold13DataAnd3PaddingBytes) {
  FunctionView white([](int, int) { return kWhite; });
  DotRandom random;
  auto dots = ConvertToMono(Full(102, 64, 128, kDocument), white, random);
  ASSERT_TRUE(dots);
  const Bytes bmp = BuildBmpImage(*dots);
  ASSERT_EQ(bmp.size(), 1086u);
  Bytes header(62, 0);
  WriteBmpHeader(102, 64, header);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), bmp.begin()));
  for (int r = 0; r < 64; ++r) {
    const std::uint8_t* row = bmp.data() + 62 + 16 * r;
    for (int b = 0; b < 12; ++b)
      ASSERT_EQ(row[b], 0xFF) << r << "/" << b;
    EXPECT_EQ(row[12], 0xFC);  // 6 dots in the top bits, the 2 low bits 0
    EXPECT_EQ(row[13], 0);
    EXPECT_EQ(row[14], 0);
    EXPECT_EQ(row[15], 0);
  }
}

TEST(BuildBmpImage, FullSizeFileAndBottomRowFirst) {
  // Only the top row is black.
  FunctionView view([](int, int y) { return y == 0 ? 0u : kWhite; });
  DotRandom random;
  auto dots = ConvertToMono(Full(320, 240, 128, kDocument), view, random);
  ASSERT_TRUE(dots);
  const Bytes bmp = BuildBmpImage(*dots);
  ASSERT_EQ(bmp.size(), 9662u);
  EXPECT_EQ(bmp[62], 0xFF);             // first stored row: the bottom row, white
  EXPECT_EQ(bmp[62 + 40 * 239], 0x00);  // last stored row: the top row, black
  EXPECT_EQ(bmp[62 + 40 * 239 + 39], 0x00);
  // And the converter reads it back as a Quadrel image with a black top row.
  auto qdl = ConvertQdlBmp(bmp);
  ASSERT_TRUE(qdl);
  EXPECT_EQ((*qdl)[4], 0x01);
}

TEST(WriteMonoBitmap, ReplacesTheWorkingFileAndReportsFailure) {
  testing::TempDir dir;
  const std::string path = dir.File("$$QDLDSP.$$$");
  testing::WriteAll(path, Bytes(5000, 0xAA));
  const Bytes bmp(1086, 0x11);
  EXPECT_FALSE(WriteMonoBitmap(path, bmp));
  EXPECT_EQ(testing::ReadAll(path), bmp);
  EXPECT_TRUE(WriteMonoBitmap(dir.File("missing/folder/x.bmp"), bmp));
}

TEST(DotRandom, SameNumbersEverywhereAndInRange) {
  // The first numbers of the default start are fixed: the first conversion after start-up
  // must be the same on every platform and in every run.
  DotRandom a, b;
  const double first = a.Next();
  EXPECT_EQ(first, 0x1.90341a6b8a1d7p-1);
  EXPECT_EQ(a.Next(), 0x1.41ba43d651066p-2);
  EXPECT_EQ(first, b.Next());
  EXPECT_EQ(first, DotRandom(DotRandom::kDefaultSeed).Next());
  EXPECT_NE(first, DotRandom(1).Next());
  double lo = 1, hi = 0, sum = 0;
  DotRandom r;
  for (int i = 0; i < 100000; ++i) {
    const double v = r.Next();
    ASSERT_GE(v, 0.0);
    ASSERT_LT(v, 1.0);
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    sum += v;
  }
  EXPECT_LT(lo, 0.001);
  EXPECT_GT(hi, 0.999);
  EXPECT_NEAR(sum / 100000, 0.5, 0.01);
}

}  // namespace
}  // namespace dotcaster::convert
