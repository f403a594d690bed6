#include "test_env.h"

#include <gif_lib.h>

#include <QtGlobal>
#include <algorithm>
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
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) throw std::runtime_error("cannot write " + path);
  GifColorType colours[16];
  for (int i = 0; i < 16; ++i) {
    colours[i] = {static_cast<GifByteType>(i * 17), static_cast<GifByteType>(255 - i * 17),
                  static_cast<GifByteType>((i * 40) % 256)};
  }
  ColorMapObject* map = GifMakeMapObject(16, colours);
  bool ok = EGifPutScreenDesc(gif, width, height, 4, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
  std::vector<GifPixelType> line(static_cast<std::size_t>(width));
  for (int y = 0; ok && y < height; ++y) {
    for (int x = 0; x < width; ++x)
      line[static_cast<std::size_t>(x)] = ((x / 3) + (y / 4)) % 16;
    ok = EGifPutLine(gif, line.data(), width) == GIF_OK;
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK || !ok) {
    throw std::runtime_error("cannot write " + path);
  }
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

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(ToFsPath(path), ec);
}

}  // namespace dotcaster::testing
