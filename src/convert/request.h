#pragma once

// What a conversion is asked for and what it gives back. The engine
// (picture::ConvertSourcePicture) takes a request and a decoded picture and returns the dots
// and the placement it used; it keeps no state of its own. The window builds the request
// from its state and copies the placement back (ScaleX, ScaleY, PlaceWidth, PlaceHeight);
// dotcast builds it from the command line.

#include <optional>

#include "convert/geometry.h"
#include "convert/mono.h"
#include "formats/dot_image.h"

namespace dotcaster::convert {

struct ConvertRequest {
  int out_width = 0;              // 1..320 dots
  int out_height = 0;             // 1..240 dots
  bool zoom_mode = true;          // stretch the picture to the output size
  bool just_zoom = true;          // keep the ratio of width to height when stretching
  std::optional<CropFrame> crop;  // convert only this part, in source-view pixels
  int method = kDocument;
  int level = 128;  // 0..255
};

struct Conversion {
  DotImage dots;
  // Display size, view scale, placed size and offsets of this conversion.
  Geometry placement;
};

}  // namespace dotcaster::convert
