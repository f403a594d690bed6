#pragma once

// The save pipeline: every save command of the window ends here. Writes the converted
// result (state.WorkDspFile, a 1-bit bitmap) to a target as a bitmap when the target's name
// ends in ".bmp" (any case), otherwise as a Quadrel file; for a device save
// (state.UploadAfterSave, state.DevicePath) through a temporary "Qdl" file in the system's
// temporary folder handed to Dov_PutFile.
//
// The target is replaced only after the new content is complete: it is written to a new
// file in the target's folder and renamed over the old one, so a failed write ("Write
// error!") leaves the old file and no stray file. A target that may not be written (a
// read-only file) is refused untouched, although its folder would allow the rename. On success:
// CurFileName is the target, Modified is clear, SrcIsQdl/SrcExt/SrcIsMono describe the saved file,
// and a Quadrel save records the last file ("File1"). A refused upload shows "File translate error
// when upload to Vantro!" and the save still completes, with the picture in the target (the device
// file's cache copy). With Modified clear nothing happens.
//
// Returns false after "Write error!": the state is then as it was, and the caller keeps the
// picture's name, title and unsaved state, so that nothing discards the picture silently.
// True when the picture was saved or there was nothing to save.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "state/app_state.h"

namespace dotcaster {

inline constexpr const char* kWriteErrorMessage = "Write error!";
inline constexpr const char* kUploadErrorMessage = "File translate error when upload to Vantro!";

bool SaveResultFile(AppState& state, std::string_view target);

// Deletes path when it exists as a file (hidden and system files too), after clearing a
// read-only attribute. Errors are ignored.
void DeleteFileIfExists(std::string_view path);

// The characters before the first NUL.
std::string TrimAtNul(std::string_view text);

// The system's temporary folder with a trailing separator (TMPDIR and the like apply).
std::string SystemTempDir();

// Creates a new empty file named <folder>/<prefix><unique>.tmp and returns its path, or
// empty text when none can be created.
std::string CreateUniqueTempFile(std::string_view folder, std::string_view prefix);

}  // namespace dotcaster
