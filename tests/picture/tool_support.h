#pragma once

// Pictures written and read by Debian's own tools (libjpeg-turbo-progs, netpbm, ImageMagick,
// giflib-tools), for comparing our decoders with theirs on files made at test time.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "formats/dot_image.h"
#include "picture/decoders.h"

namespace dotcaster::picture::testing {

// A deterministic test picture: gradients and a fine pattern, so that every decoder path
// sees varied colours and sharp edges. colours 2 is black and white, 8 or 64 a small palette.
RgbImage Pattern(int width, int height, int colours = 0);

// A picture encoded by a tool and, when a decoder is given, the tool family's own decoding of
// it: filters from standard input to output ("{convert}": ImageMagick's); nullopt when one fails.
struct Encoded {
  std::vector<std::uint8_t> file;
  RgbImage reference;
};
std::optional<Encoded> Encode(const std::string& folder, const RgbImage& picture,
                              const std::string& encode, const std::string& decode = "");

// Whether every dot is the "Document" threshold at `level` of the reference pixel under it,
// reference pixel (src_x, src_y) lying under dot (0, 0).
::testing::AssertionResult DotsAreThresholds(const DotImage& dots, const RgbImage& reference,
                                             int src_x, int src_y, int level);

// Whether the pictures have one size and no channel differs by more than tolerance.
::testing::AssertionResult PixelsWithin(const RgbImage& a, const RgbImage& b, int tolerance);

}  // namespace dotcaster::picture::testing
