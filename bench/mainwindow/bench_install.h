#pragma once

// A folder of the window benchmarks' own in the temporary folder: an installation of the
// link software and the settings live there. Remove it when the benchmarks end.

#include <QCoreApplication>
#include <filesystem>
#include <string>

#include "devicelink/install.h"
#include "devicelink/link.h"

namespace dotcaster::bench {

inline std::filesystem::path MakeBenchInstall(const std::string& prefix) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    (prefix + std::to_string(QCoreApplication::applicationPid()));
  std::filesystem::create_directories(dir / "link" / "userdata" / "qdl");
  qputenv(kConfigDirVariable, QByteArray::fromStdString((dir / "config").string()));
  RecordInstallDir((dir / "link").string());
  ForgetDefaultDeviceLink();
  return dir;
}

}  // namespace dotcaster::bench
