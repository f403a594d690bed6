#include "convert/mono.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
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

int DarkDots(const DotImage& d) {
  int dark = 0;
  for (int y = 0; y < d.height(); ++y) {
    for (std::uint8_t b : d.row(y))
      dark += std::popcount(b);
  }
  return dark;
}

TEST(GrayLevel, WeightsAndChannelOrder) {
  EXPECT_EQ(GrayLevel(0x000000FF), 76);   // red in the low byte
  EXPECT_EQ(GrayLevel(0x0000FF00), 149);  // green
  EXPECT_EQ(GrayLevel(0x00FF0000), 29);   // blue
  for (int g = 0; g < 256; ++g)
    EXPECT_EQ(GrayLevel(Grey(g) | 0xFF000000u), g);  // the top byte carries no colour
}

// Light-dot counts per grey value over many conversions of a 256-wide ramp: for a threshold
// range [lo, hi] every grey <= lo is always dark, every grey > hi always light, and greys in
// between are mixed. Document has a single threshold, the level (255 counting as 254).
// Negative thresholds make even black light at times, thresholds above 254 even white dark.
TEST(ConvertToMono, DotsFollowTheThresholdRange) {
  struct Row {
    const char* name;
    int level, method, lo, hi;
  };
  for (const Row& r :
       {Row{"document 100", 100, kDocument, 100, 100}, Row{"document 0", 0, kDocument, 0, 0},
        Row{"document 255", 255, kDocument, 254, 254}, Row{"sharp 128", 128, kPhotoSharp, 96, 159},
        Row{"soft 128", 128, kPhotoSoft, 64, 191}, Row{"sharp 0", 0, kPhotoSharp, -32, 31},
        Row{"soft 0", 0, kPhotoSoft, -64, 63}, Row{"soft 254", 254, kPhotoSoft, 190, 317}}) {
    DotRandom random;
    std::vector<int> light(256, 0);
    const int runs = 20, rows = 240, total = runs * rows;
    const FunctionView ramp([](int x, int) { return Grey(x); });
    for (int run = 0; run < runs; ++run) {
      auto dots = ConvertToMono(Full(256, rows, r.level, r.method), ramp, random);
      ASSERT_TRUE(dots);
      for (int y = 0; y < rows; ++y) {
        for (int g = 0; g < 256; ++g)
          light[g] += !dots->dot(g, y);
      }
    }
    for (int g = 0; g < 256; ++g) {
      const int want_lo = g <= r.lo ? 0 : g > r.hi ? total : 1;
      const int want_hi = g <= r.lo ? 0 : g > r.hi ? total : total - 1;
      ASSERT_TRUE(light[g] >= want_lo && light[g] <= want_hi) << r.name << ", grey " << g;
    }
    const bool draws = r.method != kDocument;
    EXPECT_EQ(random.draws(), draws ? static_cast<std::uint64_t>(total) * 256 : 0u) << r.name;
  }
}

// A flat grey comes out with its own share of dark dots, (255 - g') / 255 to within 1/64,
// where g' is the grey after the level's tone curve: g itself at level 128, mid-grey when g
// is the level (255 counting as 254, so white stays white).
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
                       Row{"level 0 keeps black", 0, 0, 0, [](int) { return 1.0; }},
                       Row{"white at level 255", 255, 255, 255, [](int) { return 0.0; }}}) {
    for (int method : {kPhotoDiffusion, kPhotoAtkinson, kPhotoOrdered}) {
      for (auto [w, h] : {std::pair{102, 64}, std::pair{320, 240}}) {
        for (int g = r.first_grey; g <= r.last_grey; g += 3) {
          DotRandom random;
          auto dots = ConvertToMono(Full(w, h, r.level, method),
                                    FunctionView([g](int, int) { return Grey(g); }), random);
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

// Placed with margins, at (5, 4): the tile starts at the picture's corner.
TEST(ConvertToMono, OrderedFlatGreyRepeatsEvery8Dots) {
  for (int g : {1, 77, 128, 201, 254}) {
    DotRandom random;
    auto dots = ConvertToMono({102, 64, 92, 56, false, true, 128, kPhotoOrdered},
                              FunctionView([g](int, int) { return Grey(g); }), random);
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
  for (const Row& r : {Row{"centred, odd margins", 20, 12, 17, 9, false, true, 2, 2, 19, 11},
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
            ASSERT_TRUE((inside && grey != 0) || dots->dot(x, y) == inside)
                << r.name << " " << x << "," << y;
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

// The dots of every method for a colourful picture with margins: old results must not change.
TEST(ConvertToMono, MethodsKeepTheirDots) {
  struct Row {
    const char* name;
    int method, level;
    std::uint64_t hash;
  };
  const FunctionView colours([](int x, int y) {
    return static_cast<std::uint32_t>(((x * 5 + y * 3) & 0xFF) | (((x * x + y * 7) & 0xFF) << 8) |
                                      (((x * y) & 0xFF) << 16));
  });
  for (const Row& r : {Row{"document 128", kDocument, 128, 0x5bb7a2ab8f539227ULL},
                       Row{"document 37", kDocument, 37, 0x145ebdcd5d9eb0c2ULL},
                       Row{"sharp 128", kPhotoSharp, 128, 0x5f402999af4ac6faULL},
                       Row{"sharp 200", kPhotoSharp, 200, 0xa3276fc69df3bd1fULL},
                       Row{"soft 128", kPhotoSoft, 128, 0xad45e0f51de4d9fcULL},
                       Row{"soft 37", kPhotoSoft, 37, 0xb25a1a54f093104aULL},
                       Row{"diffusion 128", kPhotoDiffusion, 128, 0xe9e8fe0976ba3cfeULL},
                       Row{"atkinson 90", kPhotoAtkinson, 90, 0x7c2b698dc8c988fbULL},
                       Row{"ordered 170", kPhotoOrdered, 170, 0x612ba73122f3e5c4ULL}}) {
    DotRandom random(7);
    auto dots = ConvertToMono({102, 64, 90, 50, true, true, r.level, r.method}, colours, random);
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
    EXPECT_EQ(OtsuLevel(ViewHistogram({102, 64, 60, 40, true, true, 0, 0}, view)), r.level)
        << r.name;
  }
}

TEST(ConvertToMono, RefusesOutputBeyondTheTable) {
  DotRandom random;
  const FunctionView white([](int, int) { return kWhite; });
  for (auto [w, h] : {std::pair{321, 10}, {10, 241}, {0, 10}}) {
    auto dots = ConvertToMono(Full(w, h, 128, kDocument), white, random);
    EXPECT_TRUE(!dots && dots.error().code == ErrorCode::kBadSize) << w << " x " << h;
  }
}

// The first numbers of the default start are fixed: the first conversion after start-up must
// be the same on every platform and in every run; later ones continue the sequence.
TEST(DotRandom, SameNumbersEverywhereAndConversionsContinueThem) {
  DotRandom a;
  EXPECT_EQ(a.Next(), 0x1.90341a6b8a1d7p-1);
  EXPECT_EQ(a.Next(), 0x1.41ba43d651066p-2);
  const FunctionView grey([](int, int) { return Grey(128); });
  DotRandom random;
  auto first = ConvertToMono(Full(64, 32, 128, kPhotoSoft), grey, random);
  auto second = ConvertToMono(Full(64, 32, 128, kPhotoSoft), grey, random);
  ASSERT_TRUE(first && second);
  EXPECT_FALSE(*first == *second);
}

}  // namespace
}  // namespace dotcaster::convert
