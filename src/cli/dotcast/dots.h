#pragma once

// A converted dot image as dotcast writes and shows it.

#include <string>

#include "cli/dotcast/options.h"
#include "formats/dot_image.h"
#include "state/error.h"
#include "state/expected.h"

namespace dotcaster::cli {

// The file content of the image in the given format: the program's bitmap (what the window
// keeps as its result working file), Quadrel (byte for byte what the window saves), PNG or
// PBM.
Expected<Bytes, Error> EncodeDots(const DotImage& image, OutputFormat format);

// The image as text, two dot rows per line with the Unicode half blocks; the ink is the
// black dots, or the white ones when invert is set (for light text on a dark terminal).
std::string RenderHalfBlocks(const DotImage& image, bool invert);

}  // namespace dotcaster::cli
