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

// The grey values of the picture's dots in sixteenths, width x height, rows top-down.
struct GreyPlane {
  int width = 0;
  int height = 0;
  std::vector<std::int16_t> values;
};

// Floyd-Steinberg spreads all of a dot's error over 4 neighbours; Atkinson spreads 3/4 of
// it over 6, and drops the rest, which keeps light and dark areas free of stray dots.
enum class Kernel { kFloydSteinberg, kAtkinson };
// Raster: every row left to right. Serpentine: odd rows right to left, the kernel mirrored.
enum class Scan { kRaster, kSerpentine };

// The scan the diffusion methods use: the one the quality benchmark scores higher.
inline constexpr Scan kDiffusionScan = Scan::kRaster;

// Atkinson's kernel drops a quarter of every error, which steepens the tones by about 4/3
// around mid-grey: on its own it turns the darkest and lightest eighth of the greys into
// solid black and white and shifts the rest. This measured curve (dither_quality
// --atkinson-tones prints the measurement) pulls a value in sixteenths toward mid-grey, so
// that a flat area dithered with that kernel keeps its own grey to within 1/64.
int AtkinsonTone(int value);

// Marks the dark dots of the plane in `dots`, plane value (x, y) at dot (ox + x, oy + y),
// and leaves the other dots as they are; `dots` must hold the whole plane at that offset.
// Error is spread only to values inside the plane: what would cross its edge is dropped, so
// no dot around the plane is ever touched.
void DiffuseError(const GreyPlane& plane, Kernel kernel, Scan scan, DotImage& dots, int ox, int oy);

// The 8 x 8 Bayer matrix, anchored at the plane's top-left value: a flat grey repeats one
// 8 x 8 tile. Same contract as DiffuseError.
void OrderedDither(const GreyPlane& plane, DotImage& dots, int ox, int oy);

}  // namespace dotcaster::convert
