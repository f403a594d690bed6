#pragma once

// The pseudo-random numbers of the photo conversion methods.
//
// How to use it:
//  - The window keeps one generator for the whole run (TheDotRandom(), user-interface thread
//    only) and passes it to every conversion, so that successive conversions continue one
//    sequence and the first conversion after start-up is the same in every run.
//  - dotcast gives every file (every worker thread) a generator of its own, DotRandom() for
//    the default start or DotRandom(seed) for --seed; a generator is not shared between
//    threads.
//
// The generator is a SplitMix64 sequence mapped to [0, 1) by taking the top 53 bits, our own
// arithmetic throughout: the numbers are the same with every compiler and standard library
// (std::uniform_real_distribution is not), and nothing is ever taken from the clock.

#include <cstdint>

namespace dotcaster::convert {

class DotRandom {
 public:
  static constexpr std::uint64_t kDefaultSeed = 0x5DEECE66DULL;

  DotRandom() = default;
  explicit DotRandom(std::uint64_t seed) : state_(seed) {}

  // Uniform in [0, 1): a multiple of 2^-53, never 1.
  double Next() {
    ++draws_;
    state_ += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
  }

  // How many numbers this generator has handed out.
  std::uint64_t draws() const { return draws_; }

 private:
  std::uint64_t state_ = kDefaultSeed;
  std::uint64_t draws_ = 0;
};

// The window's generator, created at the default start on first use. User-interface thread
// only.
DotRandom& TheDotRandom();

}  // namespace dotcaster::convert
