#include "formats/file_io.h"

#include <atomic>
#include <filesystem>
#include <fstream>
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

fs::path SiblingTempName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  fs::path candidate;
  std::error_code ec;
  do {
    candidate = target;
    candidate += ".dctmp" + std::to_string(counter++);
  } while (fs::exists(candidate, ec));
  return candidate;
}

}  // namespace

std::optional<FormatError> WriteFileReplacing(std::string_view path,
                                              std::span<const std::uint8_t> data) {
  const fs::path target = ToFsPath(path);
  // A read-only target must stay as it is, although a rename could replace it.
  if (!OpenForWritingCreates(path)) return FormatError::kOpenTarget;

  const fs::path temp = SiblingTempName(target);
  {
    std::ofstream probe(temp, std::ios::binary | std::ios::trunc);
    if (!probe) {
      // The folder takes no new files; the target itself is writable, so rewrite it.
      return WriteAll(target, data) ? std::nullopt : std::optional(FormatError::kWriteTarget);
    }
  }
  std::error_code ec;
  if (!WriteAll(temp, data)) {
    fs::remove(temp, ec);
    return FormatError::kWriteTarget;
  }
  fs::rename(temp, target, ec);
  if (ec) {
    fs::remove(temp, ec);
    return FormatError::kWriteTarget;
  }
  return std::nullopt;
}

}  // namespace dotcaster
