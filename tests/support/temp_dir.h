#pragma once

// A fresh folder for one test, removed with everything in it when the test ends. Lives
// under $DOTCASTER_TEST_TMP when set (ctest sets it inside the build tree), else the
// system's temporary folder; tests never touch the user's own files.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dotcaster::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // UTF-8 path of name inside the folder.
  std::string File(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace dotcaster::testing
