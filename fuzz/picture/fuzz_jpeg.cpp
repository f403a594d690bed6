// Any bytes into the JPEG decoder, then through the renderer: errors are fine, crashes,
// leaks and undefined behaviour are not.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_limits.h"
#include "picture/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace dotcaster::picture;
  std::span<const std::uint8_t> data(bytes, size);
  // The last byte picks the DCT scale, so that every scale is exercised.
  const int scale = size > 0 ? 1 + bytes[size - 1] % 8 : 8;
  auto decoded = DecodeJpeg(data, scale, kFuzzLimits);
  if (decoded) RenderDecoded(*decoded);
  return 0;
}
