#include "picture/resample.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dotcaster::picture {
namespace {

// The source pixels that make up one stretched pixel along one axis: source pixels
// first .. first + count - 1 with the weights weights[offset ..], summing to `total`.
struct Taps {
  std::vector<int> first, count, offset;
  std::vector<std::uint32_t> weights;
  std::uint64_t total = 1;
};

// Taps of stretched pixels begin .. end - 1 of an axis of src_len source pixels stretched to
// st_len.
Taps MakeTaps(int src_len, int st_len, int begin, int end) {
  Taps t;
  const auto n = static_cast<std::size_t>(std::max(0, end - begin));
  t.first.reserve(n);
  t.count.reserve(n);
  t.offset.reserve(n);
  const std::int64_t s = src_len, d = st_len;
  if (st_len >= src_len) {
    // Nearest: the source pixel under the centre of the stretched pixel.
    for (int i = begin; i < end; ++i) {
      t.first.push_back(static_cast<int>((2 * i + 1) * s / (2 * d)));
      t.count.push_back(1);
      t.offset.push_back(static_cast<int>(t.weights.size()));
      t.weights.push_back(1);
    }
    return t;
  }
  // Box: in units where a source pixel is d long and a stretched pixel s long, stretched
  // pixel i covers [i s, (i + 1) s) and source pixel p covers [p d, (p + 1) d).
  t.total = static_cast<std::uint64_t>(s);
  for (int i = begin; i < end; ++i) {
    const std::int64_t lo = i * s, hi = (i + 1) * s;
    const int p0 = static_cast<int>(lo / d);
    const int p1 = static_cast<int>((hi - 1) / d);
    t.first.push_back(p0);
    t.count.push_back(p1 - p0 + 1);
    t.offset.push_back(static_cast<int>(t.weights.size()));
    for (int p = p0; p <= p1; ++p) {
      const std::int64_t a = std::max(lo, p * d), b = std::min(hi, (p + 1) * d);
      t.weights.push_back(static_cast<std::uint32_t>(b - a));
    }
  }
  return t;
}

// Whole rows of the page: the image's own rows where it fills the page, otherwise rows put
// together from white and the image's part, one at a time.
class PageRows {
 public:
  PageRows(const RgbImage& src, const PagePlace& page) : src_(src), page_(page) {
    whole_ =
        page.left == 0 && page.top == 0 && page.width == src.width && page.height == src.height;
    if (!whole_) white_.assign(static_cast<std::size_t>(page.width) * 3, 0xFF);
  }

  const std::uint8_t* Row(int y) {
    if (whole_) return src_.rgb.data() + static_cast<std::size_t>(y) * src_.width * 3;
    if (y < page_.top || y >= page_.top + src_.height || src_.width == 0) return white_.data();
    if (y != built_) {
      if (built_ < 0) built_row_ = white_;
      const std::size_t row_bytes = static_cast<std::size_t>(src_.width) * 3;
      std::copy_n(src_.rgb.data() + static_cast<std::size_t>(y - page_.top) * row_bytes, row_bytes,
                  built_row_.data() + static_cast<std::size_t>(page_.left) * 3);
      built_ = y;
    }
    return built_row_.data();
  }

 private:
  const RgbImage& src_;
  PagePlace page_;
  bool whole_ = true;
  std::vector<std::uint8_t> white_, built_row_;
  int built_ = -1;
};

}  // namespace

RgbImage RenderStretched(const RgbImage& src, convert::Size stretched, int off_left, int off_top,
                         int view_width, int view_height) {
  return RenderStretched(src, {src.width, src.height, 0, 0}, stretched, off_left, off_top,
                         view_width, view_height);
}

RgbImage RenderStretched(const RgbImage& src, const PagePlace& page, convert::Size stretched,
                         int off_left, int off_top, int view_width, int view_height) {
  RgbImage out;
  out.width = std::max(0, view_width);
  out.height = std::max(0, view_height);
  out.rgb.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 3,
                 0xFF);
  if (page.width <= 0 || page.height <= 0 || stretched.width <= 0 || stretched.height <= 0) {
    return out;
  }
  // The view columns and rows that show the picture; all others stay white. 64-bit
  // arithmetic: offsets of a strongly enlarged crop can be large.
  const std::int64_t c0 = std::clamp<std::int64_t>(-std::int64_t{off_left}, 0, out.width);
  const std::int64_t c1 =
      std::clamp<std::int64_t>(std::int64_t{stretched.width} - off_left, c0, out.width);
  const std::int64_t r0 = std::clamp<std::int64_t>(-std::int64_t{off_top}, 0, out.height);
  const std::int64_t r1 =
      std::clamp<std::int64_t>(std::int64_t{stretched.height} - off_top, r0, out.height);
  if (c0 >= c1 || r0 >= r1) return out;

  const Taps tx = MakeTaps(page.width, stretched.width, static_cast<int>(c0 + off_left),
                           static_cast<int>(c1 + off_left));
  const Taps ty = MakeTaps(page.height, stretched.height, static_cast<int>(r0 + off_top),
                           static_cast<int>(r1 + off_top));
  PageRows rows(src, page);
  const std::size_t cols = static_cast<std::size_t>(c1 - c0);
  const std::uint64_t total = tx.total * ty.total;
  std::vector<std::uint64_t> acc(cols * 3);

  for (std::size_t r = 0; r < static_cast<std::size_t>(r1 - r0); ++r) {
    std::uint8_t* dst =
        out.rgb.data() +
        (static_cast<std::size_t>(r0) + r) * static_cast<std::size_t>(out.width) * 3 +
        static_cast<std::size_t>(c0) * 3;
    if (total == 1) {
      const std::uint8_t* row = rows.Row(ty.first[r]);
      for (std::size_t c = 0; c < cols; ++c) {
        const std::uint8_t* p = row + static_cast<std::size_t>(tx.first[c]) * 3;
        dst[3 * c] = p[0];
        dst[3 * c + 1] = p[1];
        dst[3 * c + 2] = p[2];
      }
      continue;
    }
    std::fill(acc.begin(), acc.end(), 0);
    for (int k = 0; k < ty.count[r]; ++k) {
      const std::uint64_t wy = ty.weights[static_cast<std::size_t>(ty.offset[r] + k)];
      const std::uint8_t* row = rows.Row(ty.first[r] + k);
      for (std::size_t c = 0; c < cols; ++c) {
        const std::uint8_t* p = row + static_cast<std::size_t>(tx.first[c]) * 3;
        const std::uint32_t* w = tx.weights.data() + tx.offset[c];
        // The weights of one stretched pixel sum to at most 32767, so a row's sum stays
        // below 2^23 and 32-bit arithmetic is exact here.
        std::uint32_t sr = 0, sg = 0, sb = 0;
        for (int j = 0; j < tx.count[c]; ++j, p += 3) {
          sr += w[j] * p[0];
          sg += w[j] * p[1];
          sb += w[j] * p[2];
        }
        acc[3 * c] += wy * sr;
        acc[3 * c + 1] += wy * sg;
        acc[3 * c + 2] += wy * sb;
      }
    }
    for (std::size_t c = 0; c < cols * 3; ++c) {
      dst[c] = static_cast<std::uint8_t>((acc[c] + total / 2) / total);
    }
  }
  return out;
}

}  // namespace dotcaster::picture
