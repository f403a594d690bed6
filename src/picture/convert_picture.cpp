#include "picture/convert_picture.h"

namespace dotcaster::picture {

Expected<PlacedView, Error> PlaceView(SourcePicture& picture,
                                      const convert::ConvertRequest& request) {
  if (request.out_width > convert::kMaxDotsWide || request.out_height > convert::kMaxDotsHigh) {
    return ErrorCode::kBadSize;
  }
  auto geometry =
      convert::ComputeGeometry({picture.width(), picture.height(), request.crop, request.out_width,
                                request.out_height, request.zoom_mode, request.just_zoom});
  if (!geometry) return geometry.error();
  const convert::Geometry& g = *geometry;

  const convert::MonoInput mono{request.out_width, request.out_height, g.place_width,
                                g.place_height,    request.zoom_mode,  request.just_zoom,
                                request.level,     request.method};
  const convert::MonoPlacement p =
      convert::PlaceInOutput(mono.out_width, mono.out_height, mono.place_width, mono.place_height,
                             mono.zoom_mode, mono.just_zoom);
  auto view = picture.RenderView(g.stretched, g.off_left, g.off_top, p.view_width, p.view_height);
  if (!view) return view.error();
  return PlacedView{g, mono, p, std::move(view).value()};
}

Expected<convert::Conversion, Error> ConvertSourcePicture(SourcePicture& picture,
                                                          const convert::ConvertRequest& request,
                                                          convert::DotRandom& random) {
  auto placed = PlaceView(picture, request);
  if (!placed) return placed.error();
  auto dots = convert::ConvertToMono(placed->mono, placed->view, random);
  if (!dots) return dots.error();
  return convert::Conversion{std::move(dots).value(), placed->geometry};
}

Expected<int, Error> AutoLevel(SourcePicture& picture, const convert::ConvertRequest& request) {
  auto placed = PlaceView(picture, request);
  if (!placed) return placed.error();
  return convert::OtsuLevel(convert::ViewHistogram(placed->mono, placed->view));
}

}  // namespace dotcaster::picture
