// PNG written by hand: the image is at most a few kilobytes, so its rows go into "stored"
// (uncompressed) deflate blocks, which need no compressor, only the two checksums.

#include <algorithm>
#include <array>

#include "formats/dot_image.h"

namespace dotcaster {
namespace {

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const std::uint8_t b : data)
    crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
  constexpr std::uint32_t kMod = 65521;
  std::uint32_t a = 1, b = 0;
  for (const std::uint8_t byte : data) {
    a = (a + byte) % kMod;
    b = (b + a) % kMod;
  }
  return (b << 16) | a;
}

void PutBe32(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 24));
  out.push_back(static_cast<std::uint8_t>(v >> 16));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void PutChunk(Bytes& out, const char (&type)[5], std::span<const std::uint8_t> data) {
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t crc_from = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, Crc32(std::span(out).subspan(crc_from)));
}

}  // namespace

Expected<Bytes, Error> EncodePng(const DotImage& image) {
  // Each row: filter type 0, then the packed dots; 1 is white in 1-bit greyscale, and the
  // bits beyond the width stay 0.
  const int tail = image.width() % 8;
  const std::uint8_t last_mask = tail == 0 ? 0xFF : static_cast<std::uint8_t>(0xFF00 >> tail);
  Bytes raw;
  for (int y = 0; y < image.height(); ++y) {
    raw.push_back(0);
    for (const std::uint8_t b : image.row(y))
      raw.push_back(static_cast<std::uint8_t>(~b));
    raw.back() &= last_mask;
  }

  Bytes zlib = {0x78, 0x01};
  std::size_t done = 0;
  do {
    const std::size_t len = std::min<std::size_t>(raw.size() - done, 65535);
    const bool last = done + len == raw.size();
    zlib.push_back(last ? 1 : 0);
    zlib.push_back(static_cast<std::uint8_t>(len));
    zlib.push_back(static_cast<std::uint8_t>(len >> 8));
    zlib.push_back(static_cast<std::uint8_t>(~len));
    zlib.push_back(static_cast<std::uint8_t>(~len >> 8));
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(done),
                raw.begin() + static_cast<std::ptrdiff_t>(done + len));
    done += len;
  } while (done < raw.size());
  PutBe32(zlib, Adler32(raw));

  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  PutBe32(ihdr, static_cast<std::uint32_t>(image.width()));
  PutBe32(ihdr, static_cast<std::uint32_t>(image.height()));
  ihdr.insert(ihdr.end(), {1, 0, 0, 0, 0});  // 1 bit, greyscale, deflate, no filter, no interlace
  PutChunk(out, "IHDR", ihdr);
  PutChunk(out, "IDAT", zlib);
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace dotcaster
