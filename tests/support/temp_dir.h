#pragma once

// A fresh folder for one test, removed with everything in it when the test ends. Lives
// under $DOTCASTER_TEST_TMP when set (ctest sets it inside the build tree), else the
// system's temporary folder; tests never touch the user's own files.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "state/paths.h"

namespace dotcaster::testing {

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("DOTCASTER_TEST_TMP");
    const std::filesystem::path root =
        base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(root);
    std::random_device random;
    do {  // a name that exists is another test's, or one a crashed test left
      path_ = root / ("dotcaster-test-" + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempDir() {
    namespace fs = std::filesystem;
    // Taken permissions come back so that everything can go; no link is followed out.
    std::error_code ec, ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (!it->is_symlink(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // UTF-8 path of name inside the folder.
  std::string File(std::string_view name) const { return FromFsPath(path_ / ToFsPath(name)); }

 private:
  std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(ToFsPath(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(ToFsPath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace dotcaster::testing
