#include "test_env.h"

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "devicelink/install.h"
#include "devicelink/link.h"
#include "formats/bytes.h"
#include "formats/quadrel.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"

namespace dotcaster::testing {

WindowEnv::WindowEnv(Install install, const std::string& install_name)
    : install_dir(dir.File(install_name)) {
  TheState() = AppState{};
  qputenv(kConfigDirVariable, QByteArray::fromStdString(dir.File("config")));
  if (install != Install::kNone) {
    std::filesystem::create_directories(ToFsPath(install_dir));
    RecordInstallDir(install_dir);
    user_data = DefaultUserDataDir(install_dir);
    if (install == Install::kFull) std::filesystem::create_directories(ToFsPath(user_data));
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
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y,
                     qRgb(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1),
                          (x / 7 + y / 5) % 2 * 160));
  return image;
}

std::vector<std::uint8_t> QdlBytes(int width, int height) {
  std::vector<std::uint8_t> qdl(static_cast<std::size_t>(QdlFileSize(width, height)));
  for (std::size_t i = 4; i < qdl.size(); ++i)
    qdl[i] = static_cast<std::uint8_t>(i * 37 / 5);
  PutLe16(qdl, 0, static_cast<std::uint32_t>(width));
  PutLe16(qdl, 2, static_cast<std::uint32_t>(height));
  return qdl;
}

std::string WritePicture(const std::string& path, int width, int height) {
  const QString name = QString::fromStdString(path),
                base = QString::fromStdString(FileNamePart(path));
  if (name.endsWith(".qdl")) {
    WriteAll(path, QdlBytes(width, height));
    return path;
  }
  const bool top = base.startsWith("top");
  const QImage photo =
      TestPhoto(width, height)
          .convertToFormat(base.startsWith("mono") ? QImage::Format_Mono : QImage::Format_RGB888);
  const QString tool = name.endsWith(".gif")    ? "pnmquant 256 '%1' | pamtogif >'%2'"
                       : base.startsWith("os2") ? "ppmtobmp -os2 '%1' >'%2'"
                                                : "";
  const bool written =
      tool.isEmpty()
          ? (top ? photo.mirrored() : photo).save(name, name.endsWith(".bmp") ? "BMP" : "JPG", 90)
          : photo.save(name + ".ppm", "PPM") &&
                std::system(("(" + tool.arg(name + ".ppm", name) + ") 2>/dev/null").toUtf8()) == 0;
  if (!written) throw std::runtime_error("cannot write " + path);
  Bytes bytes = ReadAll(path);
  if (top) PutLe32(bytes, 22, static_cast<std::uint32_t>(-height));
  if (base.startsWith("profile")) {
    bytes.insert(bytes.begin() + 2, {0xFF, 0xE2, 0x9C, 0x40});
    bytes.insert(bytes.begin() + 6, 39998, 0xC0);
  }
  WriteAll(path, bytes);
  return path;
}

std::vector<std::uint8_t> DotcastBitmap(const std::string& path, const QStringList& options) {
  const QString out = QString::fromStdString(path + ".dotcast.bmp");
  QProcess run;
  run.start(qEnvironmentVariable("DOTCAST"),
            QStringList{"convert", "--quiet", "--force"} + options +
                QStringList{"-o", out, QString::fromStdString(path)});
  const bool ran = run.waitForFinished(60000) && run.exitCode() == 0;
  return ran ? ReadAll(out.toStdString()) : std::vector<std::uint8_t>{};
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(ToFsPath(path), ec);
}

}  // namespace dotcaster::testing
