#pragma once

// The 24-bit Windows bitmap Dotcaster writes of a picture that did not come from a file (the
// clipboard's): a 54-byte header (file header and BITMAPINFOHEADER, no compression), rows
// bottom-up in blue, green, red order, each padded with zeros to a multiple of 4 bytes.
// DecodeBmp reads it back pixel for pixel.

#include "formats/bytes.h"
#include "picture/decoders.h"

namespace dotcaster::picture {

// The file's bytes. An image 0 wide or high fails with kEmptyPicture; one beyond the limits
// (sides, pixels, the file's length) with kPictureTooLarge, before the file is allocated.
Expected<Bytes, Error> EncodeBmp24(const RgbImage& image, const Limits& limits);

}  // namespace dotcaster::picture
