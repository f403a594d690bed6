// The PNG encoder against netpbm's and ImageMagick's decoders: the same dots as the PBM
// encoder writes. An odd width shows any error in the row padding.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "formats/dot_image.h"
#include "temp_dir.h"
#include "tools.h"

namespace dotcaster {
namespace {

TEST(EncodePng, OtherDecodersReadTheDots) {
  REQUIRE_TOOLS("pngtopnm", "{convert}");
  DotImage dots(37, 5);
  for (int i = 0; i < 37 * 5; i += 3)
    dots.SetBlack(i % 37, i / 37);
  testing::TempDir dir;
  testing::WriteAll(dir.File("d.png"), EncodePng(dots).value());
  const std::string magick = std::ifstream("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
  for (const std::string& tool : {std::string("pngtopnm"), magick + " - -depth 1 pbm:-"}) {
    const std::string in = dir.File("d.png"), out = dir.File("d.pbm");
    ASSERT_EQ(std::system((tool + " < '" + in + "' > '" + out + "' 2>/dev/null").c_str()), 0);
    EXPECT_EQ(testing::ReadAll(out), EncodePbm(dots)) << tool;
  }
}

}  // namespace
}  // namespace dotcaster
