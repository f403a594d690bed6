#pragma once

// Error codes of the format routines, each with a text for the user.

#include <string_view>

namespace dotcaster {

enum class FormatError {
  kOpenSource,   // the source file cannot be opened
  kReadSource,   // reading the source failed
  kTooShort,     // the source ends before its header (or has no data at all)
  kEmptyImage,   // the header gives a width or height of 0
  kTooLarge,     // a byte offset would exceed the 16-bit limit of the format routines
  kOpenTarget,   // the target file cannot be created or opened for writing
  kWriteTarget,  // writing the target failed (disk full, file-size limit, ...)
  kNotAPicture,  // the content is none of the picture types Dotcaster reads
  kCorrupt,      // the header or data contradict themselves
};

std::string_view FormatErrorText(FormatError error);

}  // namespace dotcaster
