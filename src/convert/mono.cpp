#include "convert/mono.h"

#include <vector>

#include "convert/geometry.h"

namespace dotcaster::convert {

Expected<DotImage, Error> ConvertToMono(const MonoInput& in, const ViewSampler& view,
                                        DotRandom& random) {
  if (in.out_width < 1 || in.out_width > kMaxDotsWide || in.out_height < 1 ||
      in.out_height > kMaxDotsHigh) {
    return ErrorCode::kBadSize;
  }
  const int base = BaseLevel(in.level);
  int spread = 0;  // the threshold is base - spread / 2 + floor(r x spread)
  if (in.method == kPhotoSharp) spread = 64;
  if (in.method == kPhotoSoft) spread = 128;

  const MonoPlacement p = PlaceInOutput(in.out_width, in.out_height, in.place_width,
                                        in.place_height, in.zoom_mode, in.just_zoom);
  DotImage dots(in.out_width, in.out_height);
  std::vector<std::uint32_t> colours(static_cast<std::size_t>(p.view_width));

  for (int y = 0; y < in.out_height; ++y) {
    const auto row = dots.row(y);
    const bool row_inside = y >= p.oy && y - p.oy < p.view_height;
    if (row_inside && p.view_width > 0) view.ReadRow(y - p.oy, p.view_width, colours.data());
    unsigned byte = 0;
    int k = 0;
    for (int x = 0; x < in.out_width; ++x) {
      bool light = true;  // margin
      if (row_inside && x >= p.ox && x - p.ox < p.view_width) {
        int threshold = base;
        if (spread != 0) {
          // r x spread is never negative, so truncation is floor (and needs no libm call).
          threshold = static_cast<int>(random.Next() * spread) + (base - spread / 2);
        }
        light = GrayLevel(colours[static_cast<std::size_t>(x - p.ox)]) > threshold;
      }
      if (!light) byte |= 0x80u >> k;
      if (++k == 8) {
        row[static_cast<std::size_t>(x / 8)] = static_cast<std::uint8_t>(byte);
        byte = 0;
        k = 0;
      }
    }
    if (k != 0) row[static_cast<std::size_t>(in.out_width / 8)] = static_cast<std::uint8_t>(byte);
  }
  return dots;
}

}  // namespace dotcaster::convert
