#include "cli/dotcast/dots.h"

#include <array>

#include "formats/quadrel.h"

namespace dotcaster::cli {
namespace {

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

// Packed rows top-down, one bit per dot, MSB the leftmost, 1 where ink is wanted.
Bytes PackedRows(const DotImage& image, bool black_is_one) {
  const int stride = (image.width() + 7) / 8;
  Bytes rows(static_cast<std::size_t>(stride) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.Black(x, y) == black_is_one) {
        rows[static_cast<std::size_t>(y) * stride + x / 8] |=
            static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return rows;
}

}  // namespace

Expected<DotImage, std::string> DotImage::FromBitmap(Bytes bmp) {
  if (bmp.size() < static_cast<std::size_t>(kBmpHeaderSize) || bmp[0] != 'B' || bmp[1] != 'M') {
    return std::string("conversion gave no bitmap");
  }
  DotImage image;
  image.width_ = bmp[18] | bmp[19] << 8;
  image.height_ = bmp[22] | bmp[23] << 8;
  if (image.width_ == 0 || image.height_ == 0) return std::string("conversion gave no dots");
  image.row_size_ = BmpRowSize(image.width_);
  if (bmp.size() < static_cast<std::size_t>(BmpFileSize(image.width_, image.height_))) {
    return std::string("conversion gave a short bitmap");
  }
  image.bmp_ = std::move(bmp);
  return image;
}

bool DotImage::Black(int x, int y) const {
  const std::size_t at = static_cast<std::size_t>(kBmpHeaderSize) +
                         static_cast<std::size_t>(height_ - 1 - y) * row_size_ + x / 8;
  return (bmp_[at] & (0x80 >> (x % 8))) == 0;
}

std::uint32_t Crc32(std::span<const std::uint8_t> data, std::uint32_t crc) {
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
  crc = ~crc;
  for (const std::uint8_t b : data)
    crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler32(std::span<const std::uint8_t> data, std::uint32_t adler) {
  constexpr std::uint32_t kMod = 65521;
  std::uint32_t a = adler & 0xFFFF;
  std::uint32_t b = adler >> 16;
  for (const std::uint8_t byte : data) {
    a = (a + byte) % kMod;
    b = (b + a) % kMod;
  }
  return (b << 16) | a;
}

Bytes EncodePng(const DotImage& image) {
  // Each row: filter type 0, then the packed dots; 1 is white in 1-bit greyscale.
  const Bytes packed = PackedRows(image, /*black_is_one=*/false);
  const std::size_t stride = static_cast<std::size_t>(image.width() + 7) / 8;
  Bytes raw;
  raw.reserve((stride + 1) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    raw.push_back(0);
    const auto row = packed.begin() + static_cast<std::ptrdiff_t>(y * stride);
    raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(stride));
  }

  // A zlib stream of "stored" deflate blocks: the largest image is under 10 KB, so
  // compressing would save little and would need a deflate encoder.
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

Bytes EncodePbm(const DotImage& image) {
  const std::string header =
      "P4\n" + std::to_string(image.width()) + " " + std::to_string(image.height()) + "\n";
  Bytes out(header.begin(), header.end());
  const Bytes packed = PackedRows(image, /*black_is_one=*/true);
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

Expected<Bytes, std::string> EncodeDots(const DotImage& image, OutputFormat format) {
  switch (format) {
    case OutputFormat::kBmp:
      return image.bitmap();
    case OutputFormat::kPng:
      return EncodePng(image);
    case OutputFormat::kPbm:
      return EncodePbm(image);
    case OutputFormat::kQdl:
      break;
  }
  auto qdl = ConvertQdlBmp(image.bitmap());
  if (!qdl) return std::string(FormatErrorText(qdl.error()));
  return std::move(qdl).value();
}

std::string RenderHalfBlocks(const DotImage& image, bool invert) {
  static constexpr const char* kCells[4] = {" ", "\u2580", "\u2584", "\u2588"};
  std::string out;
  out.reserve(static_cast<std::size_t>(image.width() * 3 + 1) * ((image.height() + 1) / 2));
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); ++x) {
      const bool top = image.Black(x, y) != invert;
      // An odd last row has no partner: the lower half stays empty.
      const bool bottom = y + 1 < image.height() && image.Black(x, y + 1) != invert;
      out += kCells[(top ? 1 : 0) | (bottom ? 2 : 0)];
    }
    out += '\n';
  }
  return out;
}

}  // namespace dotcaster::cli
