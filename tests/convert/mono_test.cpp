#include "convert/mono.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
  return MonoInput{w, h, static_cast<float>(w), static_cast<float>(h), true, true, level, method};
}

Expected<DotImage, Error> Convert(const MonoInput& in, std::uint32_t (*pixel)(int, int),
                                  DotRandom& random) {
  return ConvertToMono(in, FunctionView(pixel), random);
}

bool Light(const DotImage& d, int x, int y) {
  return !d.dot(x, y);
}

TEST(GrayLevel, WeightsAndChannelOrder) {
  EXPECT_EQ(GrayLevel(0x00FFFFFF), 255);
  EXPECT_EQ(GrayLevel(0x000000FF), 76);   // red in the low byte
  EXPECT_EQ(GrayLevel(0x0000FF00), 149);  // green
  EXPECT_EQ(GrayLevel(0x00FF0000), 29);   // blue
  EXPECT_EQ(GrayLevel(0xFF000000), 0);    // the top byte carries no colour
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
  auto ramp = [](int x, int y) { return Grey((x * 7 + y * 13) % 256); };
  for (int method : {0, 1, 2, 3, 4, 5, 7}) {
    DotRandom a(42), b(42);
    auto d255 = Convert(Full(100, 60, 255, method), ramp, a);
    auto d254 = Convert(Full(100, 60, 254, method), ramp, b);
    ASSERT_TRUE(d255 && d254);
    EXPECT_TRUE(*d255 == *d254) << "method " << method;
  }
}

// Light-dot counts per grey value over many conversions of a 256-wide ramp: for a threshold
// range [lo, hi] every grey <= lo is always dark, every grey > hi always light, and greys in
// between are mixed. Negative thresholds make even black light at times.
TEST(ConvertToMono, PhotoDotsFollowTheThresholdRange) {
  struct Row {
    const char* name;
    int level, method, lo, hi;
  };
  for (const Row& r :
       {Row{"sharp 128", 128, kPhotoSharp, 96, 159}, Row{"soft 128", 128, kPhotoSoft, 64, 191},
        Row{"sharp 0", 0, kPhotoSharp, -32, 31}, Row{"soft 0", 0, kPhotoSoft, -64, 63}}) {
    DotRandom random;
    std::vector<int> light(256, 0);
    const int runs = 20, rows = 240, total = runs * rows;
    for (int run = 0; run < runs; ++run) {
      auto dots = Convert(
          Full(256, rows, r.level, r.method), [](int x, int) { return Grey(x); }, random);
      ASSERT_TRUE(dots);
      for (int y = 0; y < rows; ++y) {
        for (int g = 0; g < 256; ++g)
          light[g] += Light(*dots, g, y);
      }
    }
    for (int g = 0; g < 256; ++g) {
      const int want_lo = g <= r.lo ? 0 : g > r.hi ? total : 1;
      const int want_hi = g <= r.lo ? 0 : g > r.hi ? total : total - 1;
      ASSERT_TRUE(light[g] >= want_lo && light[g] <= want_hi) << r.name << ", grey " << g;
    }
    EXPECT_EQ(random.draws(), static_cast<std::uint64_t>(total) * 256) << r.name;
  }
}

TEST(ConvertToMono, SoftAt254DarkensSomeWhiteDots) {
  // Thresholds reach 190..317; about 63 in 128 reach 255 or more and darken pure white.
  DotRandom random;
  auto dots = Convert(
      Full(320, 240, 254, kPhotoSoft), [](int, int) { return kWhite; }, random);
  ASSERT_TRUE(dots);
  int dark = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x)
      dark += !Light(*dots, x, y);
  }
  EXPECT_NEAR(dark / 76800.0, 63.0 / 128, 0.02);
}

int DarkDots(const DotImage& d) {
  int dark = 0;
  for (int y = 0; y < d.height(); ++y) {
    for (int x = 0; x < d.width(); ++x)
      dark += d.dot(x, y);
  }
  return dark;
}

// A flat grey comes out with its own share of dark dots, (255 - g') / 255 to within 1/64,
// where g' is the grey after the level's tone curve: g itself at level 128, mid-grey when g
// is the level.
TEST(ConvertToMono, DitheredFlatGreyKeepsItsShare) {
  struct Row {
    const char* name;
    int level, first_grey, last_grey;
    double (*share)(int grey);
  };
  for (const Row& r : {Row{"neutral level", 128, 0, 255, [](int g) { return (255 - g) / 255.0; }},
                       Row{"grey 64 at level 64", 64, 64, 64, [](int) { return 127 / 255.0; }},
                       Row{"grey 220 at level 220", 220, 220, 220, [](int) { return 127 / 255.0; }},
                       Row{"grey 100 at level 200", 200, 100, 100, [](int) { return 191 / 255.0; }},
                       Row{"level 0 keeps black", 0, 0, 0, [](int) { return 1.0; }}}) {
    for (int method : {kPhotoDiffusion, kPhotoAtkinson, kPhotoOrdered}) {
      for (auto [w, h] : {std::pair{102, 64}, std::pair{320, 240}}) {
        for (int g = r.first_grey; g <= r.last_grey; g += 3) {
          FunctionView flat([g](int, int) { return Grey(g); });
          DotRandom random;
          auto dots = ConvertToMono(Full(w, h, r.level, method), flat, random);
          ASSERT_TRUE(dots);
          ASSERT_NEAR(DarkDots(*dots) / double(w * h), r.share(g), 1.0 / 64)
              << r.name << ", method " << method << ", " << w << " x " << h << ", grey " << g;
          EXPECT_EQ(random.draws(), 0u);
        }
      }
    }
  }
}

// Highlights stay clean in Atkinson's dither: white with sparse specks of grey 250 gets at
// most twice the dark dots the specks' grey is worth (5 / 255 each), not a sprinkling.
TEST(ConvertToMono, AtkinsonKeepsHighlightsClean) {
  FunctionView view([](int x, int y) { return Grey(x % 7 == 3 && y % 7 == 3 ? 250 : 255); });
  DotRandom random;
  auto dots = ConvertToMono(Full(320, 240, 128, kPhotoAtkinson), view, random);
  ASSERT_TRUE(dots);
  EXPECT_LE(DarkDots(*dots), 2 * (320 / 7) * (240 / 7) * 5 / 255);
}

TEST(ConvertToMono, OrderedFlatGreyRepeatsEvery8Dots) {
  for (int g : {1, 77, 128, 201, 254}) {
    FunctionView flat([g](int, int) { return Grey(g); });
    DotRandom random;
    // Placed with margins, at (5, 4): the tile starts at the picture's corner.
    auto dots = ConvertToMono({102, 64, 92, 56, false, true, 128, kPhotoOrdered}, flat, random);
    ASSERT_TRUE(dots);
    for (int y = 4; y < 60; ++y) {
      for (int x = 5; x < 97; ++x)
        ASSERT_EQ(dots->dot(x, y), dots->dot(5 + (x - 5) % 8, 4 + (y - 4) % 8))
            << "grey " << g << " at " << x << "," << y;
    }
  }
}

// A picture placed in the output: margins are light in every method and take no error, and
// only covered dots are read and drawn for. A black picture's dots are all dark (every
// threshold these levels give is above 0).
TEST(ConvertToMono, PlacementMarginsAreLightAndDrawNothing) {
  struct Row {
    const char* name;
    int out_w, out_h;
    float place_w, place_h;
    bool zoom, just;
    int left, top, right, bottom;  // the covered dots
  };
  for (const Row& r : {// 3 dots narrower and lower: 2 margin columns left, 1 right, 2 rows on
                       // top, 1 at the bottom.
                       Row{"centred", 20, 12, 17, 9, false, true, 2, 2, 19, 11},
                       Row{"larger is cut", 102, 64, 400, 300, false, true, 0, 0, 102, 64},
                       Row{"stretched, free ratio", 20, 10, 18, 8, true, false, 0, 0, 18, 8}}) {
    for (int method = kDocument; method <= kPhotoOrdered; ++method) {
      for (int grey : {0, 100}) {
        const MonoInput in{r.out_w, r.out_h, r.place_w, r.place_h, r.zoom, r.just, 128, method};
        FunctionView view([grey](int, int) { return Grey(grey); });
        DotRandom random;
        auto dots = ConvertToMono(in, view, random);
        ASSERT_TRUE(dots);
        for (int y = 0; y < r.out_h; ++y) {
          for (int x = 0; x < r.out_w; ++x) {
            const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            if (!inside || grey == 0) {
              ASSERT_EQ(Light(*dots, x, y), !inside) << r.name << " " << x << "," << y;
            }
          }
        }
        const long covered = (r.right - r.left) * (r.bottom - r.top);
        const bool draws = method == kPhotoSharp || method == kPhotoSoft;
        EXPECT_EQ(random.draws(), draws ? static_cast<std::uint64_t>(covered) : 0u) << r.name;
        EXPECT_EQ(view.reads_, covered) << r.name;
      }
    }
  }
}

// The dots of the first three methods for a colourful picture with margins, as they were
// before the dithering methods came: a change to any of them breaks old results.
TEST(ConvertToMono, FirstMethodsKeepTheirDots) {
  struct Row {
    const char* name;
    int method, level;
    std::uint64_t hash;
  };
  auto colours = [](int x, int y) {
    return static_cast<std::uint32_t>(((x * 5 + y * 3) & 0xFF) | (((x * x + y * 7) & 0xFF) << 8) |
                                      (((x * y) & 0xFF) << 16));
  };
  for (const Row& r : {Row{"document 128", kDocument, 128, 0x5bb7a2ab8f539227ULL},
                       Row{"document 37", kDocument, 37, 0x145ebdcd5d9eb0c2ULL},
                       Row{"sharp 128", kPhotoSharp, 128, 0x5f402999af4ac6faULL},
                       Row{"sharp 200", kPhotoSharp, 200, 0xa3276fc69df3bd1fULL},
                       Row{"soft 128", kPhotoSoft, 128, 0xad45e0f51de4d9fcULL},
                       Row{"soft 37", kPhotoSoft, 37, 0xb25a1a54f093104aULL}}) {
    DotRandom random(7);
    auto dots = ConvertToMono({102, 64, 90, 50, true, true, r.level, r.method},
                              FunctionView(colours), random);
    ASSERT_TRUE(dots);
    std::uint64_t hash = 0xcbf29ce484222325ULL;  // FNV-1a over the packed rows
    for (int y = 0; y < 64; ++y) {
      for (std::uint8_t b : dots->row(y))
        hash = (hash ^ b) * 0x100000001b3ULL;
    }
    EXPECT_EQ(hash, r.hash) << r.name;
  }
}

// Otsu's level of the placed picture (white margins left out) splits two greys, from the
// middle of the levels that split them alike.
TEST(OtsuLevel, LandsBetweenTwoGreysOfThePlacedPicture) {
  struct Row {
    const char* name;
    int a, b, level;
  };
  for (const Row& r : {Row{"40 and 200", 40, 200, 119}, Row{"black and white", 0, 255, 127},
                       Row{"neighbours", 100, 101, 100}, Row{"dark on light", 220, 30, 124},
                       Row{"one grey", 90, 90, 128}}) {
    FunctionView view([&](int x, int y) { return Grey((x / 3 + y) % 4 == 0 ? r.a : r.b); });
    const int level = OtsuLevel(ViewHistogram({102, 64, 60, 40, true, true, 0, 0}, view));
    EXPECT_EQ(level, r.level) << r.name;
  }
}

TEST(ConvertToMono, RefusesOutputBeyondTheTable) {
  DotRandom random;
  for (auto [w, h] : {std::pair{321, 10}, std::pair{10, 241}, std::pair{0, 10}}) {
    auto dots = Convert(
        Full(w, h, 128, kDocument), [](int, int) { return kWhite; }, random);
    ASSERT_FALSE(dots);
    EXPECT_EQ(dots.error().code, ErrorCode::kBadSize);
  }
}

TEST(ConvertToMono, SuccessiveConversionsContinueTheSequence) {
  auto grey = [](int, int) { return Grey(128); };
  DotRandom random, restarted;
  auto first = Convert(Full(64, 32, 128, kPhotoSoft), grey, random);
  auto second = Convert(Full(64, 32, 128, kPhotoSoft), grey, random);
  auto again = Convert(Full(64, 32, 128, kPhotoSoft), grey, restarted);
  ASSERT_TRUE(first && second && again);
  EXPECT_FALSE(*first == *second);
  EXPECT_TRUE(*first == *again);
}

TEST(DotRandom, SameNumbersEverywhereAndInRange) {
  // The first numbers of the default start are fixed: the first conversion after start-up
  // must be the same on every platform and in every run.
  DotRandom a;
  const double first = a.Next();
  EXPECT_EQ(first, 0x1.90341a6b8a1d7p-1);
  EXPECT_EQ(a.Next(), 0x1.41ba43d651066p-2);
  EXPECT_NE(first, DotRandom(1).Next());
  double lo = 1, hi = 0, sum = 0;
  for (int i = 0; i < 100000; ++i) {
    const double v = a.Next();
    ASSERT_TRUE(v >= 0.0 && v < 1.0) << v;
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
