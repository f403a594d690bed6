#include "formats/quadrel.h"

#include <cassert>

#include "formats/file_io.h"
#include "formats/probe.h"

namespace dotcaster {
namespace {

std::uint8_t ByteOrZero(std::span<const std::uint8_t> data, std::size_t index) {
  return index < data.size() ? data[index] : 0;
}

// The converter's bounds on each direction (its per-band and per-column word tables, and
// its 16-bit byte offsets).
std::optional<Error> CheckSize(int width, int height, bool from_bitmap) {
  if (width <= 0 || height <= 0) return ErrorCode::kEmptyImage;
  if ((from_bitmap ? width : height) > kMaxFormatSide) return ErrorCode::kConverterTooLarge;
  if (BmpFileSize(width, height) - 1 > kMaxFormatOffset ||
      QdlFileSize(width, height) - 1 > kMaxFormatOffset) {
    return ErrorCode::kConverterTooLarge;
  }
  return std::nullopt;
}

// Quadrel dot data (after the header) to dots; bytes past the end read as 0, white.
DotImage QdlDataToDots(int width, int height, std::span<const std::uint8_t> data) {
  DotImage dots(width, height);
  for (int y = 0; y < height; ++y) {
    const std::size_t band_start =
        static_cast<std::size_t>(y / 8) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      if ((ByteOrZero(data, band_start + static_cast<std::size_t>(x)) >> (y % 8)) & 1) {
        dots.SetBlack(x, y);
      }
    }
  }
  return dots;
}

// Bitmap pixel rows (after the header) to dots; bytes past the end read as 0, black.
DotImage BmpRowsToDots(int width, int height, std::span<const std::uint8_t> rows) {
  DotImage dots(width, height);
  const std::size_t row_size = static_cast<std::size_t>(BmpRowSize(width));
  for (int y = 0; y < height; ++y) {
    const std::size_t stored = static_cast<std::size_t>(height - 1 - y) * row_size;
    for (int x = 0; x < width; ++x) {
      const bool white =
          (ByteOrZero(rows, stored + static_cast<std::size_t>(x / 8)) >> (7 - x % 8)) & 1;
      if (!white) dots.SetBlack(x, y);
    }
  }
  return dots;
}

}  // namespace

void WriteBmpHeader(int width, int height, std::span<std::uint8_t> out) {
  assert(out.size() >= kBmpHeaderSize);
  const int file_size = BmpFileSize(width, height);
  out[0] = 'B';
  out[1] = 'M';
  // The file size's fourth byte is always written as 0.
  PutLe32(out, 2, static_cast<std::uint32_t>(file_size) & 0x00FFFFFF);
  PutLe32(out, 6, 0);
  PutLe32(out, 10, kBmpHeaderSize);
  PutLe32(out, 14, 40);
  PutLe32(out, 18, static_cast<std::uint32_t>(width & 0xFFFF));
  PutLe32(out, 22, static_cast<std::uint32_t>(height & 0xFFFF));
  PutLe16(out, 26, 1);     // planes
  PutLe16(out, 28, 1);     // bits per pixel
  PutLe32(out, 30, 0);     // no compression
  PutLe32(out, 34, 0);     // image size
  PutLe32(out, 38, 3790);  // horizontal pixels per metre
  PutLe32(out, 42, 3800);  // vertical: 3800, not 3790, as the program has always written
  PutLe32(out, 46, 0);
  PutLe32(out, 50, 0);
  PutLe32(out, 54, 0x00000000);  // palette 0: black
  PutLe32(out, 58, 0x00FFFFFF);  // palette 1: white
}

Expected<DotImage, Error> QuadrelDots(std::span<const std::uint8_t> file) {
  if (file.size() < 2) return ErrorCode::kTooShort;
  if (KindOfContent(file) == ContentKind::kBitmap) return ErrorCode::kNotAPicture;
  if (file.size() <= kQdlHeaderSize) return ErrorCode::kTooShort;
  const int width = Le16(file, 0);
  const int height = Le16(file, 2);
  if (auto error = CheckSize(width, height, false)) return *error;
  return QdlDataToDots(width, height, file.subspan(kQdlHeaderSize));
}

Expected<Bytes, Error> ConvertQdlBmp(std::span<const std::uint8_t> source) {
  if (source.size() < 2) return ErrorCode::kTooShort;
  if (KindOfContent(source) != ContentKind::kBitmap) {
    auto dots = QuadrelDots(source);
    if (!dots) return dots.error();
    return EncodeBmp(*dots);
  }
  if (source.size() <= kBmpHeaderSize) return ErrorCode::kTooShort;
  const int width = Le16(source, 18);
  const int height = Le16(source, 22);
  if (auto error = CheckSize(width, height, true)) return *error;
  return EncodeQdl(BmpRowsToDots(width, height, source.subspan(kBmpHeaderSize)));
}

bool ConvertQdlBmpFile(std::string_view source_path, std::string_view target_path) {
  auto source = ReadFileBytes(source_path, kDefaultLimits);
  if (!source) return false;
  // Opening the target for writing comes before the conversion, as it always has: a
  // target that cannot be opened fails even for a good source, and a new target is left
  // behind (empty) when the conversion then fails.
  if (OpenForWritingCreates(target_path)) return false;
  auto converted = ConvertQdlBmp(*source);
  return converted && !WriteFileReplacing(target_path, *converted);
}

}  // namespace dotcaster
