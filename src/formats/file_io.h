#pragma once

// Whole-file reads and safe whole-file writes. Every file these routines open is closed
// before they return, on every path, and a failure carries the system's reason from the
// call that failed.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "formats/bytes.h"
#include "state/error.h"
#include "state/expected.h"
#include "state/limits.h"

namespace dotcaster {

// Reads the whole file. A file longer than limits.max_file_bytes is refused
// (kPictureTooLarge) before anything is allocated; a folder fails with kReadSource.
Expected<Bytes, Error> ReadFileBytes(std::string_view path, const Limits& limits);

// Replaces the content of path with data, in one piece: the bytes go to a new file in the
// same folder which is then renamed over the target, so a failed write (disk full, a
// file-size limit) leaves the old content intact and no stray file behind. The new file
// keeps the old one's permissions, and a symbolic link stays a link to the rewritten file.
// A target that cannot be opened for writing (read-only, a folder, a missing folder) is
// refused untouched; a missing target is created first, and stays behind empty when the
// write then fails. Where the folder does not allow new files but the target itself is
// writable, the target is rewritten in place and its old content put back if that fails.
// Returns the error, or nothing on success.
[[nodiscard]] std::optional<Error> WriteFileReplacing(std::string_view path,
                                                      std::span<const std::uint8_t> data);

// Replaces the content of path with data in one piece: the bytes go to a new file in the
// same folder, which is renamed over path only when complete. On any failure (a folder that
// takes no new files, a full disk, a file-size limit) path keeps its old content, the new
// file is removed, and the result is false. Unlike WriteFileReplacing it never rewrites in
// place and never creates path before the data is complete.
[[nodiscard]] bool ReplaceFileContent(std::string_view path, std::span<const std::uint8_t> data);

// Opens the file for writing without changing it, creating it empty when it does not exist
// yet (as opening a file for writing does); the error when that fails.
[[nodiscard]] std::optional<Error> OpenForWritingCreates(std::string_view path);

}  // namespace dotcaster
