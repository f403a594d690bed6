#include "formats/file_io.h"

#include <atomic>
#include <cerrno>
#include <csignal>
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
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dotcaster {
namespace fs = std::filesystem;
namespace {

#ifdef _WIN32
using FileStat = struct _stat64;
constexpr int kReadFlags = _O_RDONLY | _O_BINARY | _O_NOINHERIT;
constexpr int kWriteFlags = _O_WRONLY | _O_BINARY | _O_NOINHERIT;
constexpr int kCreateNewFlags = kWriteFlags | _O_CREAT | _O_EXCL;
bool IsRegular(const FileStat& s) {
  return (s.st_mode & _S_IFMT) == _S_IFREG;
}
bool IsFolder(const FileStat& s) {
  return (s.st_mode & _S_IFMT) == _S_IFDIR;
}
#else
using FileStat = struct stat;
// Opening a FIFO for reading would wait for a writer: O_NONBLOCK returns at once, and the
// kind of file is then refused.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
constexpr int kWriteFlags = O_WRONLY | O_CLOEXEC;
constexpr int kCreateNewFlags = kWriteFlags | O_CREAT | O_EXCL;
bool IsRegular(const FileStat& s) {
  return S_ISREG(s.st_mode);
}
bool IsFolder(const FileStat& s) {
  return S_ISDIR(s.st_mode);
}
#endif

// A file descriptor, closed when it goes out of scope. The calls set errno on failure,
// which the callers read at once.
class Fd {
 public:
  Fd(const fs::path& path, int flags) {
    errno = 0;
#ifdef _WIN32
    fd_ = _wopen(path.c_str(), flags, _S_IREAD | _S_IWRITE);
#else
    fd_ = ::open(path.c_str(), flags, 0666);
#endif
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) CloseNow();
  }
  explicit operator bool() const {
    return fd_ >= 0;
  }
  int get() const {
    return fd_;
  }

  bool Stat(FileStat& out) const {
#ifdef _WIN32
    return _fstat64(fd_, &out) == 0;
#else
    return ::fstat(fd_, &out) == 0;
#endif
  }

  // Reads up to size bytes; the count read, short only at the end of the file; -1 on error.
  std::int64_t ReadUpTo(std::uint8_t* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
      const std::size_t chunk = std::min<std::size_t>(size - done, 1u << 30);
#ifdef _WIN32
      const auto n = _read(fd_, out + done, static_cast<unsigned>(chunk));
#else
      const auto n = ::read(fd_, out + done, chunk);
#endif
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
  }

  // Writes all of data; false with errno set when that fails.
  bool WriteAll(std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
      const std::size_t chunk = std::min<std::size_t>(data.size() - done, 1u << 30);
#ifdef _WIN32
      const auto n = _write(fd_, data.data() + done, static_cast<unsigned>(chunk));
#else
      const auto n = ::write(fd_, data.data() + done, chunk);
#endif
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        if (n == 0) errno = EIO;
        return false;
      }
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  // Closes now, so that a failure to store the last bytes is seen; true on success.
  bool CloseNow() {
    errno = 0;
#ifdef _WIN32
    const bool ok = _close(fd_) == 0;
#else
    const bool ok = ::close(fd_) == 0;
#endif
    fd_ = -1;
    return ok;
  }

 private:
  int fd_ = -1;
};

Error LastError(ErrorCode code) {
  return Error::FromErrno(code, errno);
}

// Checks that a file opened for reading is a regular file within the limits; its length.
Expected<std::uint64_t, Error> CheckOpened(Fd& in, const fs::path& path, const Limits& limits) {
  if (!in) {
    const Error error = LastError(ErrorCode::kOpenSource);
    // Windows refuses to open a folder, as "permission denied".
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      return Error(ErrorCode::kNotRegularFile, std::make_error_code(std::errc::is_a_directory));
    }
    return error;
  }
  FileStat st{};
  if (!in.Stat(st)) return LastError(ErrorCode::kReadSource);
  if (IsFolder(st))
    return Error(ErrorCode::kNotRegularFile, std::make_error_code(std::errc::is_a_directory));
  if (!IsRegular(st)) return ErrorCode::kNotRegularFile;
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > limits.max_file_bytes) return ErrorCode::kFileTooLarge;
  return size;
}

// A short name, unlikely to be taken, in the folder: short so that a target whose own name
// is near the length limit still gets one.
fs::path SiblingName(const fs::path& folder) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}() & 0xFFFFFF;
  return folder / ("~dc" + std::to_string(salt) + "-" + std::to_string(counter++) + ".tmp");
}

// A new file beside the target holding data, created so that it cannot be anybody else's
// file; its path, or kOpenTarget when the folder takes no new file, kWriteTarget when the
// data do not fit. On failure nothing is left behind.
Expected<fs::path, Error> WriteSibling(const fs::path& target, std::span<const std::uint8_t> data) {
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  for (int attempt = 0;; ++attempt) {
    const fs::path temp = SiblingName(folder);
    Fd out(temp, kCreateNewFlags);
    if (!out) {
      if (errno == EEXIST && attempt < 100) continue;
      return LastError(ErrorCode::kOpenTarget);
    }
    const bool ok = out.WriteAll(data) && out.CloseNow();
    if (ok) return temp;
    const Error error = LastError(ErrorCode::kWriteTarget);
    std::error_code ec;
    fs::remove(temp, ec);
    return error;
  }
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

// Gives the complete file the target's name when no file has it yet.
std::optional<Error> PlaceNew(const fs::path& temp, const fs::path& target) {
  std::optional<Error> error;
#if defined(__linux__)
  if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return std::nullopt;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
    error = LastError(ErrorCode::kWriteTarget);
#endif
#ifndef _WIN32
  // A file system without that rename: a hard link fails where the name is taken.
  if (!error) {
    if (::link(temp.c_str(), target.c_str()) == 0) {
      std::error_code ec;
      fs::remove(temp, ec);
      return std::nullopt;
    }
    if (errno != EPERM && errno != ENOTSUP) error = LastError(ErrorCode::kWriteTarget);
  }
#endif
  // Windows' own rename, and the last resort elsewhere, refuse a taken name themselves
  // (elsewhere only up to the moment of the check).
  if (!error) {
    errno = 0;
#ifdef _WIN32
    const bool renamed = _wrename(temp.c_str(), target.c_str()) == 0;
#else
    const bool renamed = !Exists(target) && std::rename(temp.c_str(), target.c_str()) == 0;
    if (!renamed && errno == 0) errno = EEXIST;
#endif
    if (renamed) return std::nullopt;
    error = LastError(ErrorCode::kWriteTarget);
  }
  if (error->system == std::errc::file_exists || Exists(target))
    error = Error(ErrorCode::kTargetExists);
  std::error_code ec;
  fs::remove(temp, ec);
  return error;
}

std::optional<Error> WriteStream(const fs::path& path, std::span<const std::uint8_t> data) {
  Fd out(path, kWriteFlags);
  if (!out) return LastError(ErrorCode::kOpenTarget);
  if (!out.WriteAll(data) || !out.CloseNow()) return LastError(ErrorCode::kWriteTarget);
  return std::nullopt;
}

// Rewrites a regular file through its own name, for a folder that takes no new files.
std::optional<Error> RewriteInPlace(const fs::path& target, std::span<const std::uint8_t> data) {
  auto old = ReadFileBytes(FromFsPath(target), kDefaultLimits);
  if (!old) return Error(ErrorCode::kOpenTarget, old.error().system);
  Fd out(target, kWriteFlags);
  if (!out) return LastError(ErrorCode::kOpenTarget);
#ifndef _WIN32
  // The space first: a full disk or a file-size limit then fails before any old byte
  // changes. A file system that cannot reserve space goes on without.
  if (data.size() > old->size()) {
    const int r = ::posix_fallocate(out.get(), 0, static_cast<off_t>(data.size()));
    if (r != 0 && r != EINVAL && r != EOPNOTSUPP) {
      (void)::ftruncate(out.get(), static_cast<off_t>(old->size()));
      return Error::FromErrno(ErrorCode::kWriteTarget, r);
    }
  }
  auto write_at_start = [&](std::span<const std::uint8_t> bytes) {
    return ::lseek(out.get(), 0, SEEK_SET) == 0 && out.WriteAll(bytes) &&
           ::ftruncate(out.get(), static_cast<off_t>(bytes.size())) == 0 && ::fsync(out.get()) == 0;
  };
#else
  auto write_at_start = [&](std::span<const std::uint8_t> bytes) {
    return _lseeki64(out.get(), 0, SEEK_SET) == 0 && out.WriteAll(bytes) &&
           _chsize_s(out.get(), static_cast<long long>(bytes.size())) == 0;
  };
#endif
  if (write_at_start(data)) {
    if (out.CloseNow()) return std::nullopt;
    return LastError(ErrorCode::kWriteTarget);
  }
  const Error error = LastError(ErrorCode::kWriteTarget);
  // Best effort: the old content did fit before, so putting it back normally succeeds.
  (void)write_at_start(*old);
  return error;
}

// Writes data beside a regular file and renames the new file over it.
std::optional<Error> ReplaceRegular(const fs::path& target, std::span<const std::uint8_t> data,
                                    bool in_place) {
  {
    // A file that may not be written stays as it is, although a rename could replace it.
    Fd check(target, kWriteFlags);
    if (!check) return LastError(ErrorCode::kOpenTarget);
  }
  auto temp = WriteSibling(target, data);
  if (!temp) {
    if (in_place && temp.error().code == ErrorCode::kOpenTarget)
      return RewriteInPlace(target, data);
    return temp.error();
  }
  std::error_code ec;
  // The new file takes the old one's permissions (not its owner: only root could).
  const auto perms = fs::status(target, ec).permissions();
  if (!ec) fs::permissions(*temp, perms, ec);
#ifdef _WIN32
  // And its attributes, which a rename would drop: a hidden file stays hidden.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(temp->c_str(), attributes);
#endif
  fs::rename(*temp, target, ec);
  if (!ec) return std::nullopt;
  const Error error(ErrorCode::kWriteTarget, ec);
  fs::remove(*temp, ec);
  return error;
}

}  // namespace

Expected<Bytes, Error> ReadFileBytes(std::string_view path, const Limits& limits) {
  const fs::path fs_path = ToFsPath(path);
  Fd in(fs_path, kReadFlags);
  auto size = CheckOpened(in, fs_path, limits);
  if (!size) return size.error();
  Bytes data(static_cast<std::size_t>(*size));
  const std::int64_t got = in.ReadUpTo(data.data(), data.size());
  if (got < 0) return LastError(ErrorCode::kReadSource);
  // A file that shrank since it was measured ends without a system error.
  if (static_cast<std::uint64_t>(got) != *size) return ErrorCode::kReadSource;
  return data;
}

Expected<FileHead, Error> ReadFileHead(std::string_view path, std::size_t count,
                                       const Limits& limits) {
  const fs::path fs_path = ToFsPath(path);
  Fd in(fs_path, kReadFlags);
  auto size = CheckOpened(in, fs_path, limits);
  if (!size) return size.error();
  FileHead head{Bytes(static_cast<std::size_t>(std::min<std::uint64_t>(count, *size))), *size};
  const std::int64_t got = in.ReadUpTo(head.bytes.data(), head.bytes.size());
  if (got < 0) return LastError(ErrorCode::kReadSource);
  head.bytes.resize(static_cast<std::size_t>(got));
  return head;
}

TargetKind KindOfTarget(std::string_view path) {
  const fs::path p = ToFsPath(path);
  if (!Exists(p)) return TargetKind::kMissing;
  std::error_code ec;
  switch (fs::status(p, ec).type()) {
    case fs::file_type::regular:
      return TargetKind::kFile;
    case fs::file_type::character:
    case fs::file_type::fifo:
      return TargetKind::kStream;
    case fs::file_type::directory:
      return TargetKind::kFolder;
    default:
      return TargetKind::kOther;
  }
}

std::string FileIdentity(std::string_view path) {
  const fs::path p = ToFsPath(path);
  const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
#ifdef _WIN32
  // Names differ in case only on other systems; here the folder's full path stands for it.
  std::error_code ec;
  const fs::path real = fs::canonical(folder, ec);
  if (!ec) return AsciiUpper(FromFsPath(real / p.filename()));
#else
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) {
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + "/" +
           FromFsPath(p.filename());
  }
#endif
  std::string text(1, '?');
  text += FromFsPath(p.lexically_normal());
  return text;
}

bool IsStandardOutput(std::string_view path) {
#ifdef _WIN32
  (void)path;
  return false;
#else
  struct stat named {
  }, out{};
  return ::stat(ToFsPath(path).c_str(), &named) == 0 && ::fstat(STDOUT_FILENO, &out) == 0 &&
         named.st_dev == out.st_dev && named.st_ino == out.st_ino;
#endif
}

std::optional<Error> WriteFileSafely(std::string_view path, std::span<const std::uint8_t> data,
                                     WriteRules rules) {
  const fs::path target = ToFsPath(path);
  switch (KindOfTarget(path)) {
    case TargetKind::kMissing:
      break;
    case TargetKind::kFile: {
      if (!rules.replace) return ErrorCode::kTargetExists;
      // Through a symbolic link the file it leads to is replaced, and the link stays.
      std::error_code ec;
      const fs::path real = fs::canonical(target, ec);
      return ReplaceRegular(ec ? target : real, data, rules.in_place);
    }
    case TargetKind::kStream:
      return WriteStream(target, data);
    case TargetKind::kFolder:
      return Error(ErrorCode::kTargetNotFile, std::make_error_code(std::errc::is_a_directory));
    case TargetKind::kOther:
      return ErrorCode::kTargetNotFile;
  }
  auto temp = WriteSibling(target, data);
  if (!temp) return temp.error();
  if (!rules.replace) return PlaceNew(*temp, target);
  std::error_code ec;
  fs::rename(*temp, target, ec);
  if (!ec) return std::nullopt;
  const Error error(ErrorCode::kWriteTarget, ec);
  fs::remove(*temp, ec);
  return error;
}

std::optional<Error> WriteFileReplacing(std::string_view path, std::span<const std::uint8_t> data) {
  return WriteFileSafely(path, data, {.replace = true, .in_place = true});
}

bool ReplaceFileContent(std::string_view path, std::span<const std::uint8_t> data) {
  return !WriteFileSafely(path, data, {.replace = true, .in_place = false}).has_value();
}

std::optional<Error> OpenForWritingCreates(std::string_view path) {
#ifdef _WIN32
  Fd out(ToFsPath(path), kWriteFlags | _O_CREAT);
#else
  Fd out(ToFsPath(path), kWriteFlags | O_CREAT | O_NONBLOCK);
#endif
  if (!out) return LastError(ErrorCode::kOpenTarget);
  return std::nullopt;
}

void ReportFileSizeLimitAsError() {
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

}  // namespace dotcaster
