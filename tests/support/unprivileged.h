#pragma once

// Permissions do not bind root, and the tests run as root in CI: what depends on them runs
// in a child process as the unprivileged user "nobody" (as this user when it is not root).

#include <filesystem>
#include <functional>
#include <string>

namespace dotcaster::testing {

// Hands `folder` and everything in it to the unprivileged user (when this process is root).
void HandToUnprivilegedUser(const std::filesystem::path& folder);

// Hands `folder` and everything in it to the unprivileged user, then runs body in a child
// process as that user. Returns what body returns (a description of what it saw), or how
// the child failed.
std::string AsUnprivilegedUser(const std::filesystem::path& folder,
                               const std::function<std::string()>& body);

// The same user's prefix for a shell command ("setpriv ... " as root, nothing otherwise).
std::string UnprivilegedPrefix();

}  // namespace dotcaster::testing
