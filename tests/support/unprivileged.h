#pragma once

// Permissions do not bind root, and the tests run as root in CI: what depends on them runs
// as the unprivileged user "nobody" (as this user when it is not root, and on Windows).

#include <filesystem>
#include <string>
#include <vector>

namespace dotcaster::testing {

// Hands `folder` and everything in it to the unprivileged user (when this process is root).
void HandToUnprivilegedUser(const std::filesystem::path& folder);

// For one scope, permissions bind this process as they bind that user: a root process takes
// its effective ids, without supplementary groups, and gets its own back at the end. Given a
// folder, hands it over first, so that the user may change what is in it.
class AsUnprivilegedUser {
 public:
  AsUnprivilegedUser();
  explicit AsUnprivilegedUser(const std::filesystem::path& folder);
  ~AsUnprivilegedUser();
  AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
  AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

 private:
  void Switch();

  bool switched_ = false;
  unsigned group_ = 0;            // root's own effective group and
  std::vector<unsigned> groups_;  // supplementary groups, given back at the end
};

// The same user's prefix for a shell command ("setpriv ... " as root, nothing otherwise).
std::string UnprivilegedPrefix();

// For one scope, files this process writes may grow to `bytes` only, as a disk that fills up
// stops a write half-way: the write fails with "File too large" (its signal is ignored).
// Nothing on Windows.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long long bytes);
  ~FileSizeLimit();
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  unsigned long long old_ = 0;
  void (*old_handler_)(int) = nullptr;
};

}  // namespace dotcaster::testing
