#include "hostile.h"

#include <algorithm>
#include <array>

namespace dotcaster::hostile {
namespace {

void Put16Be(Bytes& out, int v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void Put16Le(Bytes& out, int v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32Le(Bytes& out, std::uint32_t v) {
  Put16Le(out, static_cast<int>(v & 0xFFFF));
  Put16Le(out, static_cast<int>(v >> 16));
}

// JPEG entropy-coded bits, most significant first, with a 00 after every FF byte.
class JpegBits {
 public:
  explicit JpegBits(Bytes& out) : out_(out) {}
  void Put(std::uint32_t bits, int count) {
    for (int i = count - 1; i >= 0; --i) {
      acc_ = (acc_ << 1) | ((bits >> i) & 1);
      if (++n_ == 8) {
        out_.push_back(static_cast<std::uint8_t>(acc_));
        if ((acc_ & 0xFF) == 0xFF) out_.push_back(0);
        acc_ = n_ = 0;
      }
    }
  }
  void Flush() {  // padded with ones, as the standard asks
    while (n_ != 0)
      Put(1, 1);
  }

 private:
  Bytes& out_;
  std::uint32_t acc_ = 0;
  int n_ = 0;
};

// GIF LZW codes, least significant bit first, in data sub-blocks of up to 255 bytes.
class GifCodes {
 public:
  void Put(int code, int size) {
    acc_ |= static_cast<std::uint32_t>(code) << n_;
    n_ += size;
    while (n_ >= 8) {
      bytes_.push_back(static_cast<std::uint8_t>(acc_));
      acc_ >>= 8;
      n_ -= 8;
    }
  }
  void FinishInto(Bytes& out) {
    if (n_ > 0) bytes_.push_back(static_cast<std::uint8_t>(acc_));
    for (std::size_t at = 0; at < bytes_.size(); at += 255) {
      const std::size_t n = std::min<std::size_t>(255, bytes_.size() - at);
      out.push_back(static_cast<std::uint8_t>(n));
      out.insert(out.end(), bytes_.begin() + static_cast<long>(at),
                 bytes_.begin() + static_cast<long>(at + n));
    }
    out.push_back(0);
  }

 private:
  Bytes bytes_;
  std::uint32_t acc_ = 0;
  int n_ = 0;
};

}  // namespace

Bytes EmptyScansJpeg(int width, int height, int components, int scans) {
  // Start of image and one quantisation table of ones.
  Bytes f = {0xFF, 0xD8, 0xFF, 0xDB};
  Put16Be(f, 67);
  f.push_back(0x00);
  f.insert(f.end(), 64, 1);
  // Progressive frame, every component sampled 1 x 1.
  f.insert(f.end(), {0xFF, 0xC2});
  Put16Be(f, 8 + 3 * components);
  f.push_back(8);
  Put16Be(f, height);
  Put16Be(f, width);
  f.push_back(static_cast<std::uint8_t>(components));
  for (int c = 1; c <= components; ++c)
    f.insert(f.end(), {static_cast<std::uint8_t>(c), 0x11, 0x00});
  // AC table 0: the fifteen end-of-band runs EOB0..EOB14 (symbols r0), each a 4-bit code
  // equal to r.
  f.insert(f.end(), {0xFF, 0xC4});
  Put16Be(f, 2 + 1 + 16 + 15);
  f.push_back(0x10);
  for (int length = 1; length <= 16; ++length)
    f.push_back(length == 4 ? 15 : 0);
  for (int r = 0; r < 15; ++r)
    f.push_back(static_cast<std::uint8_t>(r << 4));

  const long blocks = static_cast<long>((width + 7) / 8) * ((height + 7) / 8);
  for (int s = 0; s < scans; ++s) {
    f.insert(f.end(), {0xFF, 0xDA});
    Put16Be(f, 8);
    f.insert(f.end(), {0x01, static_cast<std::uint8_t>(s % components + 1), 0x00, 1, 63, 0x00});
    JpegBits bits(f);
    for (long left = blocks; left > 0;) {
      const long run = std::min<long>(left, 32767);
      int r = 0;
      while ((2L << r) <= run)
        ++r;
      bits.Put(static_cast<std::uint32_t>(r), 4);
      if (r > 0) bits.Put(static_cast<std::uint32_t>(run - (1L << r)), r);
      left -= run;
    }
    bits.Flush();
  }
  f.insert(f.end(), {0xFF, 0xD9});
  return f;
}

Bytes SmallFrameGif(int width, int height, int frame_width, int frame_height, int left, int top) {
  Bytes f = {'G', 'I', 'F', '8', '9', 'a'};
  Put16Le(f, width);
  Put16Le(f, height);
  f.insert(f.end(), {0x80, 0x00, 0x00, 0, 0, 0, 0xFF, 0xFF, 0xFF});  // black and white
  f.push_back(0x2C);
  Put16Le(f, left);
  Put16Le(f, top);
  Put16Le(f, frame_width);
  Put16Le(f, frame_height);
  f.push_back(0x00);
  f.push_back(2);  // minimum code size: clear is 4, end 5, new codes from 6

  // Runs of colour 0 of length 1, 2, 3, ...: each new code is the previous run and one
  // more pixel, so a few thousand codes cover millions of pixels.
  GifCodes codes;
  std::int64_t left_pixels = std::int64_t{frame_width} * frame_height;
  int size = 3;  // the code size the decoder reads the next code with
  while (left_pixels > 0) {
    codes.Put(4, size);  // clear
    size = 3;
    int next = 6;
    std::int64_t run = 1;  // the run the next new code stands for
    codes.Put(0, size);
    --left_pixels;
    while (left_pixels > 0 && next < 4000) {
      // The next new code when the whole run fits, else an existing code of the rest.
      const std::int64_t take = std::min(run + 1, left_pixels);
      codes.Put(take == 1 ? 0 : static_cast<int>(take + 4), size);
      left_pixels -= take;
      run = take;
      if (++next == (1 << size) && size < 12) ++size;
    }
  }
  codes.Put(5, size);  // end
  codes.FinishInto(f);
  f.push_back(0x3B);
  return f;
}

Bytes EmptyRleBitmap(int width, int height) {
  Bytes f = {'B', 'M'};
  Put32Le(f, 14 + 40 + 8 + 2);
  Put32Le(f, 0);
  Put32Le(f, 14 + 40 + 8);
  Put32Le(f, 40);
  Put32Le(f, static_cast<std::uint32_t>(width));
  Put32Le(f, static_cast<std::uint32_t>(height));
  Put16Le(f, 1);
  Put16Le(f, 8);
  Put32Le(f, 1);  // RLE8
  Put32Le(f, 2);
  Put32Le(f, 2835);
  Put32Le(f, 2835);
  Put32Le(f, 2);  // two colours
  Put32Le(f, 0);
  f.insert(f.end(), {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0});
  f.insert(f.end(), {0x00, 0x01});  // end of bitmap
  return f;
}

std::vector<Case> CraftedCases() {
  std::vector<Case> cases = {
      // Scans: thousands of empty ones over a wide frame, and small frames around the
      // scan limit.
      {"scan-bomb.jpg", EmptyScansJpeg(32767, 1220, 1, 10000)},
      {"scans-500.jpg", EmptyScansJpeg(64, 64, 1, 500)},
      {"scans-501.jpg", EmptyScansJpeg(64, 64, 1, 501)},
      // Coefficient memory: a 40-megapixel CMYK frame keeps 320 MB of coefficients; 96 MB
      // of them fit the limit.
      {"coefficient-bomb.jpg", EmptyScansJpeg(6324, 6324, 4, 4)},
      {"coefficients-96mb.jpg", EmptyScansJpeg(4000, 4000, 3, 3)},
      {"frame-beyond-pixels.jpg", EmptyScansJpeg(7000, 7000, 1, 1)},
      // A 1 x 1 picture followed by 500 MB of nothing.
      {"sparse-tail.jpg", EmptyScansJpeg(1, 1, 1, 1), std::uint64_t{500} << 20},
      // 40 megapixels of bitmap from 64 bytes; one more row is beyond the limit.
      {"rle-40mp.bmp", EmptyRleBitmap(6324, 6324)},
      {"rle-beyond.bmp", EmptyRleBitmap(6324, 6326)},
      {"rle-top-down.bmp", EmptyRleBitmap(6324, -6324)},
      // A large logical screen around a tiny frame, a 36-megapixel frame, and a screen
      // beyond the limit.
      {"screen-36mp-dot.gif", SmallFrameGif(6000, 6000, 1, 1, 2999, 2999)},
      {"frame-36mp.gif", SmallFrameGif(6000, 6000, 6000, 6000)},
      {"screen-beyond.gif", SmallFrameGif(8000, 8000, 1, 1)},
      {"frame-off-screen.gif", SmallFrameGif(100, 100, 30000, 1000, 65000, 65000)},
  };
  return cases;
}

std::vector<Case> Mutants(const std::vector<Case>& seeds, int count, std::uint32_t seed) {
  std::vector<Case> out;
  if (seeds.empty()) return out;
  std::uint32_t state = seed;
  auto next = [&state](std::uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return n == 0 ? 0 : (state >> 8) % n;
  };
  constexpr std::array<std::uint16_t, 5> kExtremes = {0x0000, 0x0001, 0x7FFF, 0x8000, 0xFFFF};
  for (int i = 0; i < count; ++i) {
    const Case& from = seeds[next(static_cast<std::uint32_t>(seeds.size()))];
    if (from.bytes.empty()) continue;
    Bytes b = from.bytes;
    const auto size = static_cast<std::uint32_t>(b.size());
    // Most numbers sit in the first bytes: half the changes go there.
    auto place = [&] { return next(2) ? next(std::min<std::uint32_t>(size, 64)) : next(size); };
    switch (next(5)) {
      case 0:  // a few bytes changed
        for (std::uint32_t k = 0, n = 1 + next(4); k < n; ++k)
          b[place()] = static_cast<std::uint8_t>(next(256));
        break;
      case 1: {  // a 16-bit number at its extremes
        const std::uint32_t at = std::min(place(), size - std::min<std::uint32_t>(size, 2));
        const std::uint16_t v = kExtremes[next(kExtremes.size())];
        b[at] = static_cast<std::uint8_t>(v >> (next(2) * 8));
        if (at + 1 < size) b[at + 1] = static_cast<std::uint8_t>(v);
        break;
      }
      case 2:  // cut short
        b.resize(next(size));
        break;
      case 3: {  // a piece doubled
        const std::uint32_t at = next(size), n = next(std::min<std::uint32_t>(size - at, 512));
        b.insert(b.begin() + at, b.begin() + at, b.begin() + at + n);
        break;
      }
      default:  // every byte of a stretch replaced by one value
        for (std::uint32_t at = place(), n = 1 + next(32); n > 0 && at < size; --n, ++at)
          b[at] = 0xFF;
        break;
    }
    const std::string& name = from.name;
    const std::size_t dot = name.rfind('.');
    out.push_back(
        {"mutant-" + std::to_string(i) + name.substr(dot == std::string::npos ? name.size() : dot),
         std::move(b), 0});
  }
  return out;
}

}  // namespace dotcaster::hostile
