#include "tool_support.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace dotcaster::picture::testing {

bool RunShell(const std::string& command) {
  return std::system((command + " 2>/dev/null").c_str()) == 0;
}

namespace {

std::string Filled(std::string command) {
  const std::string key = "{convert}";
  // ImageMagick's convert, preferring the packaged binary.
  const std::string tool = std::ifstream("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
  for (std::size_t at; (at = command.find(key)) != std::string::npos;)
    command.replace(at, key.size(), tool);
  return command;
}

// Runs command with its standard input and output redirected to the files given.
bool RunFiltered(const std::string& command, const std::string& from, const std::string& to) {
  std::string line = "(";
  line.append(Filled(command)).append(") < '").append(from).append("' > '").append(to);
  return RunShell(line.append("'"));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

std::optional<RgbImage> ReadPnm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string magic;
  in >> magic;
  auto next_number = [&in]() {
    int c;
    while ((c = in.peek()) != EOF && (std::isspace(c) || c == '#')) {
      if (c == '#') {
        std::string skip;
        std::getline(in, skip);
      } else {
        in.get();
      }
    }
    long v = -1;
    in >> v;
    return v;
  };
  const long w = next_number(), h = next_number();
  const long maxval = magic == "P4" ? 255 : next_number();
  in.get();
  if (!in || w <= 0 || h <= 0 || maxval != 255 ||
      (magic != "P4" && magic != "P5" && magic != "P6")) {
    return std::nullopt;
  }
  RgbImage img;
  img.width = static_cast<int>(w);
  img.height = static_cast<int>(h);
  img.rgb.resize(static_cast<std::size_t>(w * h * 3));
  if (magic == "P4") {  // 1 bit per pixel, 1 is black, rows padded to bytes
    const long row_bytes = (w + 7) / 8;
    std::vector<char> bits(static_cast<std::size_t>(row_bytes * h));
    in.read(bits.data(), static_cast<std::streamsize>(bits.size()));
    for (long y = 0; y < h; ++y) {
      for (long x = 0; x < w; ++x) {
        const bool black =
            (bits[static_cast<std::size_t>(y * row_bytes + x / 8)] >> (7 - x % 8)) & 1;
        const std::size_t i = static_cast<std::size_t>(y * w + x) * 3;
        img.rgb[i] = img.rgb[i + 1] = img.rgb[i + 2] = black ? 0 : 255;
      }
    }
  } else if (magic == "P6") {
    in.read(reinterpret_cast<char*>(img.rgb.data()), static_cast<std::streamsize>(w * h * 3));
  } else {
    std::vector<char> grey(static_cast<std::size_t>(w * h));
    in.read(grey.data(), static_cast<std::streamsize>(grey.size()));
    for (std::size_t i = 0; i < grey.size(); ++i) {
      img.rgb[3 * i] = img.rgb[3 * i + 1] = img.rgb[3 * i + 2] = static_cast<std::uint8_t>(grey[i]);
    }
  }
  if (!in) return std::nullopt;
  return img;
}

void WritePpm(const std::string& path, const RgbImage& image) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << image.width << " " << image.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(image.rgb.data()),
            static_cast<std::streamsize>(image.rgb.size()));
}

RgbImage Pattern(int width, int height, int colours) {
  RgbImage img;
  img.width = width;
  img.height = height;
  img.rgb.resize(static_cast<std::size_t>(width) * height * 3);
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
        // A small palette: quantise each channel.
        const int levels = colours >= 64 ? 4 : 2;
        for (int c = 0; c < 3; ++c) {
          p[c] = static_cast<std::uint8_t>(p[c] * levels / 256 * 255 / (levels - 1));
        }
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
  Encoded out{ReadBytes(file), {}};
  if (decode.empty()) return out;
  if (!RunFiltered(decode, file, ref)) return std::nullopt;
  auto reference = ReadPnm(ref);
  if (!reference) return std::nullopt;
  out.reference = std::move(*reference);
  return out;
}

std::optional<Difference> Compare(const RgbImage& a, const RgbImage& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size()) {
    return std::nullopt;
  }
  Difference d;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) {
    const int delta = std::abs(int{a.rgb[i]} - int{b.rgb[i]});
    if (delta > 0) ++d.differing;
    d.max_delta = std::max(d.max_delta, delta);
  }
  return d;
}

}  // namespace dotcaster::picture::testing
