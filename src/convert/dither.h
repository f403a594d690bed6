#pragma once

// The dithering methods: the grey values of the placed picture spread over dark and light
// dots, so that an area of dots seen from a little way off is as grey as the picture.
// ConvertToMono uses them for "Photo(Diffusion)", "Photo(Atkinson)" and "Photo(Ordered)";
// the quality benchmark calls them directly to compare the scan orders.
//
// Values are kept in sixteenths of a grey step (0 black .. 4080 white), so that the level's
// tone curve and the spread error keep their fractions. All arithmetic is integer: the dots
// are the same with every compiler. Nothing here draws random numbers.

#include <array>
#include <cstdint>
#include <vector>

#include "formats/dot_image.h"

namespace dotcaster::convert {

inline constexpr int kSixteenths = 16;
inline constexpr int kWhite16 = 255 * kSixteenths;

// Grey 0..255 in sixteenths, with the level at mid-grey: 0 stays black, the level becomes
// 128, 255 stays white, straight lines in between, so level 128 changes nothing. A level of
// 255 counts as 254, as in the threshold methods.
std::array<std::int16_t, 256> ToneCurve(int level);

// The grey values of the picture's dots in sixteenths, width x height, rows top-down. A dot
// is light when its value, with the error it received, is above its threshold: mid-grey
// (kWhite16 / 2) when `thresholds` is empty, else thresholds[i] for values[i].
struct GreyPlane {
  int width = 0;
  int height = 0;
  std::vector<std::int16_t> values;
  std::vector<std::int16_t> thresholds;
};

// Floyd-Steinberg spreads all of a dot's error over 4 neighbours; Atkinson spreads 3/4 of
// it over 6, and drops the rest, which keeps light and dark areas free of stray dots.
enum class Kernel { kFloydSteinberg, kAtkinson };
// Raster: every row left to right. Serpentine: odd rows right to left, the kernel mirrored.
enum class Scan { kRaster, kSerpentine };

// The scan the diffusion methods use: the one the quality benchmark scores higher.
inline constexpr Scan kDiffusionScan = Scan::kRaster;

// Atkinson's kernel drops a quarter of every error. With the decision at mid-grey that
// steepens the tones by about 4/3 and sharpens edges well beyond the picture's own. Both are
// undone by the threshold: a dot of grey v is light when v', plus the error it received, is
// above 3/4 v + 1/8 white. Each dot's error carries its threshold along, so this decides
// about as a mid-grey threshold would on a grey that is 1/4 the dot's own and 3/4 the mean of
// the six dots whose error it receives: the dots stop overshooting at edges. (It is not a blur:
// blurring the picture first makes the dots no better.) v' is measured (dither_quality
// --atkinson-tones) so that a flat area of grey v keeps its own grey to within 1/64. Pure
// black and pure white stay themselves: with no error coming in they make no stray dots,
// which is what the kernel is for.
struct AtkinsonInput {
  int value;      // v' in sixteenths
  int threshold;  // in sixteenths
};
AtkinsonInput AtkinsonTone(int value);

// Marks the dark dots of the plane in `dots`, plane value (x, y) at dot (ox + x, oy + y),
// and leaves the other dots as they are; `dots` must hold the whole plane at that offset.
// Error is spread only to values inside the plane: what would cross its edge is dropped, so
// no dot around the plane is ever touched.
void DiffuseError(const GreyPlane& plane, Kernel kernel, Scan scan, DotImage& dots, int ox, int oy);

// The 8 x 8 Bayer matrix, anchored at the plane's top-left value: a flat grey repeats one
// 8 x 8 tile. Same contract as DiffuseError.
void OrderedDither(const GreyPlane& plane, DotImage& dots, int ox, int oy);

}  // namespace dotcaster::convert
