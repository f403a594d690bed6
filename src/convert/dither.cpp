#include "convert/dither.h"

#include <algorithm>

namespace dotcaster::convert {
namespace {

// A dot is light when its value, error included, is above mid-grey (127.5).
constexpr bool LightValue(int value) {
  return 2 * value > kWhite16;
}

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

int AtkinsonTone(int value) {
  // The input whose flat area comes out at grey 0, 16, 32, ..., 240, 255 (sixteenths),
  // measured over outputs of 102 x 64 and 320 x 240; 0 stays 0 (solid black either way).
  static constexpr std::int16_t kKnots[17] = {510,  641,  815,  1049, 1226, 1411, 1634, 1840, 2054,
                                              2259, 2458, 2682, 2867, 3045, 3275, 3448, 3570};
  if (value <= 0) return 0;
  const int k = std::min(value / 256, 15);
  const int from = 256 * k, to = std::min(256 * (k + 1), kWhite16);
  const int v = std::min(value, kWhite16);
  return kKnots[k] + ((kKnots[k + 1] - kKnots[k]) * (v - from) + (to - from) / 2) / (to - from);
}

void DiffuseError(const GreyPlane& plane, Kernel kernel, Scan scan, DotImage& dots, int ox,
                  int oy) {
  const int w = plane.width;
  ErrorRows errors(w, 3);
  const std::int16_t* values = plane.values.data();
  for (int y = 0; y < plane.height; ++y, values += w) {
    const bool backwards = scan == Scan::kSerpentine && y % 2 == 1;
    const int step = backwards ? -1 : 1;
    int* here = errors.Row(0);
    int* below = errors.Row(1);
    int* below2 = errors.Row(2);
    for (int i = 0; i < w; ++i) {
      const int x = backwards ? w - 1 - i : i;
      const int value = values[x] + here[x];
      const bool light = LightValue(value);
      if (!light) dots.SetBlack(ox + x, oy + y);
      const int e = value - (light ? kWhite16 : 0);
      if (kernel == Kernel::kFloydSteinberg) {
        // 7, 3, 5 and 1 sixteenths; the last share takes what the divisions left over, so
        // the whole error moves on.
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
    errors.Advance();
  }
}

void OrderedDither(const GreyPlane& plane, DotImage& dots, int ox, int oy) {
  static constexpr std::uint8_t kBayer[8][8] = {
      {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
      {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
      {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
      {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
  const std::int16_t* values = plane.values.data();
  for (int y = 0; y < plane.height; ++y) {
    // Entry b stands for the threshold (b + 1/2) / 64 of white: a value v in sixteenths is
    // light when v / 4080 > (2b + 1) / 128, that is 8v > 255 (2b + 1).
    int threshold[8];
    for (int k = 0; k < 8; ++k)
      threshold[k] = 255 * (2 * kBayer[y % 8][k] + 1);
    for (int x = 0; x < plane.width; ++x, ++values) {
      if (8 * *values <= threshold[x % 8]) dots.SetBlack(ox + x, oy + y);
    }
  }
}

}  // namespace dotcaster::convert
