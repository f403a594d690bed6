#pragma once

// The Quadrel dot image and the program's own 1-bit bitmap, and the converter between them.
//
// Quadrel: width and height as 16-bit little-endian numbers, then ceil(height / 8) bands of
// one byte per column; bit i of a band byte is row 8b + i (bit 0 the top row), 1 is black.
//
// The program's bitmap: a Windows bitmap with a 62-byte header, palette entry 0 black and 1
// white, rows bottom-up, each padded to a multiple of 4 bytes; bit 7 of a row byte is the
// leftmost of its eight columns. The two formats use opposite bit values for a dot.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "formats/errors.h"
#include "formats/file_io.h"
#include "state/expected.h"

namespace dotcaster {

inline constexpr int kBmpHeaderSize = 62;
inline constexpr int kQdlHeaderSize = 4;

// The format routines compute byte offsets in 16-bit signed arithmetic: an image for which
// an offset would pass this value is refused. It also guards against absurd sizes.
inline constexpr int kMaxFormatOffset = 32767;
// Widths the bitmap-to-Quadrel direction handles, heights the other direction handles.
inline constexpr int kMaxFormatSide = 1023;

// Bytes per bitmap row: the width in bits rounded up to whole 32-bit words.
constexpr int BmpRowSize(int width) {
  return 4 * ((width - 1) / 32 + 1);
}

// 62 + row size x height.
constexpr int BmpFileSize(int width, int height) {
  return kBmpHeaderSize + BmpRowSize(width) * height;
}

// 4 + ceil(height / 8) x width.
constexpr int QdlFileSize(int width, int height) {
  return kQdlHeaderSize + (height + 7) / 8 * width;
}

// Writes the 62 header bytes of the program's bitmap into out[0..61]; out must hold at least
// 62 bytes (normally it has the full BmpFileSize).
void WriteBmpHeader(int width, int height, std::span<std::uint8_t> out);

// Bitmap pixel rows (everything after the 62-byte header; bytes past the end read as 0,
// black) to a whole Quadrel file (header included) of QdlFileSize bytes.
void BmpToQdl(int width, int height, std::span<const std::uint8_t> rows,
              std::span<std::uint8_t> qdl);

// Quadrel dot data (everything after the 4-byte header; bytes past the end read as 0,
// white) to a whole bitmap file of BmpFileSize bytes. bmp must be all zero on entry: row
// padding stays 0.
void QdlToBmp(int width, int height, std::span<const std::uint8_t> dots,
              std::span<std::uint8_t> bmp);

// Whether the converter can take an image of this size in each direction.
std::optional<FormatError> CheckBmpToQdlSize(int width, int height);
std::optional<FormatError> CheckQdlToBmpSize(int width, int height);

// True when the bytes start with "BM": such content is always read as a bitmap.
bool StartsAsBitmap(std::span<const std::uint8_t> content);

// The converter over bytes: a bitmap (content starting with "BM") becomes a Quadrel file,
// anything else is read as a Quadrel file and becomes a bitmap.
Expected<Bytes, FormatError> ConvertQdlBmp(std::span<const std::uint8_t> source);

// The largest source the converter ever needs to read: longer files are read only this far
// (the rest could only hold bytes that no offset reaches).
inline constexpr std::size_t kMaxConverterSource = kBmpHeaderSize + kMaxFormatOffset + 1;

// File to file, the direction decided by content. The target is written in one piece only
// after the conversion succeeded; on failure it keeps its previous content (a target that
// did not exist is left as an empty file). Returns false on every failure, including a
// source or target that cannot be opened.
bool ConvertQdlBmpFile(std::string_view source_path, std::string_view target_path);

// The same, with the reason for a failure.
std::optional<FormatError> ConvertQdlBmpFileWithReason(std::string_view source_path,
                                                       std::string_view target_path);

}  // namespace dotcaster
