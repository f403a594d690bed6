#pragma once

// Limits small enough that a test that gets past them by mistake stays cheap, and large
// enough for every picture the tests make.

#include "state/limits.h"

namespace dotcaster::testing {

inline constexpr Limits kTestLimits{std::uint64_t{16} << 20, 4096, 4'000'000};

}  // namespace dotcaster::testing
