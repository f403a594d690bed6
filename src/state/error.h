#pragma once

// The one error type of the core: what went wrong as a code, and the operating system's
// reason where a system call failed. The reason is taken at the failing call itself; nobody
// reopens or re-examines a file afterwards to guess it.
//
// Routines over bytes and files return Expected<T, Error> (state/expected.h). Commands
// that must answer true or false (the file converter, the loader) wrap those routines and
// show their own fixed message ("Read error!", "Error!", "Write error!").

#include <cstdint>
#include <string>
#include <system_error>

namespace dotcaster {

enum class ErrorCode : std::uint8_t {
  // Files.
  kOpenSource,      // the source file cannot be opened
  kReadSource,      // reading the source failed
  kNotRegularFile,  // the source is a folder, a pipe or a device: never read
  kFileTooLarge,    // the source is longer than any picture may be: never read
  kOpenTarget,      // the target file cannot be created or opened for writing
  kWriteTarget,     // writing the target failed (disk full, file-size limit, ...)
  kTargetExists,    // the target must be new, and a file of that name exists
  kTargetNotFile,   // the target is a folder, a socket or a dangling link: never replaced
  // The Quadrel and bitmap converter.
  kTooShort,           // the data ends before its header (or has no data at all)
  kEmptyImage,         // the header gives a width or height of 0
  kConverterTooLarge,  // a byte offset would exceed the converter's 16-bit limit
  // Pictures.
  kNotAPicture,      // none of the kinds Dotcaster reads
  kEmptyPicture,     // width or height 0
  kPictureTooLarge,  // beyond the limits: sides or pixels
  kTruncatedBmp,
  kCorruptBmp,
  kUnsupportedBmp,  // a valid bitmap of a kind we do not read (JPEG/PNG inside, 64 bits, ...)
  kTruncatedJpeg,
  kCorruptJpeg,
  kTruncatedGif,
  kCorruptGif,
  kDecodeTooLarge,  // decoding would need more memory than the limits allow
  kTooManyScans,    // a progressive JPEG with more scans than the limits allow
  kOutOfMemory,     // a decoding library ran out of memory
  kEncodeFailed,    // an encoding library refused the image
  // Conversion.
  kBadSize,         // source or output size out of range (output beyond 320 x 240 included)
  kDivisionByZero,  // the view of a thin picture shrinks to 1 pixel (a 2 x 400 picture)
};

struct Error {
  ErrorCode code;
  std::error_code system;  // the failing call's own reason; empty when there was none

  Error(ErrorCode c) : code(c) {}  // NOLINT: a code alone is an error
  Error(ErrorCode c, std::error_code why) : code(c), system(why) {}
  // The reason in errno, read at once after the failing call.
  static Error FromErrno(ErrorCode c, int errno_value) {
    return {c, std::error_code(errno_value, std::generic_category())};
  }
};

// The phrase for the user ("truncated JPEG", "cannot open the file"). The system's reason,
// where there is one, is error.system.message().
std::string ErrorText(const Error& error);

}  // namespace dotcaster
