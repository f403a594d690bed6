#pragma once

// A private world for one test: per-user settings, the temporary folder and a link layer
// installation all live in the test's own folder; the default device link is looked up afresh.

#include <cstdlib>
#include <optional>
#include <string>

#include "devicelink/folder_link.h"
#include "devicelink/install.h"
#include "devicelink/link.h"
#include "formats/quadrel.h"
#include "state/paths.h"
#include "temp_dir.h"

namespace dotcaster::testing {

// A bitmap in the program's 1-bit layout with a pattern that depends on seed.
inline std::vector<std::uint8_t> MakeBitmap(int width, int height, int seed = 0) {
  std::vector<std::uint8_t> bmp(static_cast<std::size_t>(BmpFileSize(width, height)));
  WriteBmpHeader(width, height, bmp);
  for (std::size_t i = kBmpHeaderSize; i < bmp.size(); ++i)
    bmp[i] = static_cast<std::uint8_t>(i * 37 + static_cast<std::size_t>(seed) * 11);
  return bmp;
}

// For one scope, the environment variable `name` holds `value`.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class LinkEnv {
 public:
  // install: create the installation tree and record it where GetInstallDir looks.
  explicit LinkEnv(bool install = true) {
    std::filesystem::create_directory(tmp_dir());
    if (install) {
      CreateInstallationTree(install_dir());
      RecordInstallDir(install_dir());
    }
    ForgetDefaultDeviceLink();
  }
  ~LinkEnv() { ForgetDefaultDeviceLink(); }

  const TempDir& dir() const { return dir_; }
  std::string install_dir() const { return dir_.File("link"); }
  std::string tmp_dir() const { return dir_.File("tmp"); }
  std::string File(std::string_view name) const { return dir_.File(name); }
  std::string Under(std::initializer_list<std::string_view> names) const {
    std::string path = install_dir();
    for (auto n : names)
      path = JoinPath(path, n);
    return path;
  }
  std::string CacheGraphics() const { return Under({"pcshelf", "cache", "accessor", "graphics"}); }
  std::string DeviceGraphics() const { return Under({"device", "graphics"}); }

 private:
  TempDir dir_;
  ScopedEnv config_{kConfigDirVariable, dir_.File("config")};
  ScopedEnv tmp_{"TMPDIR", dir_.File("tmp")};
};

}  // namespace dotcaster::testing
