// Releasing a crop on a 4000 x 3000 JPEG in the window, to the result repainted, against
// libjpeg-turbo alone decoding the region that crop needs at the scale it needs, in the same
// run; and the process's peak memory. The frame is 65 x 49 view pixels, 803 x 603 source
// pixels (the nearest a frame gets to 800 x 600 at this view scale), converted to 320 x 240:
// the engine decodes it at 4/8. The two frames alternate by one view pixel, so that every
// release decodes its region anew.
//
//   cmake --preset bench && cmake --build --preset bench --target bench_crop
//   build/bench/bench/mainwindow/bench_crop
// Prints the ratio of the medians and the peak resident memory at the end.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

extern "C" {
#include <jpeglib.h>
}

#include "../engine/photo.h"
#include "bench_install.h"
#include "convert/geometry.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "picture/resample.h"
#include "picture/source_picture.h"
#include "state/app_state.h"

namespace dotcaster {
namespace {

constexpr int kWidth = 4000, kHeight = 3000;
const QRect kFrames[2] = {QRect(120, 90, 65, 49), QRect(121, 91, 65, 49)};

std::filesystem::path g_dir;
std::string g_photo;
std::vector<std::uint8_t> g_bytes;

bool Setup() {
  g_dir = bench::MakeBenchInstall("dotcaster-crop-bench-");
  g_photo = (g_dir / "photo.jpg").string();
  if (!bench::WritePhotoJpeg(g_photo, kWidth, kHeight)) return false;
  g_bytes = bench::ReadBytes(g_photo);
  return true;
}

// The region of the decode at `scale` that converting `frame` at 320 x 240 reads, as the
// engine works it out.
picture::PixelRect RegionOf(const QRect& frame, int* scale) {
  const convert::Geometry g = *convert::ComputeGeometry(
      {kWidth, kHeight, convert::CropFrame{frame.x(), frame.y(), frame.width(), frame.height()},
       320, 240, true, true});
  *scale = picture::JpegScaleFor(kWidth, kHeight, g.stretched);
  const convert::MonoPlacement p =
      convert::PlaceInOutput(320, 240, g.place_width, g.place_height, true, true);
  return picture::SourceRectFor(picture::JpegScaledSize(kWidth, kHeight, *scale), g.stretched,
                                g.off_left, g.off_top, p.view_width, p.view_height);
}

void ReleaseCrop(benchmark::State& state) {
  TheState() = AppState{};
  QDLmain window;
  window.controller().Startup({QString::fromStdString(g_photo)});
  if (!TheState().ImageLoaded || !QTest::qWaitForWindowExposed(&window)) {
    return state.SkipWithError("the photo did not load");
  }
  auto* source = window.findChild<QLabel*>("Image1_0");
  auto* result = window.findChild<QLabel*>("Image1_1");
  const int before = window.controller().ConversionCount();
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const QRect& f = kFrames[i++ % 2];
    window.BringSourceToFront();
    QTest::mousePress(source, Qt::LeftButton, {}, f.topLeft());
    QTest::mouseMove(source, f.bottomRight());
    state.ResumeTiming();
    QTest::mouseRelease(source, Qt::LeftButton, {}, f.bottomRight());
    result->repaint();
  }
  if (window.controller().ConversionCount() - before != state.iterations() ||
      window.RubberGeometry() != kFrames[(i - 1) % 2]) {
    state.SkipWithError("not every release converted its frame");
  }
  TheState().Modified = false;
}
BENCHMARK(ReleaseCrop)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

// libjpeg-turbo alone: the same regions at the same scale, rows read and dropped.
void LibjpegRegion(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    int scale = 8;
    const picture::PixelRect r = RegionOf(kFrames[i++ % 2], &scale);
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, g_bytes.data(), static_cast<unsigned long>(g_bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = static_cast<unsigned>(scale);
    cinfo.scale_denom = 8;
    jpeg_start_decompress(&cinfo);
    JDIMENSION x = static_cast<JDIMENSION>(r.left), w = static_cast<JDIMENSION>(r.width);
    jpeg_crop_scanline(&cinfo, &x, &w);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(cinfo.output_width) *
                             static_cast<std::size_t>(cinfo.output_components));
    JSAMPROW rows[1] = {row.data()};
    jpeg_skip_scanlines(&cinfo, static_cast<JDIMENSION>(r.top));
    for (int y = 0; y < r.height; ++y)
      jpeg_read_scanlines(&cinfo, rows, 1);
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(row.data());
  }
}
BENCHMARK(LibjpegRegion)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly();

double PeakResidentMegabytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS counters{};
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize / 1048576.0;
#else
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;  // kilobytes on Linux
#endif
}

// The console report, and the medians kept for the ratio.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.aggregate_name != "median") continue;
      real[r.run_name.function_name] = r.GetAdjustedRealTime();
      cpu[r.run_name.function_name] = r.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> real, cpu;
};

}  // namespace
}  // namespace dotcaster

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (!dotcaster::Setup()) {
    std::fprintf(stderr, "cannot make the test photo (cjpeg missing?)\n");
    return 2;
  }
  int scale = 8;
  const dotcaster::picture::PixelRect r = dotcaster::RegionOf(dotcaster::kFrames[0], &scale);
  std::printf("region %d x %d at (%d, %d) of the decode at %d/8\n", r.width, r.height, r.left,
              r.top, scale);
  benchmark::Initialize(&argc, argv);
  dotcaster::MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  for (const auto* m : {&reporter.real, &reporter.cpu}) {
    if (!m->count("ReleaseCrop") || !m->count("LibjpegRegion")) continue;
    std::printf("release / libjpeg region decode, medians of %s time: %.2f\n",
                m == &reporter.real ? "real" : "CPU",
                m->at("ReleaseCrop") / m->at("LibjpegRegion"));
  }
  std::printf("peak resident memory: %.1f MB\n", dotcaster::PeakResidentMegabytes());
  std::error_code ec;
  std::filesystem::remove_all(dotcaster::g_dir, ec);
  return 0;
}
