// The converter at the largest picture size, and the JPEG probe on a 20 MB file: the file
// probe reads through a buffer and seeks over segments, against reading the whole file and
// scanning it in memory.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/file_io.h"
#include "formats/probe.h"
#include "formats/quadrel.h"

namespace {

using dotcaster::Bytes;
namespace fs = std::filesystem;

Bytes Quadrel320x240() {
  Bytes q(dotcaster::QdlFileSize(320, 240));
  q[0] = 0x40;
  q[1] = 0x01;
  q[2] = 0xF0;
  for (std::size_t i = 4; i < q.size(); ++i)
    q[i] = static_cast<std::uint8_t>(i * 37);
  return q;
}

void BM_QuadrelToBitmap320x240(benchmark::State& state) {
  const Bytes q = Quadrel320x240();
  for (auto _ : state)
    benchmark::DoNotOptimize(dotcaster::ConvertQdlBmp(q));
}
BENCHMARK(BM_QuadrelToBitmap320x240);

void BM_BitmapToQuadrel320x240(benchmark::State& state) {
  const Bytes b = *dotcaster::ConvertQdlBmp(Quadrel320x240());
  for (auto _ : state)
    benchmark::DoNotOptimize(dotcaster::ConvertQdlBmp(b));
}
BENCHMARK(BM_BitmapToQuadrel320x240);

// A 20 MB JPEG-like file. frame_last = false: the frame follows the first headers and
// entropy data fills the rest (the usual photo). frame_last = true: 640 segments of
// 32 KB come first (large metadata), the frame only at the end.
std::string MakeBigJpeg(bool frame_last) {
  const fs::path path = fs::temp_directory_path() / (std::string("dotcaster-bench-") +
                                                     (frame_last ? "late" : "early") + ".jpg");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::uint8_t soi[] = {0xFF, 0xD8};
  const std::uint8_t frame[] = {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x0F, 0xA0, 0x0B, 0xB8, 0x01, 0x01};
  out.write(reinterpret_cast<const char*>(soi), 2);
  std::vector<char> filler(32000, 0x11);
  if (frame_last) {
    for (int i = 0; i < 640; ++i) {
      const std::uint8_t app[] = {0xFF, 0xE1, 0x7D, 0x02};  // length 32002
      out.write(reinterpret_cast<const char*>(app), 4);
      out.write(filler.data(), static_cast<std::streamsize>(filler.size()));
    }
    out.write(reinterpret_cast<const char*>(frame), sizeof frame);
  } else {
    out.write(reinterpret_cast<const char*>(frame), sizeof frame);
    for (int i = 0; i < 640; ++i)
      out.write(filler.data(), static_cast<std::streamsize>(filler.size()));
  }
  return path.string();
}

void BM_ReadWholeThenProbe(benchmark::State& state) {
  const std::string path = MakeBigJpeg(state.range(0) != 0);
  for (auto _ : state) {
    const auto all = dotcaster::ReadFileBytes(path, dotcaster::kDefaultLimits);
    const auto r = dotcaster::ProbeJpegBytes(*all);
    if (!r || r->width != 3000) state.SkipWithError("wrong size");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadWholeThenProbe)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
