// How good the dots look: the dithering quality score.
//
// Every picture of a small set - three photo-like scenes drawn here (scenes.h), ImageMagick's
// built-in photo "rose:" (shipped with Debian's imagemagick package) and the test card that
// make_testcard draws - is converted to 102 x 64 and 320 x 240 by every method at level 128.
// Each result is compared with the grey picture placed the same way (the engine's own view,
// white margins) after both are blurred by a Gaussian of sigma 1.5 dots, a simple model of
// the eye at viewing distance: PSNR in dB over the dots the picture covers. ImageMagick's
// "-dither FloydSteinberg -monochrome" and "-ordered-dither o8x8" on the same placed grey
// picture are scored alike, and so are both scan orders of the diffusion methods. The two
// ordered dithers are scored once more at every position of their 8 x 8 pattern.
//
//   cmake --preset bench && cmake --build --preset bench --target dither_quality
//   build/bench/bench/engine/dither_quality                   tables and targets (exit 1
//                                                             when a target is missed)
//   build/bench/bench/engine/dither_quality --sheet OUT.png   the scene at 102 x 64 by
//                                                             every method, 3x, labelled
//   build/bench/bench/engine/dither_quality --atkinson-tones  the measurement behind
//                                                             convert::AtkinsonTone
//   build/bench/bench/engine/dither_quality --ordered-thresholds  the derivation of
//                                                             convert::kOrderedThresholds

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "convert/dither.h"
#include "convert/mono.h"
#include "picture/convert_picture.h"
#include "picture/source_picture.h"
#include "scenes.h"

namespace dotcaster::bench {
namespace {

// Grey values 0..255 of a whole output, margins included.
struct Plane {
  int width = 0;
  int height = 0;
  std::vector<double> v;
  Plane(int w, int h, double fill)
      : width(w), height(h), v(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
  double& at(int x, int y) {
    return v[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
             static_cast<std::size_t>(x)];
  }
  double at(int x, int y) const { return const_cast<Plane*>(this)->at(x, y); }
};

struct Picture {
  std::string name;
  bool photo = true;
  std::vector<std::uint8_t> bytes;
};

struct Size {
  int width, height;
};
constexpr Size kSizes[] = {{102, 64}, {320, 240}};

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("dotcaster_quality_" + name)).string();
}

bool Run(const std::string& command) {
  return std::system((command + " 2>/dev/null").c_str()) == 0;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The drawn scenes at 640 x 480, so that both outputs shrink them; then the pictures made by
// other programs, left out with a note when the program is missing.
std::vector<Picture> Pictures() {
  std::vector<Picture> pictures = {{"scene", true, EncodeBmp24(DrawScene(640, 480))},
                                   {"spheres", true, EncodeBmp24(DrawSpheres(640, 480))},
                                   {"gradients", true, EncodeBmp24(DrawGradients(640, 480))}};
  const std::string rose = TempPath("rose.bmp");
  if (Run("convert rose: BMP3:'" + rose + "'")) {
    pictures.push_back({"rose", true, ReadFile(rose)});
  } else {
    std::fprintf(stderr, "note: no ImageMagick, no rose\n");
  }
  const std::string card = TempPath("testcard.bmp");
  if (Run(std::string("'") + MAKE_TESTCARD + "' '" + card + "' 816x512")) {
    pictures.push_back({"testcard", false, ReadFile(card)});
  } else {
    std::fprintf(stderr, "note: make_testcard failed, no test card\n");
  }
  std::filesystem::remove(rose);
  std::filesystem::remove(card);
  return pictures;
}

convert::ConvertRequest Request(Size size, int method) {
  return {size.width, size.height, true, true, std::nullopt, method, 128};
}

std::uint32_t Colour(const picture::ViewImage& view, int x, int y) {
  const std::uint8_t* p = view.image().Pixel(x, y);
  return p[0] | (p[1] << 8) | (p[2] << 16);
}

// The grey the dots stand for: the engine's view of the placed picture, white margins.
Plane PlacedGrey(const picture::PlacedView& placed) {
  const convert::MonoPlacement& p = placed.placement;
  Plane grey(placed.mono.out_width, placed.mono.out_height, 255);
  for (int y = 0; y < p.view_height; ++y) {
    for (int x = 0; x < p.view_width; ++x)
      grey.at(p.ox + x, p.oy + y) = convert::GrayLevel(Colour(placed.view, x, y));
  }
  return grey;
}

Plane FromDots(const DotImage& dots) {
  Plane plane(dots.width(), dots.height(), 255);
  for (int y = 0; y < dots.height(); ++y) {
    for (int x = 0; x < dots.width(); ++x)
      plane.at(x, y) = dots.dot(x, y) ? 0 : 255;
  }
  return plane;
}

// Gaussian of sigma 1.5 dots. Beyond the output's edge there is nothing to see: each dot
// averages only the dots inside, its weights scaled up to 1. (Repeating the edge row
// outwards instead would weigh that one row of dots several times over and make a score
// depend on the luck of the first and last row's pattern.)
Plane Blur(const Plane& in) {
  constexpr int kRadius = 5;
  double kernel[2 * kRadius + 1];
  for (int k = -kRadius; k <= kRadius; ++k)
    kernel[k + kRadius] = std::exp(-k * k / (2 * 1.5 * 1.5));
  auto pass = [&](const Plane& from, bool across) {
    Plane to(from.width, from.height, 0);
    const int length = across ? from.width : from.height;
    for (int y = 0; y < from.height; ++y) {
      for (int x = 0; x < from.width; ++x) {
        double sum = 0, weight = 0;
        for (int k = -kRadius; k <= kRadius; ++k) {
          const int at = (across ? x : y) + k;
          if (at < 0 || at >= length) continue;
          sum += kernel[k + kRadius] * (across ? from.at(at, y) : from.at(x, at));
          weight += kernel[k + kRadius];
        }
        to.at(x, y) = sum / weight;
      }
    }
    return to;
  };
  return pass(pass(in, true), false);
}

// PSNR of the blurred dots against the blurred grey, over the dots the picture covers.
double Score(const Plane& blurred_grey, const Plane& dots, const convert::MonoPlacement& p) {
  const Plane seen = Blur(dots);
  double sum = 0;
  for (int y = p.oy; y < p.oy + p.view_height; ++y) {
    for (int x = p.ox; x < p.ox + p.view_width; ++x)
      sum += std::pow(seen.at(x, y) - blurred_grey.at(x, y), 2);
  }
  const double mse = sum / (static_cast<double>(p.view_width) * p.view_height);
  return 10 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
}

// The scan order the diffusion methods do not use.
constexpr bool kRasterInUse = convert::kDiffusionScan == convert::Scan::kRaster;
constexpr convert::Scan kOtherScan =
    kRasterInUse ? convert::Scan::kSerpentine : convert::Scan::kRaster;

// Our diffusion with the other scan order, from the same grey at level 128.
Plane OtherScan(const Plane& grey, const convert::MonoPlacement& p, convert::Kernel kernel) {
  convert::GreyPlane plane{p.view_width, p.view_height, {}, {}};
  for (int y = 0; y < p.view_height; ++y) {
    for (int x = 0; x < p.view_width; ++x) {
      const int v = static_cast<int>(grey.at(p.ox + x, p.oy + y)) * convert::kSixteenths;
      if (kernel == convert::Kernel::kAtkinson) {
        const convert::AtkinsonInput a = convert::AtkinsonTone(v);
        plane.values.push_back(static_cast<std::int16_t>(a.value));
        plane.thresholds.push_back(static_cast<std::int16_t>(a.threshold));
      } else {
        plane.values.push_back(static_cast<std::int16_t>(v));
      }
    }
  }
  DotImage dots(grey.width, grey.height);
  convert::DiffuseError(plane, kernel, kOtherScan, dots, p.ox, p.oy);
  return FromDots(dots);
}

// ImageMagick's answer for the grey picture, through PGM files; nothing without it.
std::optional<Plane> ImageMagick(const Plane& grey, const std::string& options) {
  const std::string in = TempPath("in.pgm"), out = TempPath("out.pgm");
  {
    std::ofstream file(in, std::ios::binary);
    file << "P5\n" << grey.width << " " << grey.height << "\n255\n";
    for (double g : grey.v)
      file.put(static_cast<char>(std::lround(g)));
  }
  const bool ran = Run("convert '" + in + "' " + options + " -depth 8 '" + out + "'");
  const std::vector<std::uint8_t> bytes = ReadFile(out);
  std::filesystem::remove(in);
  std::filesystem::remove(out);
  int w = 0, h = 0, max = 0, header = 0;
  if (!ran || bytes.size() < 2 ||
      std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P5 %d %d %d%n", &w, &h, &max,
                  &header) != 3 ||
      w != grey.width || h != grey.height ||
      bytes.size() < static_cast<std::size_t>(header + 1 + w * h)) {
    return std::nullopt;
  }
  Plane plane(w, h, 255);
  for (std::size_t i = 0; i < plane.v.size(); ++i)
    plane.v[i] = bytes[static_cast<std::size_t>(header) + 1 + i] * 255.0 / max;
  return plane;
}

const char* const kMethodNames[] = {"Document",         "Photo(Sharp)",    "Photo(Soft)",
                                    "Photo(Diffusion)", "Photo(Atkinson)", "Photo(Ordered)"};
enum Row {
  kOtherDiffusion = 6,
  kOtherAtkinson,
  kMagickFloyd,
  kMagickOrdered,
  kMagickFloydRemap,
  kRows
};
const char* const kExtraNames[] = {
    kRasterInUse ? "Diffusion, serpentine scan" : "Diffusion, raster scan",
    kRasterInUse ? "Atkinson, serpentine scan" : "Atkinson, raster scan",
    "ImageMagick FloydSteinberg", "ImageMagick o8x8",
    "(ImageMagick FloydSteinberg -remap black/white)"};

// scores[row] for one picture at one size; NaN where a score could not be made.
std::vector<double> ScorePicture(const Picture& picture, Size size) {
  std::vector<double> scores(kRows, std::nan(""));
  auto source = picture::SourcePicture::FromBytes(picture.bytes, kDefaultLimits);
  if (!source) return scores;
  auto placed = picture::PlaceView(*source, Request(size, convert::kDocument));
  if (!placed) return scores;
  const convert::MonoPlacement& p = placed->placement;
  const Plane grey = PlacedGrey(*placed);
  const Plane seen = Blur(grey);
  for (int method = convert::kDocument; method <= convert::kPhotoOrdered; ++method) {
    convert::DotRandom random;
    auto result = picture::ConvertSourcePicture(*source, Request(size, method), random);
    if (result) scores[method] = Score(seen, FromDots(result->dots), p);
  }
  scores[kOtherDiffusion] = Score(seen, OtherScan(grey, p, convert::Kernel::kFloydSteinberg), p);
  scores[kOtherAtkinson] = Score(seen, OtherScan(grey, p, convert::Kernel::kAtkinson), p);
  if (auto fs = ImageMagick(grey, "-dither FloydSteinberg -monochrome")) {
    scores[kMagickFloyd] = Score(seen, *fs, p);
  }
  if (auto o8 = ImageMagick(grey, "-ordered-dither o8x8")) {
    scores[kMagickOrdered] = Score(seen, *o8, p);
  }
  // For comparison only: -monochrome dithers between the two greys its own quantizer picks
  // from the picture and only then maps them to black and white, so a flat grey comes out
  // solid (128 white, 64 black). Dithering straight to a black and white palette keeps the
  // greys.
  const std::string palette = TempPath("bw.pgm");
  if (Run("convert xc:black xc:white +append '" + palette + "'")) {
    if (auto fs = ImageMagick(grey, "-dither FloydSteinberg -remap '" + palette + "'")) {
      scores[kMagickFloydRemap] = Score(seen, *fs, p);
    }
  }
  std::filesystem::remove(palette);
  return scores;
}

const char* RowName(int row) {
  return row < kOtherDiffusion ? kMethodNames[row] : kExtraNames[row - kOtherDiffusion];
}

// Where the 8 x 8 pattern falls against the picture decides a good part of an ordered
// dither's score on a small picture, so both ordered dithers are also scored at all 64
// positions of the pattern: ours by padding the plane it dithers with white, ImageMagick's
// by padding its input (its pattern starts at the image's top-left corner).
struct Spread {
  double mean = 0, min = 1e9, max = -1e9;
  void Add(double s) {
    mean += s / 64;
    min = std::min(min, s);
    max = std::max(max, s);
  }
};

// Photo(Ordered) at level 128 with the pattern moved px, py dots against the picture.
Plane OrderedAt(const Plane& grey, const convert::MonoPlacement& p, int px, int py) {
  const auto tone = convert::ToneCurve(128);
  convert::GreyPlane plane{p.view_width + px, p.view_height + py, {}, {}};
  plane.values.assign(
      static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height), tone[255]);
  for (int y = 0; y < p.view_height; ++y) {
    for (int x = 0; x < p.view_width; ++x) {
      plane.values[static_cast<std::size_t>((y + py) * plane.width + x + px)] =
          tone[static_cast<std::size_t>(std::lround(grey.at(p.ox + x, p.oy + y)))];
    }
  }
  DotImage dots(grey.width + 8, grey.height + 8);
  convert::OrderedDither(plane, dots, p.ox + 8 - px, p.oy + 8 - py);
  Plane out(grey.width, grey.height, 255);
  for (int y = 0; y < p.view_height; ++y) {
    for (int x = 0; x < p.view_width; ++x)
      out.at(p.ox + x, p.oy + y) = dots.dot(p.ox + 8 + x, p.oy + 8 + y) ? 0 : 255;
  }
  return out;
}

// {ours, ImageMagick's} over the 64 positions; ImageMagick's NaN without it. Its 64 inputs
// go through one run, stacked in bands whose heights are whole tiles.
std::pair<Spread, Spread> OrderedSpreads(const Picture& picture, Size size) {
  Spread ours, theirs;
  theirs.mean = std::nan("");
  auto source = picture::SourcePicture::FromBytes(picture.bytes, kDefaultLimits);
  if (!source) return {ours, theirs};
  auto placed = picture::PlaceView(*source, Request(size, convert::kDocument));
  if (!placed) return {ours, theirs};
  const convert::MonoPlacement& p = placed->placement;
  const Plane grey = PlacedGrey(*placed);
  const Plane seen = Blur(grey);
  const int band = (grey.height + 7) / 8 * 8 + 8;
  Plane stacked(grey.width + 8, 64 * band, 255);
  for (int i = 0; i < 64; ++i) {
    ours.Add(Score(seen, OrderedAt(grey, p, i % 8, i / 8), p));
    for (int y = 0; y < grey.height; ++y) {
      for (int x = 0; x < grey.width; ++x)
        stacked.at(x + i % 8, i * band + i / 8 + y) = grey.at(x, y);
    }
  }
  if (auto o8 = ImageMagick(stacked, "-ordered-dither o8x8")) {
    theirs = {};
    for (int i = 0; i < 64; ++i) {
      Plane one(grey.width, grey.height, 255);
      for (int y = 0; y < grey.height; ++y) {
        for (int x = 0; x < grey.width; ++x)
          one.at(x, y) = o8->at(x + i % 8, i * band + i / 8 + y);
      }
      theirs.Add(Score(seen, one, p));
    }
  }
  return {ours, theirs};
}

// The ordered dithers' table over every position; returns the photos where ours averages
// no higher than ImageMagick's.
int PositionTable(const std::vector<Picture>& pictures) {
  int missed = 0;
  std::printf(
      "\nThe ordered dithers at all 64 positions of the pattern: mean (lowest - highest)\n");
  for (const Size size : kSizes) {
    std::printf("\n| %d x %d |", size.width, size.height);
    for (const Picture& picture : pictures)
      std::printf(" %s |", picture.name.c_str());
    std::printf("\n|---|");
    for (std::size_t i = 0; i < pictures.size(); ++i)
      std::printf("---:|");
    std::vector<std::pair<Spread, Spread>> spreads;
    for (const Picture& picture : pictures)
      spreads.push_back(OrderedSpreads(picture, size));
    for (const bool ours : {true, false}) {
      std::printf("\n| %s |", ours ? "Photo(Ordered)" : "ImageMagick o8x8");
      for (const auto& [o, t] : spreads) {
        const Spread& s = ours ? o : t;
        std::printf(" %.1f (%.1f - %.1f) |", s.mean, s.min, s.max);
      }
    }
    std::printf("\n");
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      if (!pictures[i].photo || spreads[i].first.mean > spreads[i].second.mean) continue;
      ++missed;
      std::printf(
          "MISSED %s at %d x %d over every position: Photo(Ordered) %.2f dB, "
          "ImageMagick o8x8 %.2f dB\n",
          pictures[i].name.c_str(), size.width, size.height, spreads[i].first.mean,
          spreads[i].second.mean);
    }
  }
  return missed;
}

int Table() {
  const std::vector<Picture> pictures = Pictures();
  int missed = 0;
  double in_use = 0, other = 0;
  for (const Size size : kSizes) {
    std::vector<std::vector<double>> scores;
    for (const Picture& picture : pictures)
      scores.push_back(ScorePicture(picture, size));
    std::printf("\n%d x %d, PSNR in dB (blurred, sigma 1.5 dots)\n\n| method |", size.width,
                size.height);
    for (const Picture& picture : pictures)
      std::printf(" %s |", picture.name.c_str());
    std::printf("\n|---|");
    for (std::size_t i = 0; i < pictures.size(); ++i)
      std::printf("---:|");
    std::printf("\n");
    for (int row = 0; row < kRows; ++row) {
      std::printf("| %s |", RowName(row));
      for (const auto& s : scores)
        std::printf(" %.1f |", s[static_cast<std::size_t>(row)]);
      std::printf("\n");
    }
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      const std::vector<double>& s = scores[i];
      in_use += s[convert::kPhotoDiffusion] + s[convert::kPhotoAtkinson];
      other += s[kOtherDiffusion] + s[kOtherAtkinson];
      if (!pictures[i].photo) continue;
      // Row `ours` must score above row `theirs` by `margin` dB. A NaN (ImageMagick
      // missing) fails every comparison: counted as missed.
      auto target = [&](int ours, int theirs, double margin) {
        if (s[ours] > s[theirs] + margin) return;
        ++missed;
        std::printf("MISSED %s at %d x %d: %s %.2f dB, %s %.2f dB\n", pictures[i].name.c_str(),
                    size.width, size.height, RowName(ours), s[ours], RowName(theirs), s[theirs]);
      };
      for (int m : {int(convert::kPhotoDiffusion), int(convert::kPhotoAtkinson)}) {
        target(m, convert::kPhotoSoft, 10);
        target(m, kMagickFloyd, 0);
        target(m, kMagickOrdered, 0);
      }
      target(convert::kPhotoOrdered, kMagickOrdered, 0);
    }
  }
  missed += PositionTable(pictures);
  const double n = 2.0 * static_cast<double>(pictures.size()) * std::size(kSizes);
  std::printf(
      "\nDiffusion and Atkinson, mean over every picture and size: raster %.2f dB, "
      "serpentine %.2f dB; the methods use %s.\n",
      (kRasterInUse ? in_use : other) / n, (kRasterInUse ? other : in_use) / n,
      kRasterInUse ? "raster" : "serpentine");
  std::printf(missed ? "%d targets missed\n" : "every target met on every photo\n", missed);
  return missed ? 1 : 0;
}

QImage ToImage(const Plane& plane) {
  QImage image(plane.width, plane.height, QImage::Format_Grayscale8);
  for (int y = 0; y < plane.height; ++y) {
    for (int x = 0; x < plane.width; ++x)
      image.scanLine(y)[x] = static_cast<std::uint8_t>(std::lround(plane.at(x, y)));
  }
  return image;
}

// The scene at the device's 102 x 64: the placed picture and every method, each 3x with
// sharp dots, labelled with its score.
int Sheet(const std::string& path) {
  constexpr Size kSize{102, 64};
  constexpr int kScale = 3, kColumns = 4, kGap = 16, kLabel = 22;
  auto source = picture::SourcePicture::FromBytes(EncodeBmp24(DrawScene(640, 480)), kDefaultLimits);
  auto placed = picture::PlaceView(*source, Request(kSize, convert::kDocument));
  if (!placed) return 1;
  const convert::MonoPlacement& p = placed->placement;
  const Plane grey = PlacedGrey(*placed);
  const Plane seen = Blur(grey);

  QImage picture(kSize.width, kSize.height, QImage::Format_RGB32);
  picture.fill(Qt::white);
  for (int y = 0; y < p.view_height; ++y) {
    for (int x = 0; x < p.view_width; ++x)
      picture.setPixel(p.ox + x, p.oy + y, Colour(placed->view, x, y) | 0xFF000000u);
  }
  std::vector<std::pair<QString, QImage>> panels = {
      {"The picture, placed in 102 x 64", picture.rgbSwapped()}};
  for (int method = convert::kDocument; method <= convert::kPhotoOrdered; ++method) {
    convert::DotRandom random;
    auto result = picture::ConvertSourcePicture(*source, Request(kSize, method), random);
    if (!result) return 1;
    const Plane dots = FromDots(result->dots);
    panels.emplace_back(
        QString("%1  %2 dB").arg(kMethodNames[method]).arg(Score(seen, dots, p), 0, 'f', 1),
        ToImage(dots));
  }
  const int cell_w = kSize.width * kScale, cell_h = kSize.height * kScale + kLabel;
  const int rows = (static_cast<int>(panels.size()) + kColumns - 1) / kColumns;
  QImage sheet(kGap + kColumns * (cell_w + kGap), kGap + rows * (cell_h + kGap),
               QImage::Format_RGB32);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  QFont font = painter.font();
  font.setPixelSize(14);
  painter.setFont(font);
  for (std::size_t i = 0; i < panels.size(); ++i) {
    const int x = kGap + static_cast<int>(i % kColumns) * (cell_w + kGap);
    const int y = kGap + static_cast<int>(i / kColumns) * (cell_h + kGap);
    painter.setPen(Qt::black);
    painter.drawText(QRect(x, y, cell_w, kLabel - 4), Qt::AlignLeft | Qt::AlignVCenter,
                     panels[i].first);
    painter.drawImage(QPoint(x, y + kLabel),
                      panels[i].second.scaled(cell_w, cell_h - kLabel, Qt::IgnoreAspectRatio,
                                              Qt::FastTransformation));
    painter.setPen(QColor(160, 160, 160));  // the output's edge, so that margins show
    painter.drawRect(x - 1, y + kLabel - 1, cell_w + 1, cell_h - kLabel + 1);
  }
  painter.end();
  if (!sheet.save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return 1;
  }
  std::printf("wrote %s\n", path.c_str());
  return 0;
}

// For G = grey 0, 8, ..., 248, 255: the input v' whose flat area, dithered by Atkinson's
// kernel with the threshold of G (convert::AtkinsonTone), comes out closest to G on average
// over 102 x 64 and 320 x 240; of inputs that come out alike, the one nearest mid-grey (for
// grey 0 the last input that still comes out solid black). Tried are the inputs within 512
// sixteenths of (3 G + threshold) / 4, where the area would come out at G if every dot's
// value with its error sat at the threshold; none further away comes close.
int AtkinsonTones() {
  auto mean_grey = [](int value, int threshold, Size size) {
    const auto count = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    convert::GreyPlane plane{
        size.width, size.height, std::vector<std::int16_t>(count, static_cast<std::int16_t>(value)),
        std::vector<std::int16_t>(count, static_cast<std::int16_t>(threshold))};
    DotImage dots(size.width, size.height);
    convert::DiffuseError(plane, convert::Kernel::kAtkinson, convert::kDiffusionScan, dots, 0, 0);
    double sum = 0;
    for (double g : FromDots(dots).v)
      sum += g;
    return sum / static_cast<double>(count);
  };
  for (int k = 0; k <= 32; ++k) {
    const int grey = std::min(255, 8 * k);
    const int threshold = convert::AtkinsonTone(grey * convert::kSixteenths).threshold;
    const int line = (3 * grey * convert::kSixteenths + threshold) / 4;
    int best = -1;
    double best_d = 1e9;
    for (int v = std::max(0, line - 512); v <= std::min(convert::kWhite16, line + 512); ++v) {
      const double out =
          (mean_grey(v, threshold, kSizes[0]) + mean_grey(v, threshold, kSizes[1])) / 2;
      const double d = std::abs(out - grey);
      const bool nearer_mid =
          std::abs(v - convert::kWhite16 / 2) < std::abs(best - convert::kWhite16 / 2);
      if (d < best_d || (d == best_d && nearer_mid)) {
        best = v;
        best_d = d;
      }
    }
    std::printf("grey %3d: %d\n", grey, best);
  }
  return 0;
}

// The thresholds of convert::kOrderedThresholds. A flat grey lights the Bayer entries below
// some count k: it shows as the pattern of k and lies |g - 255 k / 64| from it in tone. After
// the eye's blur the pattern's dots still differ from their mean by r_k (RMS over the 8 x 8
// tile). Between the patterns of k and k + 1 the threshold goes where the two errors are
// alike, (tone error)^2 + r^2, kept half a grey inside that 64th of the greys.
int OrderedThresholds() {
  constexpr int kTiles = 8;  // the tile's middle copy is beyond every edge's reach
  double r2[65];
  for (int k = 0; k <= 64; ++k) {
    Plane tiled(8 * kTiles, 8 * kTiles, 0);
    for (int y = 0; y < tiled.height; ++y) {
      for (int x = 0; x < tiled.width; ++x)
        tiled.at(x, y) = convert::kBayer[y % 8][x % 8] < k ? 255 : 0;
    }
    const Plane seen = Blur(tiled);
    double sum = 0;
    for (int y = 32; y < 40; ++y) {
      for (int x = 32; x < 40; ++x)
        sum += std::pow(seen.at(x, y) - 255.0 * k / 64, 2);
    }
    r2[k] = sum / 64;
  }
  bool same = true;
  for (int b = 0; b < 64; ++b) {
    constexpr double kStep = 255.0 / 64;
    const double grey = kStep * (b + 0.5) + (r2[b + 1] - r2[b]) / (2 * kStep);
    // In sixteenths, light above: half a grey inside b / 64 .. (b + 1) / 64 of white, so
    // that a flat area that is no whole number of tiles keeps its share too.
    const int lo = static_cast<int>(std::floor(63.75 * b)) + 8;
    const int hi = static_cast<int>(std::ceil(63.75 * (b + 1))) - 9;
    const int t = std::clamp(static_cast<int>(std::floor(16 * grey)), lo, hi);
    same = same && t == convert::kOrderedThresholds[static_cast<std::size_t>(b)];
    std::printf("%d%s", t, b == 63 ? "\n" : ", ");
  }
  std::printf(same ? "the same as in use\n" : "NOT the thresholds in use\n");
  return same ? 0 : 1;
}

}  // namespace
}  // namespace dotcaster::bench

int main(int argc, char** argv) {
  using namespace dotcaster::bench;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--sheet" && argc == 3) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return Sheet(argv[2]);
  }
  if (mode == "--atkinson-tones" && argc == 2) return AtkinsonTones();
  if (mode == "--ordered-thresholds" && argc == 2) return OrderedThresholds();
  if (argc == 1) return Table();
  std::fprintf(
      stderr,
      "usage: dither_quality [--sheet OUT.png | --atkinson-tones | --ordered-thresholds]\n");
  return 2;
}
