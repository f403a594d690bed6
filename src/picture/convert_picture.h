#pragma once

// The conversion driver's core: geometry, off-screen view, monochrome conversion and the
// bitmap bytes of the result, on a given AppState.
//
// How to use it:
//  - The window: if (!state.ImageLoaded) return; then
//      auto bmp = ConvertSourcePicture(state, picture, crop, level, method,
//                                      convert::TheDotRandom());
//    on success WriteMonoBitmap(state.WorkDspFile, *bmp) and show it; on any error clear
//    ImageLoaded and show "Error!".
//  - dotcast: one AppState, SourcePicture and DotRandom per file and thread; the same call.
// Both give the same dots for the same picture, settings and generator state.
//
// Reads SrcWidth, SrcHeight, OutWidth, OutHeight, ZoomMode and JustZoom; writes ScaleX,
// ScaleY, PlaceWidth and PlaceHeight (on a geometry failure they stay as they were). It does
// not look at ImageLoaded or CropActive: the caller passes the crop frame when a crop is
// active, and nullopt otherwise.

#include <cstdint>
#include <optional>
#include <string_view>

#include "convert/geometry.h"
#include "convert/random.h"
#include "formats/file_io.h"
#include "picture/source_picture.h"
#include "state/app_state.h"
#include "state/expected.h"

namespace dotcaster::picture {

enum class ConvertError {
  kBadSize,         // source or output size out of range (output beyond 320 x 240 included)
  kDivisionByZero,  // the view of a thin picture shrinks to 1 pixel (a 2 x 400 picture)
  kPicture,         // decoding again at a larger scale failed (out of memory)
};

std::string_view ConvertErrorText(ConvertError error);

// The whole 1-bit bitmap of the result (what the working file WorkDspFile holds).
Expected<Bytes, ConvertError> ConvertSourcePicture(AppState& state, SourcePicture& picture,
                                                   std::optional<convert::CropFrame> crop,
                                                   int level, int method,
                                                   convert::DotRandom& random);

}  // namespace dotcaster::picture
