#include "test_env.h"

#include <QProcess>
#include <QtGlobal>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "devicelink/install.h"
#include "devicelink/link.h"
#include "formats/quadrel.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"

namespace dotcaster::testing {

WindowEnv::WindowEnv(Install install, const std::string& install_name)
    : install_dir_(dir.File(install_name)) {
  TheState() = AppState{};
  qputenv(kConfigDirVariable, QByteArray::fromStdString(dir.File("config")));
  if (install != Install::kNone) {
    const std::string& link = install_dir_;
    std::filesystem::create_directories(ToFsPath(link));
    RecordInstallDir(link);
    user_data_ = DefaultUserDataDir(link);
    if (install == Install::kFull) std::filesystem::create_directories(ToFsPath(user_data_));
  }
  ForgetDefaultDeviceLink();
}

WindowEnv::~WindowEnv() {
  ForgetDefaultDeviceLink();
  qunsetenv(kConfigDirVariable);
  TheState() = AppState{};
}

std::unique_ptr<QDLmain> WindowEnv::Start(const std::vector<std::string>& args) {
  auto window = std::make_unique<QDLmain>();
  QStringList list;
  for (const std::string& a : args)
    list << QString::fromStdString(a);
  if (!window->controller().Startup(list)) return nullptr;
  return window;
}

QImage TestPhoto(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const int r = (x * 255) / std::max(1, width - 1);
      const int g = (y * 255) / std::max(1, height - 1);
      const int b = ((x / 7 + y / 5) % 2) * 160;
      line[x] = qRgb(r, g, b);
    }
  }
  return image;
}

std::string WriteJpeg(const std::string& path, int width, int height) {
  if (!TestPhoto(width, height).save(QString::fromStdString(path), "JPG", 90)) {
    throw std::runtime_error("cannot write " + path);
  }
  return path;
}

std::string WriteBmp24(const std::string& path, int width, int height) {
  if (!TestPhoto(width, height)
           .convertToFormat(QImage::Format_RGB888)
           .save(QString::fromStdString(path), "BMP")) {
    throw std::runtime_error("cannot write " + path);
  }
  return path;
}

std::string WriteGif(const std::string& path, int width, int height) {
  const std::string ppm = path + ".ppm";
  if (!TestPhoto(width, height).save(QString::fromStdString(ppm), "PPM") ||
      std::system(("pnmquant 16 '" + ppm + "' 2>/dev/null | pamtogif > '" + path + "' 2>/dev/null")
                      .c_str()) != 0) {
    throw std::runtime_error("cannot write " + path);
  }
  std::filesystem::remove(ToFsPath(ppm));
  return path;
}

std::vector<std::uint8_t> QdlBytes(int width, int height) {
  std::vector<std::uint8_t> qdl(static_cast<std::size_t>(QdlFileSize(width, height)));
  qdl[0] = static_cast<std::uint8_t>(width & 0xFF);
  qdl[1] = static_cast<std::uint8_t>(width >> 8);
  qdl[2] = static_cast<std::uint8_t>(height & 0xFF);
  qdl[3] = static_cast<std::uint8_t>(height >> 8);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if ((x + y) % 5 == 0 || x == y) {
        qdl[static_cast<std::size_t>(4 + (y / 8) * width + x)] |=
            static_cast<std::uint8_t>(1 << (y % 8));
      }
    }
  }
  return qdl;
}

std::string WriteQdl(const std::string& path, int width, int height) {
  WriteAll(path, QdlBytes(width, height));
  return path;
}

std::string WriteMonoBmp(const std::string& path, int width, int height) {
  const std::vector<std::uint8_t> qdl = QdlBytes(width, height);
  auto bmp = ConvertQdlBmp(qdl);
  if (!bmp) throw std::runtime_error("cannot convert the test Quadrel picture");
  WriteAll(path, *bmp);
  return path;
}

std::optional<std::string> RunDotcast(const QStringList& args) {
  QProcess run;
  run.start(qEnvironmentVariable("DOTCAST"), args);
  if (!run.waitForFinished(60000) || run.exitCode() != 0) return std::nullopt;
  return run.readAllStandardOutput().toStdString();
}

std::vector<std::uint8_t> DotcastBitmap(const std::string& path, const QStringList& options) {
  const QString out = QString::fromStdString(path + ".dotcast.bmp");
  const auto run = RunDotcast(QStringList{"convert", "--quiet", "--force"} + options +
                              QStringList{"-o", out, QString::fromStdString(path)});
  return run ? ReadAll(out.toStdString()) : std::vector<std::uint8_t>{};
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(ToFsPath(path), ec);
}

}  // namespace dotcaster::testing
