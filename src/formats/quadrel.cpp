#include "formats/quadrel.h"

#include <algorithm>
#include <cassert>

namespace dotcaster {
namespace {

void Put16(std::span<std::uint8_t> out, std::size_t at, int value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void Put32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

int Get16(std::span<const std::uint8_t> in, std::size_t at) {
  return in[at] | (in[at + 1] << 8);
}

std::uint8_t ByteOrZero(std::span<const std::uint8_t> data, std::size_t index) {
  return index < data.size() ? data[index] : 0;
}

}  // namespace

void WriteBmpHeader(int width, int height, std::span<std::uint8_t> out) {
  assert(out.size() >= kBmpHeaderSize);
  const int file_size = BmpFileSize(width, height);
  out[0] = 'B';
  out[1] = 'M';
  // The file size's fourth byte is always written as 0.
  Put32(out, 2, static_cast<std::uint32_t>(file_size) & 0x00FFFFFF);
  Put32(out, 6, 0);
  Put32(out, 10, kBmpHeaderSize);
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<std::uint32_t>(width & 0xFFFF));
  Put32(out, 22, static_cast<std::uint32_t>(height & 0xFFFF));
  Put16(out, 26, 1);     // planes
  Put16(out, 28, 1);     // bits per pixel
  Put32(out, 30, 0);     // no compression
  Put32(out, 34, 0);     // image size
  Put32(out, 38, 3790);  // horizontal pixels per metre
  Put32(out, 42, 3800);  // vertical: 3800, not 3790, as the program has always written
  Put32(out, 46, 0);
  Put32(out, 50, 0);
  Put32(out, 54, 0x00000000);  // palette 0: black
  Put32(out, 58, 0x00FFFFFF);  // palette 1: white
}

void BmpToQdl(int width, int height, std::span<const std::uint8_t> rows,
              std::span<std::uint8_t> qdl) {
  assert(qdl.size() >= static_cast<std::size_t>(QdlFileSize(width, height)));
  Put16(qdl, 0, width);
  Put16(qdl, 2, height);
  const std::size_t row_size = static_cast<std::size_t>(BmpRowSize(width));
  std::size_t p = kQdlHeaderSize;
  for (int band_top = 0; band_top < height; band_top += 8) {
    const int band_rows = std::min(8, height - band_top);
    for (int x = 0; x < width; ++x) {
      std::uint8_t out = 0;
      const std::size_t byte_in_row = static_cast<std::size_t>(x / 8);
      const int bit = 7 - (x % 8);
      for (int i = 0; i < band_rows; ++i) {
        const std::size_t stored_row = static_cast<std::size_t>(height - 1 - (band_top + i));
        const bool white = (ByteOrZero(rows, stored_row * row_size + byte_in_row) >> bit) & 1;
        if (!white) out |= static_cast<std::uint8_t>(1u << i);
      }
      qdl[p++] = out;
    }
  }
}

void QdlToBmp(int width, int height, std::span<const std::uint8_t> dots,
              std::span<std::uint8_t> bmp) {
  assert(bmp.size() >= static_cast<std::size_t>(BmpFileSize(width, height)));
  WriteBmpHeader(width, height, bmp);
  const std::size_t row_size = static_cast<std::size_t>(BmpRowSize(width));
  for (int y = 0; y < height; ++y) {
    const std::size_t band_start = static_cast<std::size_t>(y / 8) * width;
    const int shift = y % 8;
    std::uint8_t* row = &bmp[kBmpHeaderSize + (height - 1 - y) * row_size];
    for (int x = 0; x < width; ++x) {
      const bool black = (ByteOrZero(dots, band_start + x) >> shift) & 1;
      if (!black) row[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
    }
  }
}

std::optional<FormatError> CheckBmpToQdlSize(int width, int height) {
  if (width <= 0 || height <= 0) return FormatError::kEmptyImage;
  if (width > kMaxFormatSide) return FormatError::kTooLarge;
  if (BmpFileSize(width, height) - 1 > kMaxFormatOffset ||
      QdlFileSize(width, height) - 1 > kMaxFormatOffset) {
    return FormatError::kTooLarge;
  }
  return std::nullopt;
}

std::optional<FormatError> CheckQdlToBmpSize(int width, int height) {
  if (width <= 0 || height <= 0) return FormatError::kEmptyImage;
  if (height > kMaxFormatSide) return FormatError::kTooLarge;
  if (BmpFileSize(width, height) - 1 > kMaxFormatOffset ||
      QdlFileSize(width, height) - 1 > kMaxFormatOffset) {
    return FormatError::kTooLarge;
  }
  return std::nullopt;
}

bool StartsAsBitmap(std::span<const std::uint8_t> content) {
  return content.size() >= 2 && content[0] == 'B' && content[1] == 'M';
}

Expected<Bytes, FormatError> ConvertQdlBmp(std::span<const std::uint8_t> source) {
  if (source.size() < 2) return FormatError::kTooShort;
  if (StartsAsBitmap(source)) {
    if (source.size() <= kBmpHeaderSize) return FormatError::kTooShort;
    const int width = Get16(source, 18);
    const int height = Get16(source, 22);
    if (auto error = CheckBmpToQdlSize(width, height)) return *error;
    Bytes qdl(static_cast<std::size_t>(QdlFileSize(width, height)));
    BmpToQdl(width, height, source.subspan(kBmpHeaderSize), qdl);
    return qdl;
  }
  if (source.size() <= kQdlHeaderSize) return FormatError::kTooShort;
  const int width = Get16(source, 0);
  const int height = Get16(source, 2);
  if (auto error = CheckQdlToBmpSize(width, height)) return *error;
  Bytes bmp(static_cast<std::size_t>(BmpFileSize(width, height)), 0);
  QdlToBmp(width, height, source.subspan(kQdlHeaderSize), bmp);
  return bmp;
}

std::optional<FormatError> ConvertQdlBmpFileWithReason(std::string_view source_path,
                                                       std::string_view target_path) {
  auto source = ReadFileBytes(source_path, kMaxConverterSource);
  if (!source) return source.error();
  // Opening the target for writing comes before the conversion, as it always has: a
  // target that cannot be opened fails even for a good source, and a new target is left
  // behind (empty) when the conversion then fails.
  if (!OpenForWritingCreates(target_path)) return FormatError::kOpenTarget;
  auto converted = ConvertQdlBmp(*source);
  if (!converted) return converted.error();
  return WriteFileReplacing(target_path, *converted);
}

bool ConvertQdlBmpFile(std::string_view source_path, std::string_view target_path) {
  return !ConvertQdlBmpFileWithReason(source_path, target_path).has_value();
}

}  // namespace dotcaster
