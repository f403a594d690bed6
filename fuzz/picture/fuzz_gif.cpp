// Any bytes into the GIF decoder, then through the renderer: errors are fine, crashes,
// leaks and undefined behaviour are not.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_limits.h"
#include "picture/decoders.h"
#include "picture/resample.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using namespace dotcaster::picture;
  std::span<const std::uint8_t> data(bytes, size);
  auto decoded = DecodeGif(data, kFuzzLimits);
  if (!decoded) return 0;
  const RgbImage& img = decoded->image;
  (void)RenderStretched(img, {img.width / 3 + 1, img.height / 3 + 1}, 0, 0, 32, 24);
  (void)RenderStretched(img, {img.width * 5, img.height * 5}, 7, 3, 32, 24);
  return 0;
}
