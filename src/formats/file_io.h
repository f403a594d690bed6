#pragma once

// Whole-file reads and safe whole-file writes. Every file these routines open is closed
// before they return, on every path, and a failure carries the system's reason from the
// call that failed.
//
// Reads take regular files only, and never more than the limits allow. Writes never leave
// a name with partial content: the bytes go to a new file beside the target, which takes
// the target's name only once it is complete, so a write that fails (a full disk, a
// file-size limit) or a process killed half-way leaves the old file, or no file, and at
// worst a "~dc*.tmp" file beside it. Only regular files are replaced; a character device or
// a FIFO (/dev/null, a pipe) is written to as it is, and anything else is refused.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "formats/bytes.h"
#include "state/error.h"
#include "state/expected.h"
#include "state/limits.h"

namespace dotcaster {

// Reads the whole file. Only a regular file is read: a folder, a FIFO or a device fails
// with kNotRegularFile (a folder with the system's "is a directory") without waiting for a
// writer, and a file longer than limits.max_file_bytes with kFileTooLarge before anything
// is read.
Expected<Bytes, Error> ReadFileBytes(std::string_view path, const Limits& limits);

// The first `count` bytes of a file (all of a shorter one) and its length, refused as
// ReadFileBytes refuses.
struct FileHead {
  Bytes bytes;
  std::uint64_t size = 0;
};
Expected<FileHead, Error> ReadFileHead(std::string_view path, std::size_t count,
                                       const Limits& limits);

// What a write to a path would meet there; a symbolic link counts as what it leads to.
enum class TargetKind {
  kMissing,  // nothing: the write creates the file
  kFile,     // a regular file: replaced whole
  kStream,   // a character device or a FIFO: written to as it is, never replaced
  kFolder,   // never written
  kOther,    // a socket, a block device, a link that leads nowhere: never written
};
TargetKind KindOfTarget(std::string_view path);

// Text that is the same for two paths exactly when they name one file in one folder: the
// folder's identity (its device and inode number, however the folder is reached, links
// included) and the name in it. A path whose folder does not exist gives its own text.
std::string FileIdentity(std::string_view path);

// Whether path names the very file standard output goes to (/dev/stdout, a link to it, the
// terminal or pipe itself).
bool IsStandardOutput(std::string_view path);

// How a write treats what is at the target.
struct WriteRules {
  // False: the target must not exist. Whether it does is decided at the moment the complete
  // file takes the name, so a file that appears meanwhile is not replaced either
  // (kTargetExists).
  bool replace = true;
  // Where the folder takes no new files but the existing target may be written, the target
  // is rewritten in place: its old content is kept in memory, the space for the new one is
  // reserved before the first byte changes, and the old content is put back if the write
  // fails all the same.
  bool in_place = false;
};

// Writes data as the file at path. A regular file that is replaced must itself be
// writable (a read-only file is refused untouched, although its folder would allow a
// rename); the new file keeps the old one's permissions, and a symbolic link stays a link
// to the rewritten file. Refuses a folder and kOther targets with kTargetNotFile; writes a
// kStream target directly. Returns the error, or nothing on success.
[[nodiscard]] std::optional<Error> WriteFileSafely(std::string_view path,
                                                   std::span<const std::uint8_t> data,
                                                   WriteRules rules);

// WriteFileSafely replacing, and in place where the folder takes no new files.
[[nodiscard]] std::optional<Error> WriteFileReplacing(std::string_view path,
                                                      std::span<const std::uint8_t> data);

// WriteFileSafely replacing, never in place; true on success.
[[nodiscard]] bool ReplaceFileContent(std::string_view path, std::span<const std::uint8_t> data);

// Opens the file for writing without changing it, creating it empty when it does not exist
// yet (as opening a file for writing does); the error when that fails.
[[nodiscard]] std::optional<Error> OpenForWritingCreates(std::string_view path);

// Makes a write beyond the process's file-size limit fail with "File too large" (reported
// like a full disk) instead of ending the process. Programs call it once at start.
void ReportFileSizeLimitAsError();

}  // namespace dotcaster
