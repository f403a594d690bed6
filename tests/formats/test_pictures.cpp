#include "test_pictures.h"

#include "formats/quadrel.h"

namespace dotcaster::testing {

Pixels Noise(unsigned seed) {
  return [seed](int x, int y) {
    std::uint32_t v = seed ^ (static_cast<std::uint32_t>(x) * 73856093u) ^
                      (static_cast<std::uint32_t>(y) * 19349663u);
    v ^= v >> 13;
    v *= 0x5bd1e995u;
    v ^= v >> 15;
    return (v & 1) != 0;
  };
}

ByteVec MakeBitmap(int w, int h, const Pixels& black) {
  const int row = 4 * ((w + 31) / 32);
  ByteVec b(static_cast<std::size_t>(62 + row * h), 0);
  WriteBmpHeader(w, h, b);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!black(x, y)) {
        b[62 + (h - 1 - y) * row + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return b;
}

ByteVec MakeQuadrel(int w, int h, const Pixels& black) {
  ByteVec q(static_cast<std::size_t>(4 + (h + 7) / 8 * w), 0);
  q[0] = static_cast<std::uint8_t>(w);
  q[1] = static_cast<std::uint8_t>(w >> 8);
  q[2] = static_cast<std::uint8_t>(h);
  q[3] = static_cast<std::uint8_t>(h >> 8);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (black(x, y)) q[4 + (y / 8) * w + x] |= static_cast<std::uint8_t>(1 << (y % 8));
    }
  }
  return q;
}

bool BitmapBlack(const ByteVec& b, int w, int h, int x, int y) {
  const int row = 4 * ((w + 31) / 32);
  return !((b[62 + (h - 1 - y) * row + x / 8] >> (7 - x % 8)) & 1);
}

ByteVec Cat(std::initializer_list<ByteVec> parts) {
  ByteVec out;
  for (const auto& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

ByteVec JpegFrame(std::uint8_t code, int height, int width) {
  const auto hi = [](int v) { return static_cast<std::uint8_t>(v >> 8); };
  const auto lo = [](int v) { return static_cast<std::uint8_t>(v); };
  // Length 17, precision 8, the size, then three components (id, sampling, table).
  return {0xFF, code, 0x00, 0x11, 0x08, hi(height), lo(height), hi(width), lo(width), 3,
          1,    0x22, 0,    2,    0x11, 1,          3,          0x11,      1};
}

}  // namespace dotcaster::testing
