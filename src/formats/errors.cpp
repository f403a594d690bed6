#include "formats/errors.h"

namespace dotcaster {

std::string_view FormatErrorText(FormatError error) {
  switch (error) {
    case FormatError::kOpenSource:
      return "cannot open the file";
    case FormatError::kReadSource:
      return "cannot read the file";
    case FormatError::kTooShort:
      return "file too short";
    case FormatError::kEmptyImage:
      return "image has no dots (width or height 0)";
    case FormatError::kTooLarge:
      return "image too large for the Quadrel converter";
    case FormatError::kOpenTarget:
      return "cannot create the output file";
    case FormatError::kWriteTarget:
      return "cannot write the output file";
    case FormatError::kNotAPicture:
      return "not a picture Dotcaster reads";
    case FormatError::kCorrupt:
      return "corrupt file";
  }
  return "unknown error";
}

}  // namespace dotcaster
