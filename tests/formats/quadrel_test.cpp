#include "formats/quadrel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_pictures.h"

namespace dotcaster {
namespace {

using ByteVec = std::vector<std::uint8_t>;

using testing::BitmapBlack;
using testing::MakeBitmap;
using testing::MakeQuadrel;
using testing::Noise;
using testing::Pixels;

// ---- golden bytes --------------------------------------------------------------------------

TEST(QuadrelGolden, WorkedExampleTwoByTen) {
  const ByteVec qdl = {0x02, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x02};
  auto bmp = ConvertQdlBmp(qdl);
  ASSERT_TRUE(bmp);
  ASSERT_EQ(bmp->size(), 62u + 4u * 10u);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 2; ++x) {
      const bool expect_black = (x == 0 && y == 0) || (x == 1 && y == 9);
      EXPECT_EQ(BitmapBlack(*bmp, 2, 10, x, y), expect_black) << x << "," << y;
    }
  }
  auto back = ConvertQdlBmp(*bmp);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, qdl);
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

TEST(QuadrelGolden, FileSizes) {
  struct Row {
    const char* name;
    int w, h, bmp, qdl;
  } rows[] = {
      {"Device", 102, 64, 1086, 820},
      {"Full", 320, 240, 9662, 9604},
      {"TwelveSquare", 12, 12, 110, 28},
      {"OneDot", 1, 1, 66, 5},
      {"ThirtyThreeWide", 33, 9, 62 + 8 * 9, 4 + 2 * 33},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(BmpFileSize(r.w, r.h), r.bmp);
    EXPECT_EQ(QdlFileSize(r.w, r.h), r.qdl);
    // The header written with the image carries the file size, its fourth byte 0.
    ByteVec b(62);
    WriteBmpHeader(r.w, r.h, b);
    EXPECT_EQ(Le32(b, 2), static_cast<std::uint32_t>(r.bmp));
  }
}

// ---- round trips ---------------------------------------------------------------------------

// Each direction gives exactly the hand-laid file (row padding and the bits beyond the width
// 0), and the loader reads the Quadrel file back to the same dots.
TEST(QuadrelRoundTrip, EveryWidthToFortyAtTypicalHeights) {
  for (int h : {1, 7, 8, 9, 12, 64, 240}) {
    for (int w = 1; w <= 40; ++w) {
      SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
      const Pixels pix = Noise(static_cast<unsigned>(w * 1000 + h));
      const ByteVec bmp = MakeBitmap(w, h, pix), qdl = MakeQuadrel(w, h, pix);
      ASSERT_EQ(ConvertQdlBmp(bmp).value(), qdl);
      ASSERT_EQ(ConvertQdlBmp(qdl).value(), bmp);
      const DotImage dots = QuadrelDots(qdl).value();
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          ASSERT_EQ(dots.dot(x, y), pix(x, y)) << x << "," << y;
    }
  }
  // Content that starts like a bitmap is never taken for a Quadrel file.
  EXPECT_EQ(QuadrelDots(ByteVec{'B', 'M', 1, 0, 0xFF}).error().code, ErrorCode::kNotAPicture);
}

TEST(QuadrelRoundTrip, QuadrelIgnoresBitsBelowTheImageAndTrailingBytes) {
  // Height 12: bits 4..7 of band 1 carry no dots; trailing bytes change nothing.
  const int w = 5, h = 12;
  const Pixels pix = Noise(7);
  ByteVec q = MakeQuadrel(w, h, pix);
  ByteVec noisy = q;
  for (int x = 0; x < w; ++x)
    noisy[4 + w + x] |= 0xF0;
  noisy.insert(noisy.end(), {0xFF, 0x12, 0x34});
  auto a = ConvertQdlBmp(q);
  auto b = ConvertQdlBmp(noisy);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*a, *b);
}

// ---- short and odd sources -----------------------------------------------------------------

TEST(QuadrelSources, ShortAndOddSources) {
  ByteVec bm62(62, 0);
  bm62[0] = 'B', bm62[1] = 'M', bm62[18] = 8, bm62[22] = 8;
  ByteVec bm63 = bm62;
  bm63.push_back(0xFF);
  // A "Quadrel" header of width 19778 starts with the bytes of "BM": it is read as a bitmap,
  // and as a bitmap this one is too short.
  ByteVec looks_quadrel(60, 0x00);
  looks_quadrel[0] = 0x42, looks_quadrel[1] = 0x4D, looks_quadrel[2] = 0x01;

  struct Row {
    const char* name;
    ByteVec source;
    bool ok;
    ErrorCode error;
  } rows[] = {
      {"Empty", {}, false, ErrorCode::kTooShort},
      {"OneByte", {0x02}, false, ErrorCode::kTooShort},
      {"JustBM", {'B', 'M'}, false, ErrorCode::kTooShort},
      {"HeaderOnlyQuadrel", {0x02, 0x00, 0x02, 0x00}, false, ErrorCode::kTooShort},
      {"QuadrelOneDataByte", {0x02, 0x00, 0x02, 0x00, 0x03}, true, {}},
      {"BitmapHeaderOnly", bm62, false, ErrorCode::kTooShort},
      {"BitmapOneDataByte", bm63, true, {}},
      {"QuadrelZeroWidth", {0x00, 0x00, 0x02, 0x00, 0x01}, false, ErrorCode::kEmptyImage},
      {"QuadrelZeroHeight", {0x02, 0x00, 0x00, 0x00, 0x01}, false, ErrorCode::kEmptyImage},
      {"BMAlwaysMeansBitmap", looks_quadrel, false, ErrorCode::kTooShort},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    auto out = ConvertQdlBmp(r.source);
    ASSERT_EQ(out.has_value(), r.ok);
    if (!r.ok) {
      EXPECT_EQ(out.error().code, r.error);
    }
  }
}

TEST(QuadrelSources, MissingDataReadsWhiteInQuadrelAndBlackInBitmap) {
  // A Quadrel file cut after its first data byte: the rest of the dots are white.
  const ByteVec qdl = {0x03, 0x00, 0x08, 0x00, 0xFF};
  auto bmp = ConvertQdlBmp(qdl);
  ASSERT_TRUE(bmp);
  for (int y = 0; y < 8; ++y) {
    EXPECT_TRUE(BitmapBlack(*bmp, 3, 8, 0, y));
    EXPECT_FALSE(BitmapBlack(*bmp, 3, 8, 1, y));
    EXPECT_FALSE(BitmapBlack(*bmp, 3, 8, 2, y));
  }
  // A bitmap cut after the first byte of its bottom row: the rest of the pixels are black.
  ByteVec full = MakeBitmap(8, 8, [](int, int) { return false; });
  full.resize(63);
  auto q = ConvertQdlBmp(full);
  ASSERT_TRUE(q);
  for (int x = 0; x < 8; ++x)
    EXPECT_EQ((*q)[4 + x], 0x7F) << "only the bottom row (bit 7) is white, column " << x;
}

// The 16-bit offset limit: each direction refuses a file size over 32768 bytes, and its own
// side over 1023 dots.
TEST(QuadrelSources, SizeLimits) {
  struct Row {
    const char* name;
    bool from_bitmap;
    int w, h;
    bool ok;
  } rows[] = {
      {"BitmapLargestFile", true, 32, 8176, true},  // bitmap 32766 bytes
      {"BitmapFileOneRowTooMany", true, 32, 8177, false},
      {"BitmapWidest", true, 1023, 255, true},  // 32702 bytes
      {"BitmapWidestOneRowTooMany", true, 1023, 256, false},
      {"BitmapTooWide", true, 1024, 1, false},
      {"BitmapZeroWidth", true, 0, 8, false},
      {"BitmapZeroHeight", true, 8, 0, false},
      {"QuadrelTallest", false, 1, 1023, true},
      {"QuadrelTooTall", false, 1, 1024, false},
      {"QuadrelLargestBitmap", false, 255, 1022, true},  // bitmap 32766 bytes
      {"QuadrelBitmapTooLarge", false, 255, 1023, false},
      {"QuadrelWideIsFine", false, 2000, 1, true},  // bitmap 62 + 252 bytes
      {"QuadrelAbsurd", false, 65535, 65535, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ByteVec source;
    if (r.from_bitmap) {
      source = MakeBitmap(1, 1, Noise(0));  // a header and a data byte, then the size
      source[18] = static_cast<std::uint8_t>(r.w), source[19] = static_cast<std::uint8_t>(r.w >> 8);
      source[22] = static_cast<std::uint8_t>(r.h), source[23] = static_cast<std::uint8_t>(r.h >> 8);
    } else {
      source = {static_cast<std::uint8_t>(r.w), static_cast<std::uint8_t>(r.w >> 8),
                static_cast<std::uint8_t>(r.h), static_cast<std::uint8_t>(r.h >> 8), 0xFF};
    }
    auto out = ConvertQdlBmp(source);
    ASSERT_EQ(out.has_value(), r.ok);
    if (r.ok) {
      EXPECT_EQ(out->size(), static_cast<std::size_t>(r.from_bitmap ? QdlFileSize(r.w, r.h)
                                                                    : BmpFileSize(r.w, r.h)));
    } else {
      EXPECT_EQ(out.error().code,
                r.w == 0 || r.h == 0 ? ErrorCode::kEmptyImage : ErrorCode::kConverterTooLarge);
    }
  }
}

// ---- encoders of a dot image ---------------------------------------------------------------

TEST(Encoders, PbmHasTheDotsAsInkTopRowFirst) {
  DotImage dots(10, 3);
  dots.SetBlack(0, 0);
  dots.SetBlack(9, 2);
  const ByteVec pbm = EncodePbm(dots);
  const std::string header = "P4\n10 3\n";
  ASSERT_EQ(pbm.size(), header.size() + 3 * 2);
  EXPECT_EQ(std::string(pbm.begin(), pbm.begin() + header.size()), header);
  EXPECT_EQ(ByteVec(pbm.begin() + header.size(), pbm.end()),
            (ByteVec{0x80, 0x00, 0x00, 0x00, 0x00, 0x40}));
}

}  // namespace
}  // namespace dotcaster
