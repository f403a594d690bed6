#pragma once

// Monochrome conversion: the placed source view, one view pixel per dot, thresholded into
// a dot image.
//
// How to use it: the picture module's ConvertSourcePicture renders the view and calls
// ConvertToMono for you; the window stores the dots as its bitmap working file
// (EncodeBmp), dotcast in the format asked for. Call ConvertToMono directly only with a
// view of your own (tests, tools).
//
// Methods: 0 "Document" (a fixed threshold), 1 "Photo(Sharp)" (threshold +-32 at random),
// 2 "Photo(Soft)" (+-64); any other number behaves as 0. A dot is light when its grey value
// is greater than its threshold. Every dot inside the picture draws exactly one random number
// before its colour is read in the photo methods; margin dots draw none and are light.
//
// Methods 3 "Photo(Diffusion)" (Floyd-Steinberg error diffusion), 4 "Photo(Atkinson)" and
// 5 "Photo(Ordered)" (an 8 x 8 Bayer matrix) dither the picture's grey values instead
// (convert/dither.h): the level moves the grey that comes out half dark, 128 changing
// nothing. They draw no random numbers; margin dots are light and take no error.

#include <array>
#include <cstdint>

#include "convert/random.h"
#include "formats/dot_image.h"
#include "state/error.h"
#include "state/expected.h"

namespace dotcaster::convert {

inline constexpr int kMaxDotsWide = 320;
inline constexpr int kMaxDotsHigh = 240;

enum Method : int {
  kDocument = 0,
  kPhotoSharp = 1,
  kPhotoSoft = 2,
  kPhotoDiffusion = 3,
  kPhotoAtkinson = 4,
  kPhotoOrdered = 5,
};

// Colour of a source-view pixel as 0x00BBGGRR (red in the low byte).
inline constexpr std::uint32_t kWhite = 0x00FFFFFFu;

// floor((299 R + 587 G + 114 B) / 1000).
constexpr int GrayLevel(std::uint32_t colour) {
  const int r = static_cast<int>(colour & 0xFF);
  const int g = static_cast<int>((colour >> 8) & 0xFF);
  const int b = static_cast<int>((colour >> 16) & 0xFF);
  return (299 * r + 587 * g + 114 * b) / 1000;
}

// The threshold of Document: the level, except that 255 counts as 254.
constexpr int BaseLevel(int level) {
  return level == 255 ? 254 : level;
}

// The source view as ConvertToMono reads it. Only view pixels (0, 0) .. (view_width - 1,
// view_height - 1) of the placement are asked for.
class ViewSampler {
 public:
  virtual ~ViewSampler() = default;
  // Colours of view row `row`, columns 0 .. count - 1, into out[0 .. count - 1].
  virtual void ReadRow(int row, int count, std::uint32_t* out) const = 0;
};

struct MonoInput {
  int out_width = 0;      // OutWidth, 1..320
  int out_height = 0;     // OutHeight, 1..240
  float place_width = 0;  // PlaceWidth, PlaceHeight as the driver left them
  float place_height = 0;
  bool zoom_mode = true;
  bool just_zoom = true;
  int level = 128;  // 0..255
  int method = kDocument;
};

// Thresholds or dithers the view into a dot image. Draws from `random` as described above.
// An output beyond 1..320 x 1..240 fails with kBadSize.
Expected<DotImage, Error> ConvertToMono(const MonoInput& in, const ViewSampler& view,
                                        DotRandom& random);

// How many of the view pixels ConvertToMono reads for `in` (margins excluded) have each
// grey value.
using GreyHistogram = std::array<std::uint32_t, 256>;
GreyHistogram ViewHistogram(const MonoInput& in, const ViewSampler& view);

// Otsu's threshold as a level: the level at which "Document" splits the histogram into a
// dark and a light class with the largest variance between them. Where several levels tie
// (between two greys a < b no value lies, so every level from a to b - 1 splits alike), the
// middle one. 128 when there is nothing to split: no values, or a single grey.
int OtsuLevel(const GreyHistogram& histogram);

}  // namespace dotcaster::convert
