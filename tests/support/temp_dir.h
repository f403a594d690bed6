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

// For one scope, file permissions bind this process as they bind a user: a root process
// takes the effective user and group "nobody" (65534) and gets its own back at the end
// (root passes every permission check, and tests run as root in CI). Elsewhere, and for
// other users, nothing changes.
class AsUnprivilegedUser {
 public:
  AsUnprivilegedUser();
  ~AsUnprivilegedUser();
  AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
  AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

 private:
  bool switched_ = false;
};

std::vector<std::uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace dotcaster::testing
