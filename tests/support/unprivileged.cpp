#include "unprivileged.h"

#include <cstdlib>

#ifndef _WIN32
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace dotcaster::testing {
#ifdef _WIN32

void HandToUnprivilegedUser(const std::filesystem::path&) {}

std::string AsUnprivilegedUser(const std::filesystem::path&,
                               const std::function<std::string()>& body) {
  return body();
}

std::string UnprivilegedPrefix() {
  return "";
}

#else
namespace {
constexpr uid_t kNobody = 65534;  // "nobody" and "nogroup" on Debian
}  // namespace

void HandToUnprivilegedUser(const std::filesystem::path& folder) {
  if (geteuid() != 0) return;
  [[maybe_unused]] const int status =
      std::system(("chown -R 65534:65534 '" + folder.string() + "'").c_str());
}

std::string AsUnprivilegedUser(const std::filesystem::path& folder,
                               const std::function<std::string()>& body) {
  HandToUnprivilegedUser(folder);
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_fds[0]);
    if (geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      _exit(3);
    }
    const std::string seen = body();
    const bool sent =
        write(pipe_fds[1], seen.data(), seen.size()) == static_cast<ssize_t>(seen.size());
    _exit(sent ? 0 : 4);
  }
  close(pipe_fds[1]);
  std::string seen;
  char buffer[4096];
  for (ssize_t n; (n = read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
    seen.append(buffer, static_cast<std::size_t>(n));
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "the unprivileged child failed (status " + std::to_string(status) + ")";
  }
  return seen;
}

std::string UnprivilegedPrefix() {
  return geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
}

#endif

}  // namespace dotcaster::testing
