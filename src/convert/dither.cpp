#include "convert/dither.h"

#include <algorithm>
#include <span>

namespace dotcaster::convert {
namespace {

// Error rows with two values of slack on either side, so that the kernel may write past the
// plane's edges without a test; the slack is never read, which drops what lands there.
class ErrorRows {
 public:
  ErrorRows(int width, int rows) : width_(width + 2 * kSlack), rows_(rows) {
    data_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(rows), 0);
  }
  // Row r below the current one (0 = current); x may lie up to 2 outside the plane.
  int* Row(int r) {
    return data_.data() + static_cast<std::size_t>((first_ + r) % rows_) * width_ + kSlack;
  }
  // The next row becomes the current one; the row leaving is cleared for reuse at the bottom.
  void Advance() {
    std::fill_n(Row(0) - kSlack, width_, 0);
    first_ = (first_ + 1) % rows_;
  }

 private:
  static constexpr int kSlack = 2;
  int width_;
  int rows_;
  int first_ = 0;
  std::vector<int> data_;
};

// One row of error diffusion, the dark dots ORed into the packed row at column ox + x.
// Branch-free on the dot's colour, which in a photo is as good as random.
// `thresholds` is null for mid-grey everywhere.
template <Kernel kKernel>
void DiffuseRow(const std::int16_t* values, const std::int16_t* thresholds, int width,
                bool backwards, int* here, int* below, int* below2, std::span<std::uint8_t> row,
                int ox) {
  const int step = backwards ? -1 : 1;
  for (int i = 0, x = backwards ? width - 1 : 0; i < width; ++i, x += step) {
    const int value = values[x] + here[x];
    const int threshold = thresholds ? thresholds[x] : kWhite16 / 2;
    const int dark = value > threshold ? 0 : 1;
    const int e = value - kWhite16 + dark * kWhite16;
    const int column = ox + x;
    row[static_cast<std::size_t>(column >> 3)] |=
        static_cast<std::uint8_t>(dark << (7 - (column & 7)));
    if constexpr (kKernel == Kernel::kFloydSteinberg) {
      // 7, 3, 5 and 1 sixteenths; the last share takes what the divisions left over, so the
      // whole error moves on.
      const int right = e * 7 / 16, down_back = e * 3 / 16, down = e * 5 / 16;
      here[x + step] += right;
      below[x - step] += down_back;
      below[x] += down;
      below[x + step] += e - right - down_back - down;
    } else {
      const int eighth = e / 8;
      here[x + step] += eighth;
      here[x + 2 * step] += eighth;
      below[x - step] += eighth;
      below[x] += eighth;
      below[x + step] += eighth;
      below2[x] += eighth;
    }
  }
}

}  // namespace

std::array<std::int16_t, 256> ToneCurve(int level) {
  const int mid = std::clamp(level, 0, 254);
  std::array<std::int16_t, 256> curve{};
  for (int g = 0; g < 256; ++g) {
    // Rounded to the nearest sixteenth; g <= mid with mid 0 is g == 0, which stays 0.
    const int v = g <= mid ? (g == 0 ? 0 : (2048 * g + mid / 2) / mid)
                           : 2048 + ((kWhite16 - 2048) * (g - mid) + (255 - mid) / 2) / (255 - mid);
    curve[static_cast<std::size_t>(g)] = static_cast<std::int16_t>(v);
  }
  return curve;
}

AtkinsonInput AtkinsonTone(int value) {
  // v' for grey 0, 8, 16, ..., 248, 255 (in sixteenths), measured over outputs of 102 x 64
  // and 320 x 240 (dither_quality --atkinson-tones); for 0 and 255 the last input that still
  // comes out solid, used only to draw the greys next to them.
  static constexpr std::int16_t kKnots[33] = {132,  188,  294,  401,  519,  635,  808,  916,  1028,
                                              1143, 1262, 1427, 1536, 1650, 1763, 1931, 2040, 2162,
                                              2320, 2445, 2559, 2662, 2833, 2952, 3068, 3178, 3285,
                                              3460, 3579, 3690, 3799, 3898, 3949};
  const int v = std::clamp(value, 0, kWhite16);
  const int threshold = (3 * v + kWhite16 / 2 + 2) / 4;
  if (v == 0 || v == kWhite16) return {v, threshold};
  const int k = std::min(v / 128, 31);
  const int from = 128 * k, to = std::min(128 * (k + 1), kWhite16);
  return {kKnots[k] + ((kKnots[k + 1] - kKnots[k]) * (v - from) + (to - from) / 2) / (to - from),
          threshold};
}

void DiffuseError(const GreyPlane& plane, Kernel kernel, Scan scan, DotImage& dots, int ox,
                  int oy) {
  const int w = plane.width;
  ErrorRows errors(w, 3);
  const std::int16_t* values = plane.values.data();
  for (int y = 0; y < plane.height; ++y, values += w) {
    const bool backwards = scan == Scan::kSerpentine && y % 2 == 1;
    const std::span<std::uint8_t> row = dots.row(oy + y);
    int* here = errors.Row(0);
    const std::int16_t* row_thresholds =
        plane.thresholds.empty() ? nullptr
                                 : plane.thresholds.data() + (values - plane.values.data());
    if (kernel == Kernel::kFloydSteinberg) {
      DiffuseRow<Kernel::kFloydSteinberg>(values, row_thresholds, w, backwards, here, errors.Row(1),
                                          nullptr, row, ox);
    } else {
      DiffuseRow<Kernel::kAtkinson>(values, row_thresholds, w, backwards, here, errors.Row(1),
                                    errors.Row(2), row, ox);
    }
    errors.Advance();
  }
}

// Derived by dither_quality --ordered-thresholds. Every 8 entries the same steps repeat, an
// eighth of white (510) higher.
const std::array<std::int16_t, 64> kOrderedThresholds = {
    55,   88,   170,  199,  310,  339,  421,  454,  565,  598,  680,  709,  820,  849,  931,  964,
    1075, 1108, 1190, 1219, 1330, 1359, 1441, 1474, 1585, 1618, 1700, 1729, 1840, 1869, 1951, 1984,
    2095, 2128, 2210, 2239, 2350, 2379, 2461, 2494, 2605, 2638, 2720, 2749, 2860, 2889, 2971, 3004,
    3115, 3148, 3230, 3259, 3370, 3399, 3481, 3514, 3625, 3658, 3740, 3769, 3880, 3909, 3991, 4024};

void OrderedDither(const GreyPlane& plane, DotImage& dots, int ox, int oy) {
  const std::int16_t* values = plane.values.data();
  for (int y = 0; y < plane.height; ++y) {
    int threshold[8];
    for (int k = 0; k < 8; ++k)
      threshold[k] = kOrderedThresholds[kBayer[y % 8][k]];
    for (int x = 0; x < plane.width; ++x, ++values) {
      if (*values <= threshold[x % 8]) dots.SetBlack(ox + x, oy + y);
    }
  }
}

}  // namespace dotcaster::convert
