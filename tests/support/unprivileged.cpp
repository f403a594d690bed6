#include "unprivileged.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#ifndef _WIN32
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace dotcaster::testing {
#ifdef _WIN32

void HandToUnprivilegedUser(const std::filesystem::path&) {}
void AsUnprivilegedUser::Switch() {}
AsUnprivilegedUser::~AsUnprivilegedUser() = default;

std::string UnprivilegedPrefix() {
  return "";
}

FileSizeLimit::FileSizeLimit(unsigned long long) {}
FileSizeLimit::~FileSizeLimit() = default;

#else
namespace {
constexpr uid_t kNobody = 65534;  // "nobody" and "nogroup" on Debian

// A test whose ids cannot be switched or given back would test the wrong user: it stops.
void Require(bool ok) {
  if (ok) return;
  std::perror("AsUnprivilegedUser");
  std::abort();
}
}  // namespace

void HandToUnprivilegedUser(const std::filesystem::path& folder) {
  if (geteuid() != 0) return;
  [[maybe_unused]] const int status =
      std::system(("chown -R 65534:65534 '" + folder.string() + "'").c_str());
}

void AsUnprivilegedUser::Switch() {
  if (geteuid() != 0) return;
  // The groups go first: once the user is not root, changing them is no longer allowed.
  const int count = getgroups(0, nullptr);
  Require(count >= 0);
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  Require(getgroups(count, groups.data()) == count);
  groups_.assign(groups.begin(), groups.end());
  group_ = getegid();
  Require(setgroups(0, nullptr) == 0 && setegid(kNobody) == 0 && seteuid(kNobody) == 0);
  switched_ = true;
}

AsUnprivilegedUser::~AsUnprivilegedUser() {
  if (!switched_) return;
  const std::vector<gid_t> groups(groups_.begin(), groups_.end());
  Require(seteuid(0) == 0 && setegid(group_) == 0 && setgroups(groups.size(), groups.data()) == 0);
}

std::string UnprivilegedPrefix() {
  return geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
}

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
  rlimit limit{};
  Require(getrlimit(RLIMIT_FSIZE, &limit) == 0);
  old_ = limit.rlim_cur;
  old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  limit.rlim_cur = bytes;
  Require(setrlimit(RLIMIT_FSIZE, &limit) == 0);
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = old_;
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, old_handler_);
}

#endif

AsUnprivilegedUser::AsUnprivilegedUser() {
  Switch();
}

AsUnprivilegedUser::AsUnprivilegedUser(const std::filesystem::path& folder) {
  HandToUnprivilegedUser(folder);
  Switch();
}

}  // namespace dotcaster::testing
