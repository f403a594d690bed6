#pragma once

// How much input Dotcaster accepts and how much memory reading it may take, in one value
// that is handed to everything that reads files or decodes pictures. Each limit is checked
// before the memory for the input is allocated, so an absurd file or header is refused with
// an error instead of exhausting memory or time. Tests and fuzz targets pass small limits of
// their own.

#include <cstdint>

namespace dotcaster {

struct Limits {
  // The longest file that is read: a 100-megapixel JPEG at the highest quality is under
  // 64 MB, and a longer file is refused before any of it is read.
  std::uint64_t max_file_bytes = std::uint64_t{64} << 20;
  // The largest width or height of a picture: the state keeps sizes as 16-bit numbers.
  int max_side = 32767;
  // The most pixels a picture may have when decoded whole: 120 MB of RGB. A JPEG decoded at
  // a reduced scale is limited by its full size all the same.
  std::int64_t max_pixels = 40'000'000;
  // The most memory one decode may hold at once: the decoded pixels, and for a progressive
  // JPEG the coefficients of the whole frame, which it keeps whatever the output scale
  // (a 40-megapixel 4:2:0 photo needs 120 MB of them).
  std::uint64_t max_decode_bytes = std::uint64_t{128} << 20;
  // The most scans a progressive JPEG may have; encoders write about ten, and every scan
  // costs a pass over the whole frame.
  int max_scans = 500;
  // What the parallel jobs of one dotcast batch may hold together: a job waits until the
  // memory its file needs is free. With the program's own few megabytes the batch stays
  // under 256 MB whatever the inputs and the number of jobs.
  std::uint64_t batch_memory_bytes = std::uint64_t{224} << 20;
};

// What the window and dotcast accept.
inline constexpr Limits kDefaultLimits{};

}  // namespace dotcaster
