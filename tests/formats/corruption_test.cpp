// Damaged input through the converter and every probe: every byte of a valid file changed,
// every length cut off. Nothing may crash or touch memory it does not own (the sanitizer
// build checks that), and a success must still be self-consistent.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/probe.h"
#include "formats/quadrel.h"
#include "test_pictures.h"

namespace dotcaster {
namespace {

using ByteVec = std::vector<std::uint8_t>;

// What may be said of any input, damaged or not.
void CheckEverything(const ByteVec& input) {
  auto converted = ConvertQdlBmp(input);
  if (converted) {
    const ByteVec& out = *converted;
    ASSERT_GE(out.size(), 5u);
    if (out[0] == 'B' && out[1] == 'M' && input.size() > 1 &&
        !(input[0] == 'B' && input[1] == 'M')) {
      // A Quadrel source became a bitmap of the size its header promised.
      ASSERT_GE(out.size(), 62u);
      EXPECT_EQ(static_cast<int>(out.size()), BmpFileSize(Le16(out, 18), Le16(out, 22)));
      EXPECT_EQ(Le16(out, 18), Le16(input, 0));
      EXPECT_EQ(Le16(out, 22), Le16(input, 2));
      EXPECT_LE(out.size(), 32768u);
    } else {
      // A bitmap source became a Quadrel file.
      EXPECT_EQ(static_cast<int>(out.size()), QdlFileSize(Le16(out, 0), Le16(out, 2)));
      EXPECT_EQ(Le16(out, 0), Le16(input, 18));
      EXPECT_EQ(Le16(out, 2), Le16(input, 22));
    }
  }
  const auto jpeg = ProbeJpegBytes(input);
  if (jpeg) {
    EXPECT_LE(jpeg->width, 0xFFFF);
    EXPECT_LE(jpeg->height, 0xFFFF);
  }
  const bool os2 = input.size() >= 26 && Le32(input, 14) == 12;
  EXPECT_EQ(ProbeBitmapBytes(input).has_value(), input.size() >= 29 || os2);
  EXPECT_EQ(ProbeGifBytes(input).has_value(), input.size() >= 10);
}

struct Sample {
  const char* name;
  ByteVec bytes;
};

std::vector<Sample> Samples() {
  return {
      {"Bitmap", testing::MakeBitmap(20, 12, testing::Noise(3))},
      {"Quadrel", testing::MakeQuadrel(13, 10, testing::Noise(4))},
      {"Jpeg", testing::BuiltJpeg(640, 480)},
      {"Gif", testing::BuiltGif(640, 480)},
  };
}

TEST(Corruption, EveryByteChanged) {
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    for (std::size_t i = 0; i < sample.bytes.size(); ++i) {
      const std::uint8_t b = sample.bytes[i];
      for (const std::uint8_t changed : {b ^ 0xFF, b ^ 0x80, b ^ 0x01, 0x00, 0xFF}) {
        ByteVec damaged = sample.bytes;
        damaged[i] = changed;
        SCOPED_TRACE("byte " + std::to_string(i) + " set to " + std::to_string(changed));
        CheckEverything(damaged);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(Corruption, EveryLengthCut) {
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    for (std::size_t n = 0; n <= sample.bytes.size(); ++n) {
      SCOPED_TRACE("length " + std::to_string(n));
      const ByteVec cut(sample.bytes.begin(), sample.bytes.begin() + static_cast<long>(n));
      CheckEverything(cut);
      if (HasFatalFailure()) return;
    }
  }
}

// The sweeps mean little unless the built JPEG sample measures right when whole.
TEST(Corruption, TheJpegSampleMeasuresWhole) {
  const auto whole = ProbeJpegBytes(testing::BuiltJpeg(640, 480));
  EXPECT_TRUE(whole && whole->width == 640 && whole->height == 480);
}

}  // namespace
}  // namespace dotcaster
