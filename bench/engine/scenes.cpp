#include "scenes.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace dotcaster::bench {
namespace {

struct Rgb {
  double r, g, b;
};

Rgb operator*(Rgb c, double k) {
  return {c.r * k, c.g * k, c.b * k};
}
Rgb operator+(Rgb a, Rgb b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}
Rgb Mix(Rgb a, Rgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return a * (1 - t) + b * t;
}
// 0 below lo, 1 above hi, a smooth step between.
double Smooth(double lo, double hi, double x) {
  const double t = std::clamp((x - lo) / (hi - lo), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Every pixel the average of 3 x 3 samples of f(u, v), u across the width and v down the
// height, both in [0, 1): edges come out soft, as a lens draws them.
picture::RgbImage Render(int width, int height, const std::function<Rgb(double, double)>& f) {
  picture::RgbImage image{width, height, std::vector<std::uint8_t>()};
  image.rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Rgb sum{0, 0, 0};
      for (int sy = 0; sy < 3; ++sy) {
        for (int sx = 0; sx < 3; ++sx)
          sum = sum + f((x + (sx + 0.5) / 3) / width, (y + (sy + 0.5) / 3) / height);
      }
      for (double c : {sum.r, sum.g, sum.b})
        image.rgb.push_back(static_cast<std::uint8_t>(std::clamp(c / 9 + 0.5, 0.0, 255.0)));
    }
  }
  return image;
}

Rgb Gradients(double u, double v) {
  if (v < 0.25) return Rgb{255, 255, 255} * u;
  if (v < 0.5) {
    const Rgb hue{255 * (1 - u), 255 * (1 - std::abs(2 * u - 1)), 255 * u};
    return Mix(hue, Rgb{255, 255, 255}, (v - 0.25) * 2.4);
  }
  const double glow = std::exp(-(std::pow(u - 0.25, 2) + std::pow(v - 0.75, 2)) / 0.02);
  const Rgb radial = Mix(Rgb{10, 20, 60}, Rgb{255, 245, 220}, glow);
  const Rgb wave = Rgb{255, 255, 255} * (0.5 + 0.4 * std::sin(9 * u + 5 * v));
  return Mix(radial, wave, Smooth(0.45, 0.6, u));
}

Rgb Spheres(double u, double v, double aspect) {
  const double x = u * aspect;
  Rgb c = v < 0.55 ? Mix(Rgb{200, 190, 175}, Rgb{120, 110, 100}, v / 0.55)
                   : Mix(Rgb{90, 80, 70}, Rgb{215, 200, 180}, (v - 0.55) / 0.45);
  struct Ball {
    double x, y, r;
    Rgb colour;
  };
  static const Ball balls[] = {{0.35, 0.62, 0.17, {210, 60, 50}},
                               {0.78, 0.55, 0.12, {60, 140, 210}},
                               {1.05, 0.70, 0.20, {235, 225, 210}},
                               {0.60, 0.80, 0.09, {40, 40, 45}}};
  for (const Ball& b : balls) {  // shadows first, down and to the right of each ball
    const double d = std::hypot((x - b.x - 0.6 * b.r) / 1.3, (v - b.y - 0.8 * b.r) * 2.2);
    c = c * (1 - 0.55 * (1 - Smooth(b.r * 0.6, b.r * 1.2, d)));
  }
  const double lx = -0.5, ly = -0.6, lz = 0.62;  // towards the light, top left, in front
  for (const Ball& b : balls) {
    const double nx = (x - b.x) / b.r, ny = (v - b.y) / b.r, n2 = nx * nx + ny * ny;
    if (n2 >= 1) continue;
    const double nz = std::sqrt(1 - n2);
    const double lambert = std::max(0.0, nx * lx + ny * ly + nz * lz);
    const double shine = std::pow(std::max(0.0, 2 * nz * (nx * lx + ny * ly + nz * lz) - lz), 40);
    c = b.colour * (0.12 + 0.88 * lambert) + Rgb{255, 255, 255} * (0.7 * shine);
  }
  return c;
}

Rgb Landscape(double u, double v) {
  Rgb c = Mix(Rgb{45, 90, 185}, Rgb{220, 230, 242}, v / 0.45);
  const double sun = std::hypot(u - 0.74, (v - 0.17) * 0.75);
  c = Mix(c, Rgb{255, 248, 215}, std::exp(-sun * sun / 0.004) + (sun < 0.035 ? 1 : 0));
  double cloud = 0;
  for (const auto& [cx, cy, s] : {std::tuple{0.20, 0.14, 0.05},
                                  {0.27, 0.11, 0.06},
                                  {0.35, 0.15, 0.05},
                                  {0.50, 0.26, 0.04},
                                  {0.56, 0.24, 0.05}})
    cloud += std::exp(-(std::pow((u - cx) / 2, 2) + std::pow(v - cy, 2)) / (s * s));
  c = Mix(c, Mix(Rgb{250, 250, 252}, Rgb{170, 175, 190}, (v - 0.08) * 5), cloud);
  const double far =
      0.40 - 0.07 * std::sin(u * 7 + 1) - 0.04 * std::sin(u * 17 + 2) - 0.015 * std::sin(u * 41);
  if (v > far) c = Mix(Rgb{110, 125, 160}, Rgb{150, 160, 185}, (v - far) * 4);
  const double hill = 0.55 + 0.05 * std::sin(u * 5 + 2) + 0.02 * std::sin(u * 13);
  if (v > hill) {
    const double slope = 0.25 * std::cos(u * 5 + 2) + 0.26 * std::cos(u * 13);
    c = Mix(Rgb{95, 150, 60}, Rgb{25, 60, 25}, (v - hill) * 3 + slope * 0.5);
  }
  // A tree on the left: a trunk and a round crown, lit from the sun's side.
  const double crown = std::hypot((u - 0.12) * 1.33, v - 0.50);
  if (std::abs(u - 0.12) < 0.008 && v > 0.50 && v < 0.66) c = Rgb{60, 40, 25};
  if (crown < 0.09) c = Mix(Rgb{70, 120, 45}, Rgb{15, 45, 15}, 0.5 + (0.12 - u) * 6 + crown * 3);
  return c;
}

Rgb Scene(double u, double v) {
  if (v < 0.72) return Landscape(u, v);
  // The lake mirrors what stands above its shore, darker and bluer, with slow swells.
  const double mirrored = 0.72 - (v - 0.72) * 1.6 + 0.004 * std::sin(v * 90);
  return Mix(Landscape(u, std::max(0.0, mirrored)) * 0.75, Rgb{30, 60, 110}, (v - 0.72) * 1.5);
}

}  // namespace

picture::RgbImage DrawGradients(int width, int height) {
  return Render(width, height, Gradients);
}

picture::RgbImage DrawSpheres(int width, int height) {
  const double aspect = static_cast<double>(width) / height;
  return Render(width, height, [aspect](double u, double v) { return Spheres(u, v, aspect); });
}

picture::RgbImage DrawScene(int width, int height) {
  return Render(width, height, Scene);
}

std::vector<std::uint8_t> EncodeBmp24(const picture::RgbImage& image) {
  const std::size_t stride = (static_cast<std::size_t>(image.width) * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> out(54 + stride * static_cast<std::size_t>(image.height), 0);
  auto put32 = [&out](std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
      out[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<std::uint32_t>(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(image.width));
  put32(22, static_cast<std::uint32_t>(image.height));
  out[26] = 1;
  out[28] = 24;
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = out.data() + 54 + stride * static_cast<std::size_t>(image.height - 1 - y);
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = image.Pixel(x, y);
      row[3 * x] = p[2];
      row[3 * x + 1] = p[1];
      row[3 * x + 2] = p[0];
    }
  }
  return out;
}

}  // namespace dotcaster::bench
