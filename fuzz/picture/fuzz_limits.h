#pragma once

// Small limits for the decoders under the fuzzer, so that a header that asks for a huge
// picture is refused quickly instead of being allocated.

#include "state/limits.h"

inline constexpr dotcaster::Limits kFuzzLimits{.max_file_bytes = std::uint64_t{1} << 20,
                                               .max_side = 2048,
                                               .max_pixels = 1'000'000,
                                               .max_decode_bytes = std::uint64_t{16} << 20};
