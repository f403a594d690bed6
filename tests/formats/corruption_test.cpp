// Damaged input through the converter and every probe: every byte of a valid file changed,
// every length cut off. Nothing may crash or touch memory it does not own (the sanitizer
// build checks that), a success must still be self-consistent, and the file readers must
// agree with the readers over bytes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/probe.h"
#include "formats/quadrel.h"
#include "temp_dir.h"
#include "test_pictures.h"

namespace dotcaster {
namespace {

using ByteVec = std::vector<std::uint8_t>;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

int Le16(const ByteVec& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}

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
  const ProbeResult jpeg = ProbeJpegBytes(input);
  if (jpeg) {
    EXPECT_LT(jpeg.width, 32768);
    EXPECT_LT(jpeg.height, 32768);
  }
  const ProbeResult bmp = ProbeBitmapBytes(input);
  EXPECT_EQ(bmp.ok, input.size() >= 29);
  const ProbeResult gif = ProbeGifBytes(input);
  EXPECT_EQ(gif.ok, input.size() >= 10);
}

// The same content through files gives the same answers as over bytes.
void CheckFilesAgree(const TempDir& dir, const ByteVec& input) {
  const std::string src = dir.File("in"), dst = dir.File("out");
  WriteAll(src, input);
  std::remove(dst.c_str());
  auto converted = ConvertQdlBmp(input);
  ASSERT_EQ(ConvertQdlBmpFile(src, dst), converted.has_value());
  if (converted) {
    ASSERT_EQ(ReadAll(dst), *converted);
  }
  auto same = [](const ProbeResult& a, const ProbeResult& b) {
    return a.ok == b.ok &&
           (!a.ok || (a.width == b.width && a.height == b.height && a.bits == b.bits));
  };
  EXPECT_TRUE(same(ProbeJpegSize(src), ProbeJpegBytes(input)));
  EXPECT_TRUE(same(ProbeBitmapSize(src), ProbeBitmapBytes(input)));
  EXPECT_TRUE(same(ProbeGifSize(src), ProbeGifBytes(input)));
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
  TempDir dir;
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    for (std::size_t i = 0; i < sample.bytes.size(); ++i) {
      const std::uint8_t b = sample.bytes[i];
      for (const std::uint8_t changed : {b ^ 0xFF, b ^ 0x80, b ^ 0x01, 0x00, 0xFF}) {
        ByteVec damaged = sample.bytes;
        damaged[i] = changed;
        SCOPED_TRACE("byte " + std::to_string(i) + " set to " + std::to_string(changed));
        CheckEverything(damaged);
        // The JPEG reader over a file skips and buffers differently from the one over bytes.
        if (sample.name == std::string("Jpeg") && changed == (b ^ 0xFF))
          CheckFilesAgree(dir, damaged);
        if (HasFatalFailure()) return;
      }
    }
  }
}

TEST(Corruption, EveryLengthCut) {
  TempDir dir;
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    for (std::size_t n = 0; n <= sample.bytes.size(); ++n) {
      SCOPED_TRACE("length " + std::to_string(n));
      const ByteVec cut(sample.bytes.begin(), sample.bytes.begin() + static_cast<long>(n));
      CheckEverything(cut);
      CheckFilesAgree(dir, cut);
      if (HasFatalFailure()) return;
    }
  }
}

// The sweeps mean little unless the built JPEG sample measures right when whole.
TEST(Corruption, TheJpegSampleMeasuresWhole) {
  const ProbeResult whole = ProbeJpegBytes(testing::BuiltJpeg(640, 480));
  EXPECT_TRUE(whole.ok && whole.width == 640 && whole.height == 480);
}

}  // namespace
}  // namespace dotcaster
