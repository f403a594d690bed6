// The JPEG marker scan over arbitrary bytes: it must end, stay inside the data, and
// report only sizes that fit the frame's unsigned 16-bit numbers.

#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dotcaster;
  const auto r = ProbeJpegBytes(std::span<const std::uint8_t>(data, size));
  if (r && (r->width < 0 || r->width > 0xFFFF || r->height < 0 || r->height > 0xFFFF)) {
    __builtin_trap();
  }
  return 0;
}
