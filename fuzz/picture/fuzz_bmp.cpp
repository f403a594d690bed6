// Any bytes into the BMP decoder, then through the renderer: errors are fine, crashes,
// leaks and undefined behaviour are not.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_limits.h"
#include "picture/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace dotcaster::picture;
  std::span<const std::uint8_t> data(bytes, size);
  auto decoded = DecodeBmp(data, kFuzzLimits);
  if (decoded) RenderDecoded(*decoded);
  return 0;
}
