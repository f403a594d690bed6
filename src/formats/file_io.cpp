#include "formats/file_io.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "state/paths.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace dotcaster {
namespace fs = std::filesystem;
namespace {

// A C stream, closed when it goes out of scope. C streams report why they failed in errno,
// which the callers read at once after the failing call.
class File {
 public:
  File(const fs::path& path, const char* mode) {
    errno = 0;
#ifdef _WIN32
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    file_ = _wfopen(path.c_str(), wide_mode.c_str());
#else
    file_ = std::fopen(path.c_str(), mode);
#endif
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() {
    if (file_) std::fclose(file_);
  }

  std::FILE* get() const {
    return file_;
  }
  explicit operator bool() const {
    return file_ != nullptr;
  }

  // Closes now, so that a failure to flush the last bytes is seen; true on success.
  bool Close() {
    errno = 0;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }

 private:
  std::FILE* file_ = nullptr;
};

std::optional<Error> WriteAll(const fs::path& path, std::span<const std::uint8_t> data) {
  File out(path, "wb");
  if (!out) return Error::FromErrno(ErrorCode::kOpenTarget, errno);
  if (!data.empty() && std::fwrite(data.data(), 1, data.size(), out.get()) != data.size()) {
    return Error::FromErrno(ErrorCode::kWriteTarget, errno);
  }
  if (!out.Close()) return Error::FromErrno(ErrorCode::kWriteTarget, errno);
  return std::nullopt;
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

std::optional<Error> RewriteInPlace(const fs::path& target, std::span<const std::uint8_t> data) {
  // The old content, to put back if the rewrite fails.
  auto old = ReadFileBytes(FromFsPath(target), kDefaultLimits);
  if (!old) return Error(ErrorCode::kWriteTarget, old.error().system);
  auto error = WriteAll(target, data);
  if (!error) return std::nullopt;
  // Best effort: the old content did fit before, so putting it back normally succeeds.
  (void)WriteAll(target, *old);
  return Error(ErrorCode::kWriteTarget, error->system);
}

// Writes data to a new file beside the target and renames it over the target. Fails with
// kOpenTarget when the folder takes no new files (the target is then untouched).
std::optional<Error> WriteBesideAndRename(const fs::path& target,
                                          std::span<const std::uint8_t> data) {
  const fs::path temp = SiblingTempName(target);
  std::error_code ec;
  if (auto error = WriteAll(temp, data)) {
    fs::remove(temp, ec);
    return error;
  }
  // The new file takes the old one's permissions (not its owner: only root could).
  const auto perms = fs::status(target, ec).permissions();
  if (!ec) fs::permissions(temp, perms, ec);
#ifdef _WIN32
  // A rename over a file drops its attributes with it: a hidden or system file would come
  // back visible. The read-only one is the permission above.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(temp.c_str(), attributes);
#endif
  fs::rename(temp, target, ec);
  if (ec) {
    const Error error(ErrorCode::kWriteTarget, ec);
    fs::remove(temp, ec);
    return error;
  }
  return std::nullopt;
}

}  // namespace

Expected<Bytes, Error> ReadFileBytes(std::string_view path, const Limits& limits) {
  const fs::path fs_path = ToFsPath(path);
  File in(fs_path, "rb");
  std::error_code ec;
  if (!in) {
    const int reason = errno;
    // Windows refuses to open a folder as "permission denied"; it is no file at all.
    if (fs::is_directory(fs_path, ec)) {
      return Error(ErrorCode::kReadSource, std::make_error_code(std::errc::is_a_directory));
    }
    return Error::FromErrno(ErrorCode::kOpenSource, reason);
  }
  // Other systems open a folder for reading; its size is then refused as "is a directory".
  const std::uintmax_t size = fs::file_size(fs_path, ec);
  if (ec) return Error(ErrorCode::kReadSource, ec);
  if (size > limits.max_file_bytes) return ErrorCode::kPictureTooLarge;
  Bytes data(static_cast<std::size_t>(size));
  errno = 0;
  if (!data.empty() && std::fread(data.data(), 1, data.size(), in.get()) != data.size()) {
    // A file that shrank since it was measured ends without a system error.
    return Error::FromErrno(ErrorCode::kReadSource, std::ferror(in.get()) ? errno : 0);
  }
  return data;
}

std::optional<Error> OpenForWritingCreates(std::string_view path) {
  // Append mode opens for writing without truncating, and creates a missing file.
  File out(ToFsPath(path), "ab");
  if (!out) return Error::FromErrno(ErrorCode::kOpenTarget, errno);
  return std::nullopt;
}

std::optional<Error> WriteFileReplacing(std::string_view path, std::span<const std::uint8_t> data) {
  // A target that may not be written must stay as it is, although a rename could
  // replace it; this also creates a missing target, as opening for writing always has.
  if (auto error = OpenForWritingCreates(path)) return error;
  const fs::path target = WriteDestination(ToFsPath(path));
  auto error = WriteBesideAndRename(target, data);
  // The folder takes no new files, but the target itself is writable.
  if (error && error->code == ErrorCode::kOpenTarget) return RewriteInPlace(target, data);
  return error;
}

bool ReplaceFileContent(std::string_view path, std::span<const std::uint8_t> data) {
  return !WriteBesideAndRename(WriteDestination(ToFsPath(path)), data).has_value();
}

}  // namespace dotcaster
