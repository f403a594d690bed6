#pragma once

// How much input Dotcaster accepts, in one value that is handed to everything that reads
// files or decodes pictures. Each limit is checked before the memory for the input is
// allocated, so an absurd file or header is refused with an error instead of exhausting
// memory. Tests and fuzz targets pass small limits of their own.

#include <cstdint>

namespace dotcaster {

struct Limits {
  // The longest file that is read into memory.
  std::uint64_t max_file_bytes = std::uint64_t{512} << 20;
  // The largest width or height of a picture: the state keeps sizes as 16-bit numbers.
  int max_side = 32767;
  // The most pixels a picture may have when decoded whole: 120 MB of RGB. A JPEG decoded at
  // a reduced scale is limited by its full size all the same.
  std::int64_t max_pixels = 40'000'000;
};

// What the window and dotcast accept.
inline constexpr Limits kDefaultLimits{};

}  // namespace dotcaster
