#include "formats/quadrel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/bytes.h"

namespace dotcaster {
namespace {

using ByteVec = std::vector<std::uint8_t>;

// Pictures laid out by hand from the two layouts' definitions, independently of the code
// under test (only the 62 header bytes come from WriteBmpHeader, which has a golden test of
// its own). True is black.
using Pixels = std::function<bool(int x, int y)>;

Pixels Noise(unsigned seed) {
  return [seed](unsigned x, unsigned y) {
    return (((seed + x * 7919u + y * 104729u) * 2654435761u) >> 19) & 1u;
  };
}

ByteVec MakeBitmap(int w, int h, const Pixels& black) {
  const int row = 4 * ((w + 31) / 32);
  ByteVec b(static_cast<std::size_t>(62 + row * h), 0);
  WriteBmpHeader(w, h, b);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!black(x, y))
        b[62 + (h - 1 - y) * row + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  return b;
}

ByteVec MakeQuadrel(int w, int h, const Pixels& black) {
  ByteVec q = {static_cast<std::uint8_t>(w), static_cast<std::uint8_t>(w >> 8),
               static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(h >> 8)};
  q.resize(static_cast<std::size_t>(4 + (h + 7) / 8 * w));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (black(x, y)) q[4 + (y / 8) * w + x] |= static_cast<std::uint8_t>(1 << (y % 8));
    }
  }
  return q;
}

TEST(QuadrelGolden, WorkedExampleTwoByTen) {
  const ByteVec qdl = {0x02, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x02};
  const ByteVec bmp =
      MakeBitmap(2, 10, [](int x, int y) { return (x == 0 && y == 0) || (x == 1 && y == 9); });
  EXPECT_EQ(ConvertQdlBmp(qdl).value(), bmp);
  EXPECT_EQ(ConvertQdlBmp(bmp).value(), qdl);
}

TEST(QuadrelGolden, Header102x64) {
  ByteVec b(BmpFileSize(102, 64), 0xAA);
  WriteBmpHeader(102, 64, b);
  const ByteVec expected = {
      0x42, 0x4D, 0x3E, 0x04, 0x00, 0x00,              // "BM", 1086
      0x00, 0x00, 0x00, 0x00,                          // reserved
      0x3E, 0x00, 0x00, 0x00,                          // data at 62
      0x28, 0x00, 0x00, 0x00,                          // info header 40
      0x66, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00,  // 102 x 64
      0x01, 0x00, 0x01, 0x00,                          // planes, bits
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // compression, image size
      0xCE, 0x0E, 0x00, 0x00, 0xD8, 0x0E, 0x00, 0x00,  // 3790, 3800 per metre
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // colours
      0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00,  // black, white
  };
  EXPECT_EQ(ByteVec(b.begin(), b.begin() + 62), expected);
  EXPECT_EQ(b[62], 0xAA) << "the header writer must not touch the pixel rows";
}

// Each direction gives exactly the hand-laid file (row padding and the bits beyond the width
// 0), the loader reads the Quadrel file back to the same dots, and the encoders write them
// as the same files again.
TEST(QuadrelRoundTrip, EveryWidthToFortyAtTypicalHeights) {
  for (int h : {1, 7, 8, 9, 12, 64, 240}) {
    for (int w = 1; w <= 40; ++w) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
      const Pixels pix = Noise(static_cast<unsigned>(w * 1000 + h));
      const ByteVec bmp = MakeBitmap(w, h, pix), qdl = MakeQuadrel(w, h, pix);
      ASSERT_EQ(Le32(bmp, 2), bmp.size()) << "the header's file size";
      ASSERT_EQ(ConvertQdlBmp(bmp).value(), qdl);
      ASSERT_EQ(ConvertQdlBmp(qdl).value(), bmp);
      const DotImage dots = QuadrelDots(qdl).value();
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(dots.dot(x, y), pix(x, y)) << x << "," << y;
      }
      ASSERT_EQ(EncodeQdl(dots), qdl);
      ASSERT_EQ(EncodeBmp(dots), bmp);
    }
  }
}

// Bits below the image and trailing bytes are ignored; missing data reads white in a Quadrel
// file and black in a bitmap.
TEST(QuadrelRoundTrip, ExtraAndMissingData) {
  ByteVec q = MakeQuadrel(5, 12, Noise(7));
  for (int x = 0; x < 5; ++x)
    q[4 + 5 + x] |= 0xF0;  // rows 12..15 of the second band
  q.insert(q.end(), {0xFF, 0x12, 0x34});
  EXPECT_EQ(ConvertQdlBmp(q).value(), MakeBitmap(5, 12, Noise(7)));
  const ByteVec qdl_cut = {0x03, 0x00, 0x08, 0x00, 0xFF};  // column 0 only
  EXPECT_EQ(ConvertQdlBmp(qdl_cut).value(), MakeBitmap(3, 8, [](int x, int) { return x == 0; }));
  ByteVec bmp_cut = MakeBitmap(8, 8, [](int, int) { return false; });
  bmp_cut.resize(63);  // the bottom row's first byte
  EXPECT_EQ(ConvertQdlBmp(bmp_cut).value(), MakeQuadrel(8, 8, [](int, int y) { return y < 7; }));
}

// A bitmap header claiming w x h, or a Quadrel one, and `data` bytes of dots.
ByteVec Claiming(bool bitmap, int w, int h, int data = 1) {
  ByteVec b(static_cast<std::size_t>((bitmap ? 62 : 4) + data), 0xFF);
  std::fill(b.begin(), b.end() - data, 0);
  if (bitmap) b[0] = 'B', b[1] = 'M';
  PutLe16(b, bitmap ? 18 : 0, static_cast<std::uint32_t>(w));
  PutLe16(b, bitmap ? 22 : 2, static_cast<std::uint32_t>(h));
  return b;
}

// Content starting with "BM" is a bitmap, anything else a Quadrel file. The converter works
// in 16-bit offsets: each direction refuses a file over 32768 bytes and its own side over
// 1023 dots.
TEST(QuadrelSources, ShortOddAndTooLarge) {
  struct Row {
    const char* name;
    ByteVec source;
    std::optional<ErrorCode> error;
  } rows[] = {
      {"Empty", {}, ErrorCode::kTooShort},
      {"OneByte", {0x02}, ErrorCode::kTooShort},
      {"HeaderOnlyQuadrel", {0x02, 0x00, 0x02, 0x00}, ErrorCode::kTooShort},
      {"QuadrelOneDataByte", Claiming(false, 2, 2), std::nullopt},
      {"BitmapHeaderOnly", Claiming(true, 8, 8, 0), ErrorCode::kTooShort},
      {"BitmapOneDataByte", Claiming(true, 8, 8), std::nullopt},
      // A Quadrel file of width 19778 would start with "BM": it is read as a bitmap.
      {"BMAlwaysMeansBitmap", Claiming(false, 0x4D42, 1), ErrorCode::kTooShort},
      {"QuadrelZeroWidth", Claiming(false, 0, 2), ErrorCode::kEmptyImage},
      {"QuadrelZeroHeight", Claiming(false, 2, 0), ErrorCode::kEmptyImage},
      {"BitmapZeroWidth", Claiming(true, 0, 8), ErrorCode::kEmptyImage},
      {"BitmapZeroHeight", Claiming(true, 8, 0), ErrorCode::kEmptyImage},
      {"BitmapLargestFile", Claiming(true, 32, 8176), std::nullopt},  // bitmap 32766 bytes
      {"BitmapFileOneRowTooMany", Claiming(true, 32, 8177), ErrorCode::kConverterTooLarge},
      {"BitmapWidest", Claiming(true, 1023, 255), std::nullopt},  // 32702 bytes
      {"BitmapWidestOneRowTooMany", Claiming(true, 1023, 256), ErrorCode::kConverterTooLarge},
      {"BitmapTooWide", Claiming(true, 1024, 1), ErrorCode::kConverterTooLarge},
      {"QuadrelTallest", Claiming(false, 1, 1023), std::nullopt},
      {"QuadrelTooTall", Claiming(false, 1, 1024), ErrorCode::kConverterTooLarge},
      {"QuadrelLargestBitmap", Claiming(false, 255, 1022), std::nullopt},  // 32766 bytes
      {"QuadrelBitmapTooLarge", Claiming(false, 255, 1023), ErrorCode::kConverterTooLarge},
      {"QuadrelWideIsFine", Claiming(false, 2000, 1), std::nullopt},  // 62 + 252 bytes
      {"QuadrelAbsurd", Claiming(false, 65535, 65535), ErrorCode::kConverterTooLarge},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const auto out = ConvertQdlBmp(r.source);
    EXPECT_EQ(out ? std::nullopt : std::optional(out.error().code), r.error);
  }
  EXPECT_EQ(QuadrelDots(Claiming(false, 0x4D42, 1)).error().code, ErrorCode::kNotAPicture);
}

TEST(Encoders, PbmHasTheDotsAsInkTopRowFirst) {
  DotImage dots(10, 3);
  dots.SetBlack(0, 0);
  dots.SetBlack(9, 2);
  const ByteVec pbm = EncodePbm(dots);
  EXPECT_EQ(std::string(pbm.begin(), pbm.end()), std::string("P4\n10 3\n\x80\0\0\0\0\x40", 14));
}

}  // namespace
}  // namespace dotcaster
