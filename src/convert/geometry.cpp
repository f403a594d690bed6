#include "convert/geometry.h"

#include <algorithm>
#include <cmath>

namespace dotcaster::convert {
namespace {

// floor(x + 0.5), the rounding of every step of the driver.
int RoundHalfUp(double x) {
  return static_cast<int>(std::floor(x + 0.5));
}

}  // namespace

Size DisplaySize(int width, int height) {
  if (width <= kViewWidth && height <= kViewHeight) return {width, height};
  const double sx = static_cast<double>(kViewWidth) / width;
  const double sy = static_cast<double>(kViewHeight) / height;
  const double s = sx > sy ? sy : sx;
  return {RoundHalfUp(width * s), RoundHalfUp(height * s)};
}

Size FirstOutputSize(int width, int height, bool is_qdl) {
  Size out;
  if (is_qdl) {
    out = {width < kViewWidth + 1 ? width : kViewWidth,
           height < kViewHeight + 1 ? height : kViewHeight};
  } else if (width < kViewWidth + 1 && height < kViewHeight + 1) {
    out = {width, height};
  } else {
    const double sx = static_cast<double>(kViewWidth) / width;
    const double sy = static_cast<double>(kViewHeight) / height;
    const double s = sx > sy ? sy : sx;
    out = {RoundHalfUp(width * s), RoundHalfUp(height * s)};
  }
  // A picture more than 640 times longer than wide would round its short side to 0 dots;
  // the output keeps at least one dot per side so that it stays a valid size.
  out.width = std::max(out.width, 1);
  out.height = std::max(out.height, 1);
  return out;
}

Expected<Geometry, Error> ComputeGeometry(const GeometryInput& in) {
  if (in.src_width < 1 || in.src_height < 1 || in.out_width < 1 || in.out_height < 1) {
    return ErrorCode::kBadSize;
  }
  Geometry g;
  g.display = {in.src_width, in.src_height};
  if (in.src_width > kViewWidth || in.src_height > kViewHeight) {
    g.display = DisplaySize(in.src_width, in.src_height);
    // The view scale maps the first and the last view pixel onto the first and the last
    // source pixel; a view one pixel across has no such scale.
    if (g.display.width == 1 || g.display.height == 1) return ErrorCode::kDivisionByZero;
    g.scale_x = static_cast<double>(in.src_width - 1) / (g.display.width - 1);
    g.scale_y = static_cast<double>(in.src_height - 1) / (g.display.height - 1);
  }

  if (in.crop) {
    const CropFrame& r = *in.crop;
    g.crop_left = RoundHalfUp(r.left * g.scale_x);
    g.crop_top = RoundHalfUp(r.top * g.scale_y);
    const int crop_right = RoundHalfUp((r.left + r.width - 1) * g.scale_x);
    const int crop_bottom = RoundHalfUp((r.top + r.height - 1) * g.scale_y);
    g.place_width = static_cast<float>(crop_right - g.crop_left + 1);
    g.place_height = static_cast<float>(crop_bottom - g.crop_top + 1);
  } else {
    g.place_width = static_cast<float>(in.src_width);
    g.place_height = static_cast<float>(in.src_height);
  }

  if (!in.zoom_mode) {
    g.stretched = {in.src_width, in.src_height};
    g.off_left = g.crop_left;
    g.off_top = g.crop_top;
    return g;
  }

  if (g.place_width == 0.0f || g.place_height == 0.0f) return ErrorCode::kDivisionByZero;
  // Single precision on purpose: the placed size of some pictures depends on it.
  float fx = static_cast<float>(in.out_width) / g.place_width;
  float fy = static_cast<float>(in.out_height) / g.place_height;
  if (in.just_zoom) {
    if (fx > fy) {
      fx = fy;
    } else {
      fy = fx;
    }
  }
  g.fx = fx;
  g.fy = fy;
  const float st_w = static_cast<float>(in.src_width) * fx;
  const float st_h = static_cast<float>(in.src_height) * fy;
  const float off_t = static_cast<float>(g.crop_top) * fy;
  const float off_l = static_cast<float>(g.crop_left) * fx;
  const float pw = g.place_width * fx;
  const float ph = g.place_height * fy;
  g.stretched = {RoundHalfUp(st_w), RoundHalfUp(st_h)};
  g.off_top = RoundHalfUp(off_t);
  g.off_left = RoundHalfUp(off_l);
  g.place_width = static_cast<float>(RoundHalfUp(pw));
  g.place_height = static_cast<float>(RoundHalfUp(ph));
  return g;
}

MonoPlacement PlaceInOutput(int out_width, int out_height, float place_width, float place_height,
                            bool zoom_mode, bool just_zoom) {
  MonoPlacement p;
  p.width = static_cast<int>(std::lround(place_width));
  p.height = static_cast<int>(std::lround(place_height));
  // A stretched picture without a fixed ratio fills the output; otherwise a smaller picture
  // is centred, and a larger one starts at the top-left corner and is cut.
  if (!zoom_mode || just_zoom) {
    if (out_width > p.width) p.ox = RoundHalfUp((out_width - p.width) / 2.0);
    if (out_height > p.height) p.oy = RoundHalfUp((out_height - p.height) / 2.0);
  }
  p.view_width = std::max(0, std::min(p.width, out_width - p.ox));
  p.view_height = std::max(0, std::min(p.height, out_height - p.oy));
  return p;
}

}  // namespace dotcaster::convert
