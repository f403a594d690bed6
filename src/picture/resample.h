#pragma once

// Renders a window of a picture stretched to any size without building the stretched
// picture: the cost follows the window, not the stretched size (a 10 x 10 crop of a large
// photo stretched to 320 x 240 is a 128,000-pixel-wide picture of which 320 x 240 are read).

#include "convert/geometry.h"
#include "picture/decoders.h"

namespace dotcaster::picture {

// The picture `src` stretched to `stretched`, window (off_left, off_top) of view_width x
// view_height. Pixels outside the stretched picture are white.
//
// Shrinking (per axis) averages exactly the source pixels that a view pixel covers, weighted
// by the covered fraction, so photos do not alias. Enlarging repeats the nearest source pixel:
// every dot is then the threshold of a real pixel value rather than an invented in-between
// grey, edges of drawings and text stay as sharp as the picture has them, and a 1:1 placement
// reproduces the decoded pixels exactly.
RgbImage RenderStretched(const RgbImage& src, convert::Size stretched, int off_left, int off_top,
                         int view_width, int view_height);

// The same from part of the picture: `part` holds the pixels of rectangle `where` of a
// picture of size `whole`, whose other pixels are white (a GIF frame on a larger screen).
// Nothing of the size of the whole picture is made, and what the part holds beyond
// SourceRectFor of this window is never read.
RgbImage RenderStretched(const RgbImage& part, convert::Size whole, PixelRect where,
                         convert::Size stretched, int off_left, int off_top, int view_width,
                         int view_height);

// The pixels of a picture of size `whole` that rendering this window reads; empty when the
// window shows none of the picture.
PixelRect SourceRectFor(convert::Size whole, convert::Size stretched, int off_left, int off_top,
                        int view_width, int view_height);

}  // namespace dotcaster::picture
