#pragma once

// Small limits for the decoders under the fuzzer, so that a header that asks for a huge
// picture is refused quickly instead of being allocated.

#include "state/limits.h"

inline constexpr dotcaster::Limits kFuzzLimits{std::uint64_t{1} << 20, 2048, 1'000'000};
