// The JPEG scan on files written at test time by real encoders (Debian's cjpeg and
// ImageMagick), from a picture the test draws itself.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "formats/probe.h"
#include "temp_dir.h"

namespace dotcaster {
namespace {

using ByteVec = std::vector<std::uint8_t>;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

bool HaveTool(const std::string& name) {
  return std::system(("command -v '" + name + "' >/dev/null 2>&1").c_str()) == 0;
}

// ImageMagick's command under the name Debian gives it, or the generic one.
std::string ImageMagick() {
  for (const char* name : {"convert-im6.q16", "convert-im7.q16", "convert"}) {
    if (HaveTool(name)) return name;
  }
  return {};
}

ByteVec Ppm(int w, int h) {
  const std::string head = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  ByteVec out(head.begin(), head.end());
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      out.push_back(static_cast<std::uint8_t>(x * 7));
      out.push_back(static_cast<std::uint8_t>(y * 5));
      out.push_back(static_cast<std::uint8_t>((x ^ y) * 3));
    }
  }
  return out;
}

// Offset of the first FF code in the file, or npos.
std::size_t FindMarker(const ByteVec& data, std::uint8_t code) {
  for (std::size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] == 0xFF && data[i + 1] == code) return i;
  }
  return std::string::npos;
}

struct EncoderRow {
  const char* name;
  int w, h;
  const char* tool;     // "cjpeg" or "magick"
  const char* options;  // placed before the input file
  std::uint8_t frame;   // frame marker the encoder is expected to write
  int components;       // as written in the frame
  const char* comment;  // when set, wrjpgcom adds this comment segment before the frame
};

class JpegEncoderTest : public ::testing::TestWithParam<EncoderRow> {};

TEST_P(JpegEncoderTest, MeasuresWhatTheEncoderWrote) {
#ifdef _WIN32
  GTEST_SKIP() << "runs Debian's encoders through a POSIX shell";
#endif
  const EncoderRow& row = GetParam();
  std::string tool = row.tool;
  if (tool == "magick") tool = ImageMagick();
  if (tool.empty() || !HaveTool(tool)) GTEST_SKIP() << row.tool << " is not installed";
  if (row.comment && !HaveTool("wrjpgcom")) GTEST_SKIP() << "wrjpgcom is not installed";

  TempDir dir;
  const std::string ppm = dir.File("in.ppm"), jpg = dir.File("out.jpg");
  WriteAll(ppm, Ppm(row.w, row.h));
  std::string command =
      tool == "cjpeg"
          ? "cjpeg " + std::string(row.options) + " -outfile '" + jpg + "' '" + ppm + "'"
          : tool + " '" + ppm + "' " + row.options + " 'jpg:" + jpg + "'";
  if (row.comment) {
    command += " && wrjpgcom -comment '" + std::string(row.comment) + "' '" + jpg + "' > '" + jpg +
               ".c' && mv '" + jpg + ".c' '" + jpg + "'";
  }
  ASSERT_EQ(std::system((command + " 2>&1").c_str()), 0) << command;

  const ByteVec bytes = ReadAll(jpg);
  const std::size_t frame = FindMarker(bytes, row.frame);
  ASSERT_NE(frame, std::string::npos) << "the encoder wrote another kind of file";
  ASSERT_LT(frame + 9, bytes.size());
  EXPECT_EQ(bytes[frame + 9], row.components);
  if (row.comment) {
    const std::size_t com = FindMarker(bytes, 0xFE);
    ASSERT_NE(com, std::string::npos);
    EXPECT_LT(com, frame);
  }

  const auto size = ProbeJpegBytes(bytes);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, row.w);
  EXPECT_EQ(size->height, row.h);
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, JpegEncoderTest,
    ::testing::Values(
        EncoderRow{"Baseline", 321, 17, "cjpeg", "-baseline", 0xC0, 3, nullptr},
        EncoderRow{"Progressive", 640, 480, "cjpeg", "-progressive", 0xC2, 3, nullptr},
        EncoderRow{"Arithmetic", 33, 7, "cjpeg", "-arithmetic", 0xC9, 3, nullptr},
        EncoderRow{"Grey", 102, 64, "cjpeg", "-grayscale", 0xC0, 1, nullptr},
        EncoderRow{"OptimisedWithRestarts", 1, 1, "cjpeg", "-optimize -restart 1", 0xC0, 3,
                   nullptr},
        EncoderRow{"CommentBeforeFrame", 4000, 3, "cjpeg", "", 0xC0, 3, "made by the tests"},
        EncoderRow{"Cmyk", 50, 40, "magick", "-colorspace CMYK -quality 80", 0xC0, 4, nullptr},
        EncoderRow{"MagickProgressive", 3, 300, "magick", "-interlace JPEG", 0xC2, 3, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dotcaster
