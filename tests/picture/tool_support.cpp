#include "tool_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "temp_dir.h"

namespace dotcaster::picture::testing {
namespace {

// Runs command with its standard input and output redirected to the files given; "{convert}"
// becomes ImageMagick's convert, the packaged binary when there is one.
bool RunFiltered(std::string command, const std::string& from, const std::string& to) {
  const std::string key = "{convert}";
  const std::string tool = std::ifstream("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
  for (std::size_t at; (at = command.find(key)) != std::string::npos;)
    command.replace(at, key.size(), tool);
  return std::system(("(" + command + ") < '" + from + "' > '" + to + "' 2>/dev/null").c_str()) ==
         0;
}

// A binary PPM of maxval 255 as netpbm writes it: no comments, one blank or newline apart.
std::optional<RgbImage> ReadPpm(const std::string& path) {
  std::vector<std::uint8_t> file = dotcaster::testing::ReadAll(path);
  int w = 0, h = 0, size = 0;
  std::sscanf(std::string(file.begin(), file.end()).c_str(), "P6 %d %d 255%*1[ \n]%n", &w, &h,
              &size);
  if (size == 0 || file.size() != size + std::size_t{3} * w * h) return std::nullopt;
  file.erase(file.begin(), file.begin() + size);
  return RgbImage{w, h, std::move(file)};
}

void WritePpm(const std::string& path, const RgbImage& image) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << image.width << " " << image.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(image.rgb.data()),
            static_cast<std::streamsize>(image.rgb.size()));
}

}  // namespace

RgbImage Pattern(int width, int height, int colours) {
  RgbImage img{width, height,
               std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3)};
  std::uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      std::uint8_t* p = img.rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      p[0] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
      p[1] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
      p[2] = static_cast<std::uint8_t>(((x / 4 + y / 4) % 2) ? 200 : (seed >> 16) & 0xFF);
      if (colours == 2) {
        const int g = (299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000;
        p[0] = p[1] = p[2] = g > 128 ? 255 : 0;
      } else if (colours > 0) {
        const int levels = colours >= 64 ? 4 : 2;
        for (int c = 0; c < 3; ++c)
          p[c] = static_cast<std::uint8_t>(p[c] * levels / 256 * 255 / (levels - 1));
      }
    }
  }
  return img;
}

std::optional<Encoded> Encode(const std::string& folder, const RgbImage& picture,
                              const std::string& encode, const std::string& decode) {
  const std::string in = folder + "/in.ppm", file = folder + "/picture", ref = folder + "/ref";
  WritePpm(in, picture);
  if (!RunFiltered(encode, in, file)) return std::nullopt;
  Encoded out{dotcaster::testing::ReadAll(file), {}};
  if (decode.empty()) return out;
  // Grey and bilevel references become colour PPMs.
  if (!RunFiltered("(" + decode + ") | ppmtoppm", file, ref)) return std::nullopt;
  auto reference = ReadPpm(ref);
  if (!reference) return std::nullopt;
  out.reference = std::move(*reference);
  return out;
}

::testing::AssertionResult DotsAreThresholds(const DotImage& dots, const RgbImage& reference,
                                             int src_x, int src_y, int level) {
  for (int y = 0; y < dots.height(); ++y) {
    for (int x = 0; x < dots.width(); ++x) {
      const std::uint8_t* p = reference.Pixel(src_x + x, src_y + y);
      const bool light = (299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000 > level;
      if (dots.dot(x, y) == light) {
        return ::testing::AssertionFailure() << "dot " << x << "," << y << " level " << level;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult PixelsWithin(const RgbImage& a, const RgbImage& b, int tolerance) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) {
    return ::testing::AssertionFailure()
           << a.width << " x " << a.height << " against " << b.width << " x " << b.height;
  }
  for (std::size_t i = 0; i < a.rgb.size(); ++i) {
    if (std::abs(int{a.rgb[i]} - int{b.rgb[i]}) > tolerance)
      return ::testing::AssertionFailure() << "pixel " << i / 3 % a.width << "," << i / 3 / a.width;
  }
  return ::testing::AssertionSuccess();
}

}  // namespace dotcaster::picture::testing
