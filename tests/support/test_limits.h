#pragma once

// Limits small enough that a test that gets past them by mistake stays cheap, and large
// enough for every picture the tests make.

#include "state/limits.h"

namespace dotcaster::testing {

inline constexpr Limits kTestLimits{
    .max_file_bytes = std::uint64_t{16} << 20, .max_side = 4096, .max_pixels = 4'000'000};

}  // namespace dotcaster::testing
