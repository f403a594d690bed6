// Bitmap variants that the common encoders seldom write (decoder_test compares the ones
// they do write with the tools' own decoding), built byte by byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "formats/bytes.h"
#include "picture/decoders.h"
#include "test_limits.h"

namespace dotcaster::picture {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A bitmap with a 54-byte header (its second part claiming `header` bytes); palette entries
// and masks as 0x00RRGGBB, the masks after the header.
struct BmpLayout {
  int width, height, bpp, compression;
  std::vector<std::uint32_t> palette;
  Bytes pixels;
  std::vector<std::uint32_t> masks = {};
  int colours_used = 0;
  std::uint32_t header = 40;
};

Bytes MakeBmp(const BmpLayout& s) {
  const std::size_t offset = 54 + 4 * (s.masks.size() + s.palette.size());
  Bytes b(offset, 0);
  b[0] = 'B';
  b[1] = 'M';
  PutLe32(b, 2, static_cast<std::uint32_t>(offset + s.pixels.size()));
  PutLe32(b, 10, static_cast<std::uint32_t>(offset));
  PutLe32(b, 14, s.header);
  PutLe32(b, 18, static_cast<std::uint32_t>(s.width));
  PutLe32(b, 22, static_cast<std::uint32_t>(s.height));
  PutLe16(b, 26, 1);
  PutLe16(b, 28, static_cast<std::uint32_t>(s.bpp));
  PutLe32(b, 30, static_cast<std::uint32_t>(s.compression));
  PutLe32(b, 46, static_cast<std::uint32_t>(s.colours_used));
  std::size_t at = 54;
  for (std::uint32_t m : s.masks)
    PutLe32(b, (at += 4) - 4, m);
  for (std::uint32_t c : s.palette)  // blue, green, red, 0
    PutLe32(b, (at += 4) - 4, c);
  b.insert(b.end(), s.pixels.begin(), s.pixels.end());
  return b;
}

constexpr std::uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, K = 0, W = 0xFFFFFF;

struct BmpCase {
  std::string name;
  Bytes file;
  std::vector<std::uint32_t> expected;  // top-down; empty: refused with `error`
  ErrorCode error{};
};

BmpCase Variant(std::string name, const BmpLayout& layout, std::vector<std::uint32_t> pixels) {
  return {std::move(name), MakeBmp(layout), std::move(pixels)};
}

BmpCase BadCase(std::string name, Bytes file, ErrorCode error) {
  return {std::move(name), std::move(file), {}, error};
}

class Bitmaps : public ::testing::TestWithParam<BmpCase> {};

TEST_P(Bitmaps, DecodeToTheirPixelsOrAreRefusedWithAClearError) {
  const BmpCase& c = GetParam();
  auto decoded = DecodeBmp(c.file, dotcaster::testing::kTestLimits);
  ASSERT_EQ(decoded.has_value(), !c.expected.empty());
  Bytes rgb;
  for (const std::uint32_t p : c.expected)
    rgb.insert(rgb.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
  EXPECT_EQ(decoded ? decoded->image.rgb : rgb, rgb);
  EXPECT_EQ(decoded ? c.error : decoded.error().code, c.error);
}

Bytes Rle8FarDeltas() {
  Bytes rle;
  for (int i = 0; i < 2000; ++i)
    rle.insert(rle.end(), {0, 2, 255, 255});
  rle.insert(rle.end(), {0, 1});
  return rle;
}

Bytes Truncated(Bytes b, std::size_t n) {
  b.resize(n);
  return b;
}

const Bytes kGood = MakeBmp({3, 2, 24, 0, {}, Bytes(24, 0x80)});

INSTANTIATE_TEST_SUITE_P(
    All, Bitmaps,
    ::testing::Values(
        Variant("TopDown24",
                {2, -2, 24, 0, {}, {0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0}},
                {R, G, B, K}),
        // Index 3 lies beyond the two colours in use: black.
        Variant("IndexBeyondPalette", {2, 1, 8, 0, {R, G}, {1, 3, 0, 0}, {}, 2}, {G, K}),
        // 5-5-5 by default, each channel's bits repeated into 8.
        Variant("Default16Is555", {2, 1, 16, 0, {}, {0x00, 0x7C, 0x10, 0x42}}, {R, 0x848484}),
        // 10 bits per channel: the top 8 count.
        Variant("BitFields32TenBit",
                {1, 1, 32, 3, {}, {0x00, 0x00, 0xF0, 0x3F}, {0x3FF00000, 0x000FFC00, 0x000003FF}},
                {R}),
        Variant("Default32IgnoresAlpha", {1, 1, 32, 0, {}, {0x10, 0x20, 0x30, 0x77}}, {0x302010}),
        // RLE8, bottom row first: a run of 2 (index 1), a literal run of 3 (padded), end of
        // line; on the top row a delta skips the first pixel, which keeps index 0, a run of
        // 3, end of bitmap before the last pixel (index 0 too).
        Variant("Rle8",
                {5, 2, 8, 1, {K, R, G, B}, {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 3, 2, 0, 1}},
                {K, G, G, G, K, R, R, G, B, R}),
        // RLE4: a run alternating two indices, then a literal run of 3 nibbles (padded).
        Variant("Rle4", {5, 1, 4, 2, {K, R, G, B}, {2, 0x12, 0, 3, 0x31, 0x20, 0, 1}},
                {R, G, B, R, G}),
        // Some writers end with an end-of-line after the last row instead of end-of-bitmap.
        Variant("Rle8EndOfLineLast", {2, 2, 8, 1, {K, W}, {2, 1, 0, 0, 2, 0, 0, 0}}, {K, K, W, W}),
        Variant("Rle8DeltaFarBeyond", {3, 3, 8, 1, {W}, Rle8FarDeltas()},
                std::vector<std::uint32_t>(9, W)),
        BadCase("NotABitmap", {'P', '6', 0, 0}, ErrorCode::kNotAPicture),
        BadCase("HeaderCut", Truncated(kGood, 30), ErrorCode::kTruncatedBmp),
        BadCase("PixelsCut", Truncated(kGood, kGood.size() - 1), ErrorCode::kTruncatedBmp),
        BadCase("ZeroWidth", MakeBmp({0, 2, 24, 0, {}, {}}), ErrorCode::kEmptyPicture),
        BadCase("NegativeWidth", MakeBmp({-3, 2, 24, 0, {}, {}}), ErrorCode::kCorruptBmp),
        // Refused from the header alone, by the limits given: nothing is allocated.
        BadCase("SideBeyondTheLimit", MakeBmp({4097, 1, 24, 0, {}, {}}),
                ErrorCode::kPictureTooLarge),
        BadCase("PixelsBeyondTheLimit", MakeBmp({2001, 2000, 24, 0, {}, {}}),
                ErrorCode::kPictureTooLarge),
        BadCase("OddDepth", MakeBmp({1, 1, 7, 0, {}, Bytes(4)}), ErrorCode::kCorruptBmp),
        BadCase("JpegInside", MakeBmp({1, 1, 24, 4, {}, Bytes(4)}), ErrorCode::kUnsupportedBmp),
        BadCase("RleOnTrueColour", MakeBmp({1, 1, 24, 1, {}, Bytes(4)}), ErrorCode::kCorruptBmp),
        BadCase("RleEndsEarly", MakeBmp({4, 4, 8, 1, {K, W}, {4, 1, 0, 0, 4, 1}}),
                ErrorCode::kTruncatedBmp),
        BadCase("PaletteCut", Truncated(MakeBmp({1, 1, 8, 0, {K, W, R, G}, Bytes(4)}), 60),
                ErrorCode::kTruncatedBmp),
        BadCase("HeaderSizeAbsurd", MakeBmp({3, 2, 24, 0, {}, Bytes(24), {}, 0, 0x7FFFFFFF}),
                ErrorCode::kCorruptBmp)),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace dotcaster::picture
