// Draws Dotcaster's sample picture, a test card, and writes it as a JPEG (or a 24-bit
// BMP, or a PPM, by the name's extension):
//
//   make_testcard OUT.jpg [WIDTHxHEIGHT]     (default 408 x 256, the device's ratio)
//
// The card: the name in large letters on a white band; a landscape (sky gradient, sun,
// hills with texture, a lake with ripples) on the left; colour bars, rings and a
// checkerboard on the right; a grey ramp from black to white along the bottom. Everything
// is drawn in coordinates relative to the size, so the benchmarks use the same card at
// any size. Deterministic: the same size gives the same bytes.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <jpeglib.h>

namespace {

struct Rgb {
  double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// A smooth, repeatable texture in [0, 1): value noise over an integer lattice.
double Hash(int x, int y) {
  std::uint32_t h =
      static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65536.0;
}

double Noise(double x, double y) {
  const int ix = static_cast<int>(std::floor(x));
  const int iy = static_cast<int>(std::floor(y));
  const double fx = x - ix, fy = y - iy;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double top = Hash(ix, iy) + (Hash(ix + 1, iy) - Hash(ix, iy)) * sx;
  const double bottom = Hash(ix, iy + 1) + (Hash(ix + 1, iy + 1) - Hash(ix, iy + 1)) * sx;
  return top + (bottom - top) * sy;
}

// 5 x 7 capitals, one string of 7 rows per glyph, '#' for ink.
const char* Glyph(char c) {
  switch (c) {
    case 'D':
      return "####.#...##...##...##...##...#####.";
    case 'O':
      return ".###.#...##...##...##...##...#.###.";
    case 'T':
      return "#####..#....#....#....#....#....#..";
    case 'C':
      return ".####"
             "#...."
             "#...."
             "#...."
             "#...."
             "#...."
             ".####";
    case 'A':
      return ".###.#...##...#######...##...##...#";
    case 'S':
      return ".####"
             "#...."
             "#...."
             ".###."
             "....#"
             "....#"
             "####.";
    case 'E':
      return "######....#....####.#....#....#####";
    case 'R':
      return "####.#...##...#####.#.#..#..#.#...#";
    default:
      return "...................................";
  }
}

bool TextInk(std::string_view text, double u, double v) {
  // u, v in [0, 1) over the text's box: 6 columns per glyph (one of spacing), 7 rows.
  const int cols = static_cast<int>(text.size()) * 6;
  const int col = static_cast<int>(u * cols);
  const int row = static_cast<int>(v * 7);
  if (col < 0 || col >= cols || row < 0 || row >= 7 || col % 6 == 5) return false;
  return Glyph(text[static_cast<std::size_t>(col / 6)])[row * 5 + col % 6] == '#';
}

Rgb Landscape(double u, double v) {
  // u, v in [0, 1) over the landscape panel.
  const Rgb sky_top{40, 90, 190}, sky_low{200, 225, 250};
  Rgb c = Mix(sky_top, sky_low, v / 0.55);
  const double sun = std::hypot(u - 0.72, (v - 0.22) * 1.1);
  if (sun < 0.10) {
    c = {255, 235, 120};
  } else if (sun < 0.22) {
    c = Mix({255, 220, 140}, c, (sun - 0.10) / 0.12);
  }
  const double far_ridge = 0.45 + 0.08 * std::sin(u * 7.0) + 0.05 * Noise(u * 9, 3.0);
  if (v > far_ridge) c = Mix({95, 110, 140}, {70, 85, 110}, (v - far_ridge) * 6);
  const double near_ridge = 0.60 + 0.10 * std::sin(u * 4.0 + 1.0) + 0.04 * Noise(u * 14, 7.0);
  if (v > near_ridge) {
    const double shade = Noise(u * 40, v * 40) * 0.5 + Noise(u * 9, v * 9) * 0.5;
    c = Mix({50, 110, 45}, {20, 60, 25}, shade + (v - near_ridge) * 1.5);
  }
  if (v > 0.80) {
    const double ripple = 0.5 + 0.5 * std::sin(v * 180.0 + Noise(u * 20, v * 5) * 6.0);
    c = Mix({30, 70, 140}, {150, 190, 235}, ripple * (1.0 - (v - 0.80) * 2.5));
  }
  return c;
}

Rgb TestPattern(double u, double v) {
  // u, v in [0, 1) over the pattern panel.
  if (v < 0.45) {
    static const Rgb bars[] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                               {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
    return bars[std::min(7, static_cast<int>(u * 8))];
  }
  const double lv = (v - 0.45) / 0.55;
  if (u < 0.5) {
    const double r = std::hypot(u - 0.25, (lv - 0.5) * 0.55 / 1.0 * 0.9);
    return (static_cast<int>(r * 40) % 2 == 0) ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  }
  const int cx = static_cast<int>((u - 0.5) * 16), cy = static_cast<int>(lv * 9);
  return ((cx + cy) % 2 == 0) ? Rgb{20, 20, 20} : Rgb{235, 235, 235};
}

Rgb Card(double u, double v) {
  if (v < 0.16) {
    // The name on a white band, centred, about 11 % of the height.
    const double tu = (u - 0.22) / 0.56, tv = (v - 0.025) / 0.11;
    return TextInk("DOTCASTER", tu, tv) ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  }
  if (v < 0.84) {
    const double pv = (v - 0.16) / 0.68;
    return u < 0.5 ? Landscape(u * 2, pv) : TestPattern((u - 0.5) * 2, pv);
  }
  const double grey = std::floor(u * 255.999);
  return {grey, grey, grey};
}

std::vector<std::uint8_t> Draw(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  std::size_t at = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = Card((x + 0.5) / width, (y + 0.5) / height);
      rgb[at++] = static_cast<std::uint8_t>(std::clamp(c.r, 0.0, 255.0));
      rgb[at++] = static_cast<std::uint8_t>(std::clamp(c.g, 0.0, 255.0));
      rgb[at++] = static_cast<std::uint8_t>(std::clamp(c.b, 0.0, 255.0));
    }
  }
  return rgb;
}

bool WriteJpeg(const char* path, int width, int height, const std::vector<std::uint8_t>& rgb) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(&rgb[static_cast<std::size_t>(cinfo.next_scanline) * width * 3]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

void Le(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

bool WriteFile(const char* path, const std::vector<std::uint8_t>& bytes) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

bool WriteBmp24(const char* path, int width, int height, const std::vector<std::uint8_t>& rgb) {
  const std::uint32_t row = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  std::vector<std::uint8_t> out = {'B', 'M'};
  Le(out, 54 + row * height, 4);
  Le(out, 0, 4);
  Le(out, 54, 4);
  Le(out, 40, 4);
  Le(out, width, 4);
  Le(out, height, 4);
  Le(out, 1, 2);
  Le(out, 24, 2);
  Le(out, 0, 4);
  Le(out, row * height, 4);
  Le(out, 2835, 4);
  Le(out, 2835, 4);
  Le(out, 0, 4);
  Le(out, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      out.insert(out.end(), {p[2], p[1], p[0]});
    }
    out.resize(start + row, 0);
  }
  return WriteFile(path, out);
}

bool WritePpm(const char* path, int width, int height, const std::vector<std::uint8_t>& rgb) {
  const std::string header =
      "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  std::vector<std::uint8_t> out(header.begin(), header.end());
  out.insert(out.end(), rgb.begin(), rgb.end());
  return WriteFile(path, out);
}

bool EndsWith(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_testcard OUT.jpg|OUT.bmp|OUT.ppm [WIDTHxHEIGHT]\n");
    return 2;
  }
  int width = 408, height = 256;
  if (argc == 3 && (std::sscanf(argv[2], "%dx%d", &width, &height) != 2 || width < 8 ||
                    height < 8 || width > 20000 || height > 20000)) {
    std::fprintf(stderr, "make_testcard: size %s: expected WIDTHxHEIGHT, 8..20000 each\n", argv[2]);
    return 2;
  }
  const std::vector<std::uint8_t> rgb = Draw(width, height);
  const std::string_view path = argv[1];
  const bool ok = EndsWith(path, ".bmp")   ? WriteBmp24(argv[1], width, height, rgb)
                  : EndsWith(path, ".ppm") ? WritePpm(argv[1], width, height, rgb)
                                           : WriteJpeg(argv[1], width, height, rgb);
  if (!ok) {
    std::fprintf(stderr, "make_testcard: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
