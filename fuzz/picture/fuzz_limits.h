#pragma once

// Small limits for the decoders under the fuzzer, so that a header that asks for a huge
// picture is refused quickly instead of being allocated; and what every decoder's result
// goes through next.

#include "picture/decoders.h"
#include "picture/resample.h"
#include "state/limits.h"

inline constexpr dotcaster::Limits kFuzzLimits{.max_file_bytes = std::uint64_t{1} << 20,
                                               .max_side = 2048,
                                               .max_pixels = 1'000'000,
                                               .max_decode_bytes = std::uint64_t{16} << 20};

// Renders the decoded picture shrunk and enlarged, as the source view and a crop would.
inline void RenderDecoded(const dotcaster::picture::Decoded& decoded) {
  using dotcaster::picture::RenderStretched;
  const auto& [width, height] = decoded.whole;
  (void)RenderStretched(decoded.image, decoded.whole, decoded.region,
                        {width / 3 + 1, height / 3 + 1}, 0, 0, 32, 24);
  (void)RenderStretched(decoded.image, decoded.whole, decoded.region, {width * 5, height * 5}, 7, 3,
                        32, 24);
}
