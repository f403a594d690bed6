#include <gtest/gtest.h>

#include <vector>

#include "formats/quadrel.h"

namespace dotcaster {
namespace {

using ByteVec = std::vector<std::uint8_t>;

TEST(Quadrel, WorkedExampleTwoByTen) {
  // Black dots at (0, 0) and (1, 9) only: bitmap rows are white except those two.
  const int w = 2, h = 10;
  ByteVec bmp(BmpFileSize(w, h), 0);
  WriteBmpHeader(w, h, bmp);
  const int row = BmpRowSize(w);
  for (int r = 0; r < h; ++r)
    bmp[kBmpHeaderSize + r * row] = 0xC0;          // both white
  bmp[kBmpHeaderSize + (h - 1 - 0) * row] = 0x40;  // (0,0) black
  bmp[kBmpHeaderSize + (h - 1 - 9) * row] = 0x80;  // (1,9) black
  auto qdl = ConvertQdlBmp(bmp);
  ASSERT_TRUE(qdl);
  EXPECT_EQ(*qdl, (ByteVec{0x02, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x02}));
  auto back = ConvertQdlBmp(*qdl);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->size(), bmp.size());
}

}  // namespace
}  // namespace dotcaster
