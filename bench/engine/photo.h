#pragma once

// A photo-like test picture made at run time (smooth shading, edges and sensor-like noise)
// and encoded as a baseline JPEG with cjpeg, so that the benchmarks need no stored files.

#include <cstdint>
#include <string>
#include <vector>

namespace dotcaster::bench {

// Writes a w x h baseline JPEG (quality 90) to path; false when cjpeg is missing.
bool WritePhotoJpeg(const std::string& path, int width, int height);

std::vector<std::uint8_t> ReadBytes(const std::string& path);

}  // namespace dotcaster::bench
