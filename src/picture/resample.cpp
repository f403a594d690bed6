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

// The source pixels first .. last under stretched pixel i, along an axis of s source pixels
// stretched to d.
struct Cover {
  std::int64_t first, last;
};

Cover Covered(std::int64_t s, std::int64_t d, std::int64_t i) {
  if (d >= s) {
    // Nearest: the source pixel under the centre of the stretched pixel.
    const std::int64_t p = (2 * i + 1) * s / (2 * d);
    return {p, p};
  }
  // Box: in units where a source pixel is d long and a stretched pixel s long, stretched
  // pixel i covers [i s, (i + 1) s) and source pixel p covers [p d, (p + 1) d).
  return {i * s / d, ((i + 1) * s - 1) / d};
}

// Taps of stretched pixels begin .. end - 1 of an axis of src_len source pixels stretched to
// st_len.
Taps MakeTaps(int src_len, int st_len, int begin, int end) {
  Taps t;
  const auto n = static_cast<std::size_t>(std::max(0, end - begin));
  t.first.reserve(n);
  t.count.reserve(n);
  t.offset.reserve(n);
  const std::int64_t s = src_len, d = st_len;
  if (d < s) t.total = static_cast<std::uint64_t>(s);
  for (int i = begin; i < end; ++i) {
    const Cover c = Covered(s, d, i);
    t.first.push_back(static_cast<int>(c.first));
    t.count.push_back(static_cast<int>(c.last - c.first + 1));
    t.offset.push_back(static_cast<int>(t.weights.size()));
    if (d >= s) {
      t.weights.push_back(1);
      continue;
    }
    const std::int64_t lo = i * s, hi = (i + 1) * s;
    for (std::int64_t p = c.first; p <= c.last; ++p) {
      const std::int64_t a = std::max(lo, p * d), b = std::min(hi, (p + 1) * d);
      t.weights.push_back(static_cast<std::uint32_t>(b - a));
    }
  }
  return t;
}

// The view columns [c0, c1) and rows [r0, r1) that show the placed picture; all others stay
// white. 64-bit arithmetic: offsets of a strongly enlarged crop can be large.
struct Shown {
  std::int64_t c0, c1, r0, r1;
  bool empty() const { return c0 >= c1 || r0 >= r1; }
};

Shown ShownPart(convert::Size stretched, int off_left, int off_top, int view_width,
                int view_height) {
  Shown v;
  v.c0 = std::clamp<std::int64_t>(-std::int64_t{off_left}, 0, view_width);
  v.c1 = std::clamp<std::int64_t>(std::int64_t{stretched.width} - off_left, v.c0, view_width);
  v.r0 = std::clamp<std::int64_t>(-std::int64_t{off_top}, 0, view_height);
  v.r1 = std::clamp<std::int64_t>(std::int64_t{stretched.height} - off_top, v.r0, view_height);
  return v;
}

bool Degenerate(convert::Size whole, convert::Size stretched) {
  return whole.width <= 0 || whole.height <= 0 || stretched.width <= 0 || stretched.height <= 0;
}

// Rows of the picture's columns `span`: straight from `part` where it holds them all,
// otherwise put together from white and the part's pixels, one row at a time, so that no
// picture-sized copy is ever made.
class SpanRows {
 public:
  SpanRows(const RgbImage& part, const PixelRect& where, const PixelRect& span)
      : part_(part), where_(where), span_(span), direct_(where.Contains(span)) {
    if (direct_) return;
    white_.assign(static_cast<std::size_t>(span.width) * 3, 0xFF);
    built_row_ = white_;
    // The columns of the span that the part holds.
    first_ = std::clamp(where.left, span.left, span.left + span.width);
    last_ = std::clamp(where.left + where.width, first_, span.left + span.width);
  }

  // Pixels (span.left, y) .. (span.left + span.width - 1, y) of the picture.
  const std::uint8_t* Row(int y) {
    if (direct_) return part_.Pixel(span_.left - where_.left, y - where_.top);
    if (y < where_.top || y >= where_.top + where_.height || first_ == last_) return white_.data();
    if (y != built_) {
      std::copy_n(part_.Pixel(first_ - where_.left, y - where_.top),
                  static_cast<std::size_t>(last_ - first_) * 3,
                  built_row_.data() + static_cast<std::size_t>(first_ - span_.left) * 3);
      built_ = y;
    }
    return built_row_.data();
  }

 private:
  const RgbImage& part_;
  PixelRect where_, span_;
  bool direct_;
  int first_ = 0, last_ = 0;
  std::vector<std::uint8_t> white_, built_row_;
  int built_ = -1;
};

}  // namespace

PixelRect SourceRectFor(convert::Size whole, convert::Size stretched, int off_left, int off_top,
                        int view_width, int view_height) {
  if (Degenerate(whole, stretched)) return {};
  const Shown v =
      ShownPart(stretched, off_left, off_top, std::max(0, view_width), std::max(0, view_height));
  if (v.empty()) return {};
  const Cover x0 = Covered(whole.width, stretched.width, v.c0 + off_left);
  const Cover x1 = Covered(whole.width, stretched.width, v.c1 - 1 + off_left);
  const Cover y0 = Covered(whole.height, stretched.height, v.r0 + off_top);
  const Cover y1 = Covered(whole.height, stretched.height, v.r1 - 1 + off_top);
  return {static_cast<int>(x0.first), static_cast<int>(y0.first),
          static_cast<int>(x1.last - x0.first + 1), static_cast<int>(y1.last - y0.first + 1)};
}

RgbImage RenderStretched(const RgbImage& src, convert::Size stretched, int off_left, int off_top,
                         int view_width, int view_height) {
  return RenderStretched(src, {src.width, src.height}, {0, 0, src.width, src.height}, stretched,
                         off_left, off_top, view_width, view_height);
}

RgbImage RenderStretched(const RgbImage& part, convert::Size whole, PixelRect where,
                         convert::Size stretched, int off_left, int off_top, int view_width,
                         int view_height) {
  RgbImage out;
  out.width = std::max(0, view_width);
  out.height = std::max(0, view_height);
  out.rgb.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 3,
                 0xFF);
  if (Degenerate(whole, stretched)) return out;
  const Shown v = ShownPart(stretched, off_left, off_top, out.width, out.height);
  if (v.empty()) return out;
  const std::int64_t c0 = v.c0, c1 = v.c1, r0 = v.r0, r1 = v.r1;

  Taps tx = MakeTaps(whole.width, stretched.width, static_cast<int>(c0 + off_left),
                     static_cast<int>(c1 + off_left));
  const Taps ty = MakeTaps(whole.height, stretched.height, static_cast<int>(r0 + off_top),
                           static_cast<int>(r1 + off_top));
  // Taps count in the whole picture's pixels; the rows start at column span.left.
  const PixelRect span = SourceRectFor(whole, stretched, off_left, off_top, out.width, out.height);
  for (int& f : tx.first)
    f -= span.left;
  SpanRows rows(part, where, span);
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
