#pragma once

// Permissions do not bind root, and the tests run as root in CI: what depends on them runs
// as the unprivileged user "nobody" (as this user when it is not root, and on Windows).

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace dotcaster::testing {

// Ids or limits that cannot be switched or given back would test the wrong thing: stop.
inline void RequireOrAbort(bool ok) {
  if (ok) return;
  std::perror("dotcaster tests");
  std::abort();
}

// Hands `folder` and everything in it to the unprivileged user (when this process is root).
inline void HandToUnprivilegedUser([[maybe_unused]] const std::filesystem::path& folder) {
#ifndef _WIN32
  if (geteuid() == 0) {
    [[maybe_unused]] const int status =
        std::system(("chown -R 65534:65534 '" + folder.string() + "'").c_str());
  }
#endif
}

// The same user's prefix for a shell command ("setpriv ... " as root, nothing otherwise).
inline std::string UnprivilegedPrefix() {
#ifndef _WIN32
  if (geteuid() == 0) return "setpriv --reuid=65534 --regid=65534 --clear-groups ";
#endif
  return "";
}

// For one scope, permissions bind this process as they bind that user (a root process takes
// its ids, without supplementary groups); a folder given is handed over first.
class AsUnprivilegedUser {
 public:
  explicit AsUnprivilegedUser([[maybe_unused]] const std::filesystem::path& folder = {}) {
#ifndef _WIN32
    if (!folder.empty()) HandToUnprivilegedUser(folder);
    if (geteuid() != 0) return;
    // The groups go first: once the user is not root, changing them is no longer allowed.
    const int count = getgroups(0, nullptr);
    RequireOrAbort(count >= 0);
    groups_.resize(static_cast<std::size_t>(count));
    RequireOrAbort(getgroups(count, groups_.data()) == count);
    group_ = getegid();
    RequireOrAbort(setgroups(0, nullptr) == 0 && setegid(65534) == 0 && seteuid(65534) == 0);
    switched_ = true;
#endif
  }
  ~AsUnprivilegedUser() {
#ifndef _WIN32
    if (!switched_) return;
    RequireOrAbort(seteuid(0) == 0 && setegid(group_) == 0 &&
                   setgroups(groups_.size(), groups_.data()) == 0);
#endif
  }
  AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
  AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;

 private:
  bool switched_ = false;
  unsigned group_ = 0;            // root's own effective group and
  std::vector<unsigned> groups_;  // supplementary groups, given back at the end
};

// For one scope, files this process writes may grow to `bytes` only, as on a full disk: the
// write fails half-way with "File too large" (its signal is ignored). Nothing on Windows.
class FileSizeLimit {
 public:
  explicit FileSizeLimit([[maybe_unused]] unsigned long long bytes) {
#ifndef _WIN32
    RequireOrAbort(getrlimit(RLIMIT_FSIZE, &old_) == 0);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    RequireOrAbort(setrlimit(RLIMIT_FSIZE, &limit) == 0);
#endif
  }
  ~FileSizeLimit() {
#ifndef _WIN32
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
#endif
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
#ifndef _WIN32
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
#endif
};

}  // namespace dotcaster::testing
