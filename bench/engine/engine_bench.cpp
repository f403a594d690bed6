// Speed of the conversion engine. Figures that are compared are measured in the same run:
// the first conversion of a large JPEG against libjpeg alone decoding it at 1/8 scale.
//
//   cmake --preset bench && cmake --build --preset bench --target engine_bench
//   build/bench/bench/engine/engine_bench

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/mono.h"
#include "formats/file_io.h"
#include "photo.h"
#include "picture/convert_picture.h"
#include "picture/source_picture.h"
#include "scenes.h"

extern "C" {
#include <jpeglib.h>
}

namespace dotcaster::bench {
namespace {

const std::string& PhotoPath() {
  static const std::string path = [] {
    const auto p = std::filesystem::temp_directory_path() / "dotcaster_bench_4000x3000.jpg";
    if (!std::filesystem::exists(p)) WritePhotoJpeg(p.string(), 4000, 3000);
    return p.string();
  }();
  return path;
}

const std::vector<std::uint8_t>& PhotoBytes() {
  static const std::vector<std::uint8_t> bytes = ReadBytes(PhotoPath());
  return bytes;
}

// Stretched with the ratio kept, document method.
convert::ConvertRequest Request(int out_w, int out_h, int level = 128,
                                std::optional<convert::CropFrame> crop = std::nullopt) {
  return {out_w, out_h, true, true, crop, convert::kDocument, level};
}

Expected<picture::SourcePicture, Error> Picture(const std::vector<std::uint8_t>& bytes) {
  return picture::SourcePicture::FromBytes(bytes, kDefaultLimits);
}

// A full 320 x 240 output, one view pixel per dot, no margin.
convert::MonoInput Full320x240(int method) {
  return {320, 240, 320.0f, 240.0f, true, true, 128, method};
}

// Threshold, pack and write of a full 320 x 240 view.
void BM_ThresholdPackWrite320x240(benchmark::State& state) {
  picture::RgbImage img{320, 240, std::vector<std::uint8_t>(320 * 240 * 3)};
  for (std::size_t i = 0; i < img.rgb.size(); ++i)
    img.rgb[i] = static_cast<std::uint8_t>(i * 7);
  const picture::ViewImage view(img);
  const convert::MonoInput in = Full320x240(static_cast<int>(state.range(0)));
  convert::DotRandom random;
  const std::string path =
      (std::filesystem::temp_directory_path() / "dotcaster_bench_dsp.bmp").string();
  const bool write = state.range(1) != 0;
  for (auto _ : state) {
    auto dots = convert::ConvertToMono(in, view, random);
    const Bytes bmp = EncodeBmp(*dots);
    if (write && WriteFileReplacing(path, bmp)) state.SkipWithError("write failed");
    benchmark::DoNotOptimize(bmp.data());
  }
  std::remove(path.c_str());
}
// Args: method, and whether the working file is written (1) or only built in memory (0).
BENCHMARK(BM_ThresholdPackWrite320x240)
    ->Args({convert::kDocument, 1})
    ->Args({convert::kPhotoSoft, 1})
    ->Args({convert::kDocument, 0})
    ->Args({convert::kPhotoSoft, 0})
    ->Unit(benchmark::kMicrosecond);

// ConvertToMono alone on a photo-like 320 x 240 view, every method; medians of 9 runs. The
// dithering methods must stay under 1 ms, so that a slider move repaints within a frame.
void BM_Method320x240(benchmark::State& state) {
  const picture::ViewImage view(DrawScene(320, 240));
  const convert::MonoInput in = Full320x240(static_cast<int>(state.range(0)));
  convert::DotRandom random;
  for (auto _ : state) {
    auto dots = convert::ConvertToMono(in, view, random);
    benchmark::DoNotOptimize(dots);
  }
}
BENCHMARK(BM_Method320x240)
    ->DenseRange(convert::kDocument, convert::kPhotoOrdered)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// A level change on an already decoded 4000 x 3000 photo, converted to 320 x 240: the
// placement is unchanged, so the kept view is thresholded again.
void BM_LevelChange4000x3000(benchmark::State& state) {
  auto pic = Picture(PhotoBytes());
  if (!pic) return state.SkipWithError("no test photo (cjpeg missing?)");
  convert::DotRandom random;
  (void)picture::ConvertSourcePicture(*pic, Request(320, 240), random);
  int level = 0;
  for (auto _ : state) {
    level = (level + 37) % 256;
    auto result = picture::ConvertSourcePicture(*pic, Request(320, 240, level), random);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_LevelChange4000x3000)->Unit(benchmark::kMillisecond);

// The photo as a 24-bit bitmap (made from the full-size decode), for the kinds that are
// always kept at full size.
const std::vector<std::uint8_t>& PhotoBmpBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    auto decoded = picture::DecodeJpeg(PhotoBytes(), 8, kDefaultLimits);
    return decoded ? EncodeBmp24(decoded->image) : std::vector<std::uint8_t>();
  }();
  return bytes;
}

// The view rendered again and converted to 320 x 240, as after a change of placement; the
// placement moves by one pixel each time so that the kept view cannot be reused. Arg: 0 the
// JPEG photo, 1 the same photo as a bitmap (kept at full size, 4000 x 3000 pixels averaged).
void BM_RerenderAndConvert4000x3000(benchmark::State& state) {
  auto pic = Picture(state.range(0) ? PhotoBmpBytes() : PhotoBytes());
  if (!pic) return state.SkipWithError("no test photo (cjpeg missing?)");
  const convert::MonoInput in = Full320x240(convert::kDocument);
  convert::DotRandom random;
  int shift = 0;
  for (auto _ : state) {
    shift ^= 1;
    auto view = pic->RenderView({320, 240}, shift, 0, 320, 240);
    auto dots = convert::ConvertToMono(in, *view, random);
    benchmark::DoNotOptimize(EncodeBmp(*dots));
  }
}
BENCHMARK(BM_RerenderAndConvert4000x3000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Decode and first conversion of the photo to the device's 102 x 64.
void BM_FirstConversion4000x3000ToDevice(benchmark::State& state) {
  const auto& bytes = PhotoBytes();
  if (bytes.empty()) return state.SkipWithError("no test photo (cjpeg missing?)");
  for (auto _ : state) {
    auto pic = Picture(bytes);
    convert::DotRandom random;
    auto result = picture::ConvertSourcePicture(*pic, Request(102, 64), random);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_FirstConversion4000x3000ToDevice)->Unit(benchmark::kMillisecond);

// libjpeg alone decoding the same file at 1/8 scale, rows discarded: the yardstick.
void BM_LibjpegDecodeEighth(benchmark::State& state) {
  const auto& bytes = PhotoBytes();
  if (bytes.empty()) return state.SkipWithError("no test photo (cjpeg missing?)");
  for (auto _ : state) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(cinfo.output_width) *
                             static_cast<std::size_t>(cinfo.output_components));
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.output_scanline < cinfo.output_height)
      jpeg_read_scanlines(&cinfo, rows, 1);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(row.data());
  }
}
BENCHMARK(BM_LibjpegDecodeEighth)->Unit(benchmark::kMillisecond);

// A 10 x 10 view-pixel crop of the photo stretched to 320 x 240 (a 128,000-pixel-wide
// placement): the detail decode happens once, the rest re-renders only the view.
void BM_CropDetail4000x3000(benchmark::State& state) {
  auto pic = Picture(PhotoBytes());
  if (!pic) return state.SkipWithError("no test photo (cjpeg missing?)");
  convert::DotRandom random;
  const convert::CropFrame crop{150, 110, 10, 10};
  (void)picture::ConvertSourcePicture(*pic, Request(320, 240, 128, crop), random);
  for (auto _ : state) {
    auto result = picture::ConvertSourcePicture(*pic, Request(320, 240, 100, crop), random);
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(BM_CropDetail4000x3000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace dotcaster::bench

BENCHMARK_MAIN();
