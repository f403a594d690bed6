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

// The same for a picture whose pixels cover only part of its page (a GIF frame on a larger
// screen): the page is stretched, its pixels outside `src` are white, and no page-sized
// copy is ever made.
RgbImage RenderStretched(const RgbImage& src, const PagePlace& page, convert::Size stretched,
                         int off_left, int off_top, int view_width, int view_height);

}  // namespace dotcaster::picture
