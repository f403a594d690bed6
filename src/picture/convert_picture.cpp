#include "picture/convert_picture.h"

namespace dotcaster::picture {

std::string_view ConvertErrorText(ConvertError error) {
  switch (error) {
    case ConvertError::kBadSize:
      return "picture or output size out of range";
    case ConvertError::kDivisionByZero:
      return "division by zero: the shrunk picture is 1 pixel wide or high";
    case ConvertError::kPicture:
      return "the picture could not be decoded again";
  }
  return "unknown conversion error";
}

Expected<Bytes, ConvertError> ConvertSourcePicture(AppState& state, SourcePicture& picture,
                                                   std::optional<convert::CropFrame> crop,
                                                   int level, int method,
                                                   convert::DotRandom& random) {
  convert::GeometryInput in;
  in.src_width = state.SrcWidth;
  in.src_height = state.SrcHeight;
  in.crop = crop;
  in.out_width = state.OutWidth;
  in.out_height = state.OutHeight;
  in.zoom_mode = state.ZoomMode;
  in.just_zoom = state.JustZoom;
  if (in.out_width > convert::kMaxDotsWide || in.out_height > convert::kMaxDotsHigh) {
    return ConvertError::kBadSize;
  }
  auto geometry = convert::ComputeGeometry(in);
  if (!geometry) {
    return geometry.error() == convert::GeometryError::kDivisionByZero
               ? ConvertError::kDivisionByZero
               : ConvertError::kBadSize;
  }
  const convert::Geometry& g = *geometry;
  state.ScaleX = g.scale_x;
  state.ScaleY = g.scale_y;
  state.PlaceWidth = g.place_width;
  state.PlaceHeight = g.place_height;

  convert::MonoInput mono;
  mono.out_width = state.OutWidth;
  mono.out_height = state.OutHeight;
  mono.place_width = state.PlaceWidth;
  mono.place_height = state.PlaceHeight;
  mono.zoom_mode = state.ZoomMode;
  mono.just_zoom = state.JustZoom;
  mono.level = level;
  mono.method = method;
  const convert::MonoPlacement p =
      convert::PlaceInOutput(mono.out_width, mono.out_height, mono.place_width, mono.place_height,
                             mono.zoom_mode, mono.just_zoom);

  auto view = picture.RenderView(g.stretched, g.off_left, g.off_top, p.view_width, p.view_height);
  if (!view) return ConvertError::kPicture;
  auto dots = convert::ConvertToMono(mono, *view, random);
  if (!dots) return ConvertError::kBadSize;
  return convert::BuildBmpImage(*dots);
}

}  // namespace dotcaster::picture
