#include "picture/decoders.h"

namespace dotcaster::picture {

std::string_view PictureErrorText(PictureError error) {
  switch (error) {
    case PictureError::kOpen:
      return "cannot open the file";
    case PictureError::kRead:
      return "cannot read the file";
    case PictureError::kNotAPicture:
      return "not a picture Dotcaster reads";
    case PictureError::kEmpty:
      return "picture has no pixels (width or height 0)";
    case PictureError::kTooLarge:
      return "picture too large";
    case PictureError::kTruncatedBmp:
      return "truncated bitmap";
    case PictureError::kCorruptBmp:
      return "corrupt bitmap";
    case PictureError::kUnsupportedBmp:
      return "kind of bitmap Dotcaster does not read";
    case PictureError::kTruncatedJpeg:
      return "truncated JPEG";
    case PictureError::kCorruptJpeg:
      return "corrupt JPEG";
    case PictureError::kTruncatedGif:
      return "truncated GIF";
    case PictureError::kCorruptGif:
      return "corrupt GIF";
    case PictureError::kOutOfMemory:
      return "not enough memory for the picture";
  }
  return "unknown picture error";
}

}  // namespace dotcaster::picture
