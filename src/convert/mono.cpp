#include "convert/mono.h"

#include <array>
#include <vector>

#include "convert/dither.h"
#include "convert/geometry.h"

namespace dotcaster::convert {
namespace {

MonoPlacement Placement(const MonoInput& in) {
  return PlaceInOutput(in.out_width, in.out_height, in.place_width, in.place_height, in.zoom_mode,
                       in.just_zoom);
}

// Calls row(y, colours) for every view row the placement reads, colours[0 .. view_width - 1].
template <class RowFn>
void ForEachViewRow(const MonoPlacement& p, const ViewSampler& view, RowFn row) {
  if (p.view_width <= 0) return;
  std::vector<std::uint32_t> colours(static_cast<std::size_t>(p.view_width));
  for (int y = 0; y < p.view_height; ++y) {
    view.ReadRow(y, p.view_width, colours.data());
    row(y, colours.data());
  }
}

DotImage Dither(const MonoInput& in, const MonoPlacement& p, const ViewSampler& view) {
  // Per grey: the value the dither starts from and, for Atkinson, its threshold.
  auto values = ToneCurve(in.level);
  std::array<std::int16_t, 256> thresholds{};
  const bool atkinson = in.method == kPhotoAtkinson;
  if (atkinson) {
    for (std::size_t g = 0; g < values.size(); ++g) {
      const AtkinsonInput a = AtkinsonTone(values[g]);
      values[g] = static_cast<std::int16_t>(a.value);
      thresholds[g] = static_cast<std::int16_t>(a.threshold);
    }
  }
  const std::size_t count =
      static_cast<std::size_t>(p.view_width) * static_cast<std::size_t>(p.view_height);
  GreyPlane plane{p.view_width, p.view_height, std::vector<std::int16_t>(count), {}};
  if (atkinson) plane.thresholds.resize(count);
  std::size_t i = 0;
  ForEachViewRow(p, view, [&](int, const std::uint32_t* colours) {
    for (int x = 0; x < plane.width; ++x, ++i) {
      const auto g = static_cast<std::size_t>(GrayLevel(colours[x]));
      plane.values[i] = values[g];
      if (atkinson) plane.thresholds[i] = thresholds[g];
    }
  });
  DotImage dots(in.out_width, in.out_height);
  if (in.method == kPhotoOrdered) {
    OrderedDither(plane, dots, p.ox, p.oy);
  } else {
    const Kernel kernel = in.method == kPhotoAtkinson ? Kernel::kAtkinson : Kernel::kFloydSteinberg;
    DiffuseError(plane, kernel, kDiffusionScan, dots, p.ox, p.oy);
  }
  return dots;
}

}  // namespace

Expected<DotImage, Error> ConvertToMono(const MonoInput& in, const ViewSampler& view,
                                        DotRandom& random) {
  if (in.out_width < 1 || in.out_width > kMaxDotsWide || in.out_height < 1 ||
      in.out_height > kMaxDotsHigh) {
    return ErrorCode::kBadSize;
  }
  const MonoPlacement p = Placement(in);
  if (in.method == kPhotoDiffusion || in.method == kPhotoAtkinson || in.method == kPhotoOrdered) {
    return Dither(in, p, view);
  }
  const int base = BaseLevel(in.level);
  int spread = 0;  // the threshold is base - spread / 2 + floor(r x spread)
  if (in.method == kPhotoSharp) spread = 64;
  if (in.method == kPhotoSoft) spread = 128;

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

GreyHistogram ViewHistogram(const MonoInput& in, const ViewSampler& view) {
  GreyHistogram histogram{};
  const MonoPlacement p = Placement(in);
  ForEachViewRow(p, view, [&](int, const std::uint32_t* colours) {
    for (int x = 0; x < p.view_width; ++x)
      ++histogram[static_cast<std::size_t>(GrayLevel(colours[x]))];
  });
  return histogram;
}

int OtsuLevel(const GreyHistogram& histogram) {
  double count = 0, sum = 0;
  for (int g = 0; g < 256; ++g) {
    count += histogram[static_cast<std::size_t>(g)];
    sum += static_cast<double>(g) * histogram[static_cast<std::size_t>(g)];
  }
  // The variance between the classes g <= t and g > t is proportional to
  // (sum_dark * count - sum * count_dark)^2 / (count_dark * count_light). Successive
  // levels with no value between them have the same sums, so they tie exactly.
  double best = 0, dark = 0, dark_sum = 0;
  int first = -1, last = -1;
  for (int t = 0; t < 255; ++t) {
    dark += histogram[static_cast<std::size_t>(t)];
    dark_sum += static_cast<double>(t) * histogram[static_cast<std::size_t>(t)];
    const double light = count - dark;
    if (dark == 0 || light == 0) continue;
    const double d = dark_sum * count - sum * dark;
    const double between = d * d / (dark * light);
    if (between > best) {
      best = between;
      first = last = t;
    } else if (between == best && last == t - 1) {
      last = t;
    }
  }
  return first < 0 ? 128 : (first + last) / 2;
}

}  // namespace dotcaster::convert
