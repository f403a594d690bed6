#include "photo.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace dotcaster::bench {

bool WritePhotoJpeg(const std::string& path, int width, int height) {
  const std::string ppm = path + ".ppm";
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    std::uint32_t seed = 99;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>((seed >> 24) % 25) - 12;
        const double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
        const double shade = 0.5 + 0.35 * std::sin(fx * 9.0 + fy * 4.0) * std::cos(fy * 7.0);
        const bool edge = ((x / 250) + (y / 180)) % 3 == 0;
        auto clamp = [](double v) {
          return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
        };
        row[3 * x] = clamp(255 * shade + noise + (edge ? 40 : 0));
        row[3 * x + 1] = clamp(220 * shade * (1 - fy * 0.3) + noise);
        row[3 * x + 2] = clamp(180 * (1 - shade) + noise + (edge ? -30 : 0));
      }
      out.write(reinterpret_cast<const char*>(row.data()),
                static_cast<std::streamsize>(row.size()));
    }
  }
  const std::string cmd = "cjpeg -quality 90 '" + ppm + "' > '" + path + "' 2>/dev/null";
  const bool ok = std::system(cmd.c_str()) == 0;
  std::remove(ppm.c_str());
  return ok;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace dotcaster::bench
