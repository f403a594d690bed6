#pragma once

// The geometry of a conversion: how large the source picture is shown, which part of it is
// converted, and how that part is stretched and shifted so that one view pixel is one
// output dot. Pure functions over numbers; the picture module renders what they describe.
//
// How to use it:
//  - Loading a picture: FirstOutputSize(w, h, is_qdl) gives OutWidth/OutHeight.
//  - The window shows the source at DisplaySize(SrcWidth, SrcHeight) (SourcePicture's
//    DisplayImage does that for you) and maps the crop frame with ScaleX/ScaleY.
//  - Converting: call picture::ConvertSourcePicture, which runs ComputeGeometry and
//    converts; its result carries the Geometry, whose numbers the window copies into its
//    state. Call ComputeGeometry yourself only to show numbers without converting.
//
// Arithmetic follows the driver exactly: the view scale in double precision, the stretch
// factors and the placed size in single precision, rounding as floor(x + 0.5).

#include <cstdint>
#include <optional>

#include "state/error.h"
#include "state/expected.h"

namespace dotcaster::convert {

// The largest source view: a picture larger than this is shrunk, with its ratio kept.
inline constexpr int kViewWidth = 320;
inline constexpr int kViewHeight = 240;

// The crop frame (the window's Rubber) in source-view pixels.
struct CropFrame {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// The size at which a picture of w x h is shown in the source view: its own size up to
// 320 x 240, shrunk with its ratio kept beyond that. A very thin picture may come out 0 wide
// or high.
Size DisplaySize(int width, int height);

// The output size chosen when a picture is loaded: its own size, limited to 320 x 240 -
// shrunk with its ratio kept for a picture, each side limited on its own for a Quadrel file.
Size FirstOutputSize(int width, int height, bool is_qdl);

struct GeometryInput {
  int src_width = 0;              // SrcWidth
  int src_height = 0;             // SrcHeight
  std::optional<CropFrame> crop;  // the crop frame when CropActive is set
  int out_width = 0;              // OutWidth
  int out_height = 0;             // OutHeight
  bool zoom_mode = true;
  bool just_zoom = true;
};

struct Geometry {
  Size display;          // dispW x dispH
  double scale_x = 1.0;  // ScaleX: source pixels per view pixel
  double scale_y = 1.0;  // ScaleY
  int crop_left = 0;     // the area to convert, in source pixels
  int crop_top = 0;
  float fx = 1.0f;  // stretch factors; 1 without stretching
  float fy = 1.0f;
  Size stretched;    // stW x stH: the whole picture as placed
  int off_left = 0;  // offL, offT: view pixel (0, 0) shows stretched pixel (offL, offT)
  int off_top = 0;
  float place_width = 0;  // PlaceWidth, PlaceHeight: dots the placed area covers
  float place_height = 0;
};

// Fails with kBadSize for a source or output side below 1, and with kDivisionByZero when the
// shrunk view of a thin picture is 1 pixel wide or high (2 x 400).
Expected<Geometry, Error> ComputeGeometry(const GeometryInput& in);

// Where the placed picture lands in the output: the picture covers output columns
// [ox, ox + width) and rows [oy, oy + height), clipped to the output; the rest is margin.
// view_width x view_height is the part of the source view that is read (view pixels
// (0, 0) .. (view_width - 1, view_height - 1)).
struct MonoPlacement {
  int ox = 0;
  int oy = 0;
  int width = 0;   // PlaceWidth rounded
  int height = 0;  // PlaceHeight rounded
  int view_width = 0;
  int view_height = 0;
};

MonoPlacement PlaceInOutput(int out_width, int out_height, float place_width, float place_height,
                            bool zoom_mode, bool just_zoom);

}  // namespace dotcaster::convert
