// Truncated files of every decoder path give an error or a picture, never a crash (the
// sanitizer build checks that), and a file cut well before its end is refused. Damaged bytes
// are the fuzz targets' part (fuzz/picture).

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "picture/source_picture.h"
#include "temp_dir.h"
#include "test_limits.h"
#include "tool_support.h"
#include "tools.h"

namespace dotcaster::picture {
namespace {

using namespace dotcaster::picture::testing;
using dotcaster::testing::kTestLimits;

struct SweepCase {
  std::string name, encode;
  int colours;
};

class CorruptionSweep : public ::testing::TestWithParam<SweepCase> {};

// Everything a caller may do with a picture that loaded.
void Exercise(SourcePicture& pic) {
  (void)pic.DisplayImage();
  (void)pic.RenderView({pic.width() * 2, pic.height() * 2}, 5, 5, 40, 30);
  (void)pic.RenderView({pic.width(), pic.height()}, 0, 0, 40, 30);
}

TEST_P(CorruptionSweep, CutFilesGiveErrorsNotCrashes) {
  const SweepCase& c = GetParam();
  REQUIRE_TOOLS(c.encode);
  dotcaster::testing::TempDir dir;
  auto enc = Encode(dir.path().string(), Pattern(61, 37, c.colours), c.encode);
  ASSERT_TRUE(enc) << c.encode;
  const Bytes& good = enc->file;
  ASSERT_TRUE(SourcePicture::FromBytes(good, kTestLimits));

  // Every cut in the first 100 bytes (the headers), then cuts spread over the rest.
  for (std::size_t n = 0; n < good.size(); n += (n < 100 ? 1 : good.size() / 97 + 1)) {
    auto pic = SourcePicture::FromBytes(Bytes(good.begin(), good.begin() + n), kTestLimits);
    if (n < good.size() * 8 / 10) {
      EXPECT_FALSE(pic) << "cut at " << n << " of " << good.size() << " accepted";
    }
    if (pic) Exercise(*pic);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Decoders, CorruptionSweep,
    ::testing::Values(SweepCase{"JpegBaseline", "cjpeg", 0},
                      SweepCase{"JpegProgressive", "cjpeg -progressive", 0},
                      SweepCase{"JpegArithmetic", "cjpeg -arithmetic", 0},
                      SweepCase{"JpegGrey", "cjpeg -grayscale", 0},
                      SweepCase{"Bmp24", "ppmtobmp", 0}, SweepCase{"Bmp8", "ppmtobmp -bpp 8", 64},
                      SweepCase{"Bmp1", "ppmtobmp -bpp 1", 2},
                      SweepCase{"BmpOs2", "ppmtobmp -os2 -bpp 4", 8},
                      SweepCase{"BmpRle8", "{convert} - -type palette -compress RLE BMP3:-", 64},
                      SweepCase{"BmpBitFields", "{convert} - -alpha on BMP:-", 0},
                      SweepCase{"Gif", "ppmtogif", 64},
                      SweepCase{"GifInterlaced", "ppmtogif -interlace", 64}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace dotcaster::picture
