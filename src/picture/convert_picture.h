#pragma once

// The conversion engine: a decoded picture and a request in, the dots and their placement
// out. It reads and writes no shared state.
//
// How to use it:
//  - The window: builds the request from its state and the controls, converts with the
//    process's generator, copies the placement into its state, stores the dots as the
//    working file (EncodeBmp) and shows them; on any error it unloads the picture and shows
//    "Error!".
//  - dotcast: one SourcePicture and DotRandom per file and thread; the same call.
// Both give the same dots for the same picture, request and generator state, and the same
// automatic level (AutoLevel) for the same picture and request.

#include "convert/random.h"
#include "convert/request.h"
#include "picture/source_picture.h"
#include "state/error.h"
#include "state/expected.h"

namespace dotcaster::picture {

// Fails with kBadSize (an output beyond 1..320 x 1..240), kDivisionByZero (a thin picture,
// see ComputeGeometry), or the decoder's error when a JPEG must be decoded again for this
// placement and cannot be.
Expected<convert::Conversion, Error> ConvertSourcePicture(SourcePicture& picture,
                                                          const convert::ConvertRequest& request,
                                                          convert::DotRandom& random);

// What a conversion of this request reads: the view of the placed picture, where it lands
// in the output, and the ConvertToMono input. For tools that compare the dots with what
// they stand for (the quality benchmark). Fails as ConvertSourcePicture does.
struct PlacedView {
  convert::Geometry geometry;
  convert::MonoInput mono;
  convert::MonoPlacement placement;
  ViewImage view;
};
Expected<PlacedView, Error> PlaceView(SourcePicture& picture,
                                      const convert::ConvertRequest& request);

// The automatic level: Otsu's threshold (convert::OtsuLevel) of the view this request would
// convert, the picture placed as the conversion places it and the margins left out. The
// request's level and method do not matter. Fails as ConvertSourcePicture does.
Expected<int, Error> AutoLevel(SourcePicture& picture, const convert::ConvertRequest& request);

}  // namespace dotcaster::picture
