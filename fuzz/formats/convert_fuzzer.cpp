// The Quadrel/bitmap converter over arbitrary bytes. Besides memory safety, a conversion
// that succeeds must produce exactly the file its header describes, within the 16-bit
// offset limit, and converting that result back must succeed too.

#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/probe.h"
#include "formats/quadrel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dotcaster;
  const std::span<const std::uint8_t> input(data, size);
  auto out = ConvertQdlBmp(input);
  if (!out) return 0;
  const std::span<const std::uint8_t> result(*out);
  if (KindOfContent(input) == ContentKind::kBitmap) {
    const int w = Le16(result, 0), h = Le16(result, 2);
    if (w != Le16(input, 18) || h != Le16(input, 22)) __builtin_trap();
    if (static_cast<int>(result.size()) != QdlFileSize(w, h)) __builtin_trap();
    if (result.size() > 32768 || w > kMaxFormatSide) __builtin_trap();
  } else {
    if (KindOfContent(result) != ContentKind::kBitmap || result.size() < kBmpHeaderSize) {
      __builtin_trap();
    }
    const int w = Le16(result, 18), h = Le16(result, 22);
    if (w != Le16(input, 0) || h != Le16(input, 2)) __builtin_trap();
    if (static_cast<int>(result.size()) != BmpFileSize(w, h)) __builtin_trap();
    if (result.size() > 32768 || h > kMaxFormatSide) __builtin_trap();
    // The bitmap the converter wrote is one it reads back whenever the width allows.
    if (w <= kMaxFormatSide && QdlFileSize(w, h) <= 32768 && !ConvertQdlBmp(result)) {
      __builtin_trap();
    }
  }
  return 0;
}
