#include "formats/file_io.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "state/paths.h"

namespace dotcaster {
namespace fs = std::filesystem;

Expected<Bytes, FormatError> ReadFileBytes(std::string_view path, std::size_t max_bytes) {
  std::ifstream in(ToFsPath(path), std::ios::binary);
  if (!in) return FormatError::kOpenSource;
  std::error_code ec;
  const auto size = fs::file_size(ToFsPath(path), ec);
  if (ec) return FormatError::kReadSource;
  const std::size_t wanted =
      static_cast<std::size_t>(std::min<std::uintmax_t>(size, std::uintmax_t{max_bytes}));
  Bytes data(wanted);
  if (wanted > 0 &&
      !in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(wanted))) {
    return FormatError::kReadSource;
  }
  return data;
}

bool OpenForWritingCreates(std::string_view path) {
  // Append mode opens for writing without truncating, and creates a missing file.
  std::ofstream out(ToFsPath(path), std::ios::binary | std::ios::app);
  return static_cast<bool>(out);
}

namespace {

bool WriteAll(const fs::path& path, std::span<const std::uint8_t> data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.close();
  return !out.fail();
}

// A short name, unlikely to be taken, in the target's folder: short so that a target whose
// own name is near the length limit still gets one.
fs::path SiblingTempName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}() & 0xFFFFFF;
  fs::path candidate;
  std::error_code ec;
  do {
    candidate = target.parent_path() /
                ("~dc" + std::to_string(salt) + "-" + std::to_string(counter++) + ".tmp");
  } while (fs::exists(candidate, ec));
  return candidate;
}

// The file a write to path really changes: a symbolic link is followed, so that replacing
// the content keeps the link and changes the file it points to.
fs::path WriteDestination(const fs::path& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  fs::path real = fs::canonical(path, ec);
  return ec ? path : real;
}

// Content of a file that is about to be rewritten in place, kept to put back if the
// rewrite fails. Targets are pictures; a larger file is not rewritten without a copy.
constexpr std::uintmax_t kMaxInPlaceBackup = 64u << 20;

std::optional<FormatError> RewriteInPlace(const fs::path& target,
                                          std::span<const std::uint8_t> data) {
  std::error_code ec;
  const auto old_size = fs::file_size(target, ec);
  if (ec || old_size > kMaxInPlaceBackup) return FormatError::kWriteTarget;
  auto old = ReadFileBytes(FromFsPath(target));
  if (!old) return FormatError::kWriteTarget;
  if (WriteAll(target, data)) return std::nullopt;
  // Best effort: the old content did fit before, so putting it back normally succeeds.
  WriteAll(target, *old);
  return FormatError::kWriteTarget;
}

// Writes data to a new file beside the target and renames it over the target. Returns
// kOpenTarget when the folder takes no new files (the target is then untouched).
std::optional<FormatError> WriteBesideAndRename(const fs::path& target,
                                                std::span<const std::uint8_t> data) {
  const fs::path temp = SiblingTempName(target);
  {
    std::ofstream probe(temp, std::ios::binary | std::ios::trunc);
    if (!probe) return FormatError::kOpenTarget;
  }
  std::error_code ec;
  if (!WriteAll(temp, data)) {
    fs::remove(temp, ec);
    return FormatError::kWriteTarget;
  }
  // The new file takes the old one's permissions (not its owner: only root could).
  const auto perms = fs::status(target, ec).permissions();
  if (!ec) fs::permissions(temp, perms, ec);
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return FormatError::kWriteTarget;
  }
  return std::nullopt;
}

}  // namespace

std::optional<FormatError> WriteFileReplacing(std::string_view path,
                                              std::span<const std::uint8_t> data) {
  // A target that may not be written must stay as it is, although a rename could
  // replace it; this also creates a missing target, as opening for writing always has.
  if (!OpenForWritingCreates(path)) return FormatError::kOpenTarget;
  const fs::path target = WriteDestination(ToFsPath(path));
  const auto error = WriteBesideAndRename(target, data);
  // The folder takes no new files, but the target itself is writable.
  if (error == FormatError::kOpenTarget) return RewriteInPlace(target, data);
  return error;
}

bool ReplaceFileContent(std::string_view path, std::span<const std::uint8_t> data) {
  return !WriteBesideAndRename(WriteDestination(ToFsPath(path)), data).has_value();
}

}  // namespace dotcaster
