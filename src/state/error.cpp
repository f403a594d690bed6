#include "state/error.h"

namespace dotcaster {

std::string ErrorText(const Error& error) {
  switch (error.code) {
    case ErrorCode::kOpenSource:
      return "cannot open the file";
    case ErrorCode::kReadSource:
      return "cannot read the file";
    case ErrorCode::kNotRegularFile:
      return "not a regular file";
    case ErrorCode::kFileTooLarge:
      return "file too large for a picture";
    case ErrorCode::kOpenTarget:
      return "cannot create the output file";
    case ErrorCode::kWriteTarget:
      return "cannot write the output file";
    case ErrorCode::kTargetExists:
      return "exists already";
    case ErrorCode::kTargetNotFile:
      return "not a regular file, so not replaced";
    case ErrorCode::kTooShort:
      return "file too short";
    case ErrorCode::kEmptyImage:
      return "image has no dots (width or height 0)";
    case ErrorCode::kConverterTooLarge:
      return "image too large for the Quadrel converter";
    case ErrorCode::kNotAPicture:
      return "not a picture Dotcaster reads";
    case ErrorCode::kEmptyPicture:
      return "picture has no pixels (width or height 0)";
    case ErrorCode::kPictureTooLarge:
      return "picture too large";
    case ErrorCode::kTruncatedBmp:
      return "truncated bitmap";
    case ErrorCode::kCorruptBmp:
      return "corrupt bitmap";
    case ErrorCode::kUnsupportedBmp:
      return "kind of bitmap Dotcaster does not read";
    case ErrorCode::kTruncatedJpeg:
      return "truncated JPEG";
    case ErrorCode::kCorruptJpeg:
      return "corrupt JPEG";
    case ErrorCode::kTruncatedGif:
      return "truncated GIF";
    case ErrorCode::kCorruptGif:
      return "corrupt GIF";
    case ErrorCode::kDecodeTooLarge:
      return "picture needs more memory to decode than Dotcaster allows";
    case ErrorCode::kTooManyScans:
      return "JPEG with more scans than Dotcaster reads";
    case ErrorCode::kOutOfMemory:
      return "not enough memory for the picture";
    case ErrorCode::kEncodeFailed:
      return "cannot encode the image";
    case ErrorCode::kBadSize:
      return "picture or output size out of range";
    case ErrorCode::kDivisionByZero:
      return "division by zero: the shrunk picture is 1 pixel wide or high";
  }
  return "unknown error";
}

}  // namespace dotcaster
