#pragma once

// The Quadrel dot image and the program's own 1-bit bitmap, and the converter between them.
//
// Quadrel: width and height as 16-bit little-endian numbers, then ceil(height / 8) bands of
// one byte per column; bit i of a band byte is row 8b + i (bit 0 the top row), 1 is black.
//
// The program's bitmap: a Windows bitmap with a 62-byte header, palette entry 0 black and 1
// white, rows bottom-up, each padded to a multiple of 4 bytes; bit 7 of a row byte is the
// leftmost of its eight columns. The two formats use opposite bit values for a dot.

#include <cstdint>
#include <span>
#include <string_view>

#include "formats/bytes.h"
#include "formats/dot_image.h"
#include "state/error.h"
#include "state/expected.h"

namespace dotcaster {

inline constexpr int kBmpHeaderSize = 62;
inline constexpr int kQdlHeaderSize = 4;

// The converter computes byte offsets in 16-bit signed arithmetic: an image for which an
// offset would pass this value is refused. It also guards against absurd sizes.
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

// The dots of a Quadrel file as the loader takes them: dot data missing at the end reads
// white, bytes beyond it are ignored. Content that starts with "BM" is a bitmap to the
// converter, never a Quadrel file, and is refused (kNotAPicture); so are a header alone
// (kTooShort), an empty image (kEmptyImage) and an image beyond the converter's offsets
// (kConverterTooLarge).
Expected<DotImage, Error> QuadrelDots(std::span<const std::uint8_t> file);

// The converter over bytes: a bitmap (content starting with "BM") becomes a Quadrel file,
// anything else is read as a Quadrel file and becomes a bitmap. Of a bitmap only the width
// (16 bits at offset 18), the height (offset 22) and the rows from offset 62 are read;
// missing row bytes read black.
Expected<Bytes, Error> ConvertQdlBmp(std::span<const std::uint8_t> source);

// File to file, the direction decided by content. The target is opened (created if need
// be) before the conversion and written in one piece only after it succeeded; on failure it
// keeps its previous content (a target that did not exist is left as an empty file).
// Returns false on every failure, including a source or target that cannot be opened.
bool ConvertQdlBmpFile(std::string_view source_path, std::string_view target_path);

}  // namespace dotcaster
