// Start-up to the window shown (no file), and a level change to the result view updated
// on a 4000 x 3000 JPEG, on the offscreen platform. Everything lives in a temporary folder:
// the link software's installation, the settings and the photo.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>

#include "bench_install.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/app_state.h"
#include "state/paths.h"

namespace dotcaster {
namespace {

std::filesystem::path g_dir;
std::string g_photo;

void Setup() {
  g_dir = bench::MakeBenchInstall("dotcaster-bench-");

  // A photo-like picture: smooth gradients with fine detail, so the JPEG is a real one.
  QImage photo(4000, 3000, QImage::Format_RGB32);
  for (int y = 0; y < photo.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < photo.width(); ++x) {
      line[x] = qRgb((x / 16) % 256, (y / 12) % 256, ((x ^ y) & 0x3F) * 3);
    }
  }
  g_photo = (g_dir / "photo.jpg").string();
  photo.save(QString::fromStdString(g_photo), "JPG", 90);
}

void StartupToShown(benchmark::State& state) {
  for (auto _ : state) {
    TheState() = AppState{};
    auto window = std::make_unique<QDLmain>();
    window->controller().Startup({});
    if (!QTest::qWaitForWindowExposed(window.get())) state.SkipWithError("not shown");
    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(StartupToShown)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// The slider is moved by keyboard-sized steps back and forth; every step is a settled
// value, so each one converts, and the window then paints the new result.
void SliderChangeOnLargePhoto(benchmark::State& state) {
  TheState() = AppState{};
  QDLmain window;
  window.controller().Startup({QString::fromStdString(g_photo)});
  if (!TheState().ImageLoaded) {
    state.SkipWithError("the photo did not load");
    return;
  }
  if (!QTest::qWaitForWindowExposed(&window)) state.SkipWithError("not shown");
  auto* slider = window.findChild<QSlider*>("MONOSikii");
  auto* result = window.findChild<QLabel*>("Image1_1");
  const int before = window.controller().ConversionCount();
  int level = 128;
  for (auto _ : state) {
    level = level == 128 ? 129 : 128;
    slider->setValue(level);
    result->repaint();
  }
  if (window.controller().ConversionCount() - before != state.iterations()) {
    state.SkipWithError("not every step converted");
  }
  TheState().Modified = false;
}
BENCHMARK(SliderChangeOnLargePhoto)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// For comparison in the same run: opening the photo (decode and first conversion).
void OpenLargePhoto(benchmark::State& state) {
  TheState() = AppState{};
  QDLmain window;
  window.controller().Startup({});
  for (auto _ : state) {
    TheState().CurFileName = g_photo;
    window.controller().LoadSourcePicture();
  }
  TheState().Modified = false;
}
BENCHMARK(OpenLargePhoto)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace
}  // namespace dotcaster

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  dotcaster::Setup();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(dotcaster::g_dir, ec);
  return 0;
}
