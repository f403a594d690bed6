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

// The 8 x 8 Bayer matrix: a flat grey of k / 64 white lights the entries below k.
inline constexpr std::uint8_t kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

// The grey in sixteenths above which the dots of entry b are light. Each threshold lies at
// least half a grey inside its own 64th of the greys, so a flat grey keeps its share of dark
// dots to within 1/64, also in an area that is no whole number of tiles. Where inside is set
// by how much the two patterns it separates still show from a little way off (dither_quality
// --ordered-thresholds derives them): those of 0, 8, 16, ... entries hardly show, those of
// odd counts repeat every 8 dots and do, so a grey between a quiet and a busy pattern is
// better drawn in the quiet one even when the busy one is a little closer in tone.
extern const std::array<std::int16_t, 64> kOrderedThresholds;

// The Bayer matrix, anchored at the plane's top-left value: a flat grey repeats one 8 x 8
// tile. Same contract as DiffuseError; the plane's thresholds are not used.
void OrderedDither(const GreyPlane& plane, DotImage& dots, int ox, int oy);

}  // namespace dotcaster::convert
