#pragma once

// The window's hold on the loaded picture: the decode made at load time is kept, so that a
// change of level, method or size only renders the small view window again and converts
// it. The window shows what this gives; it never decodes pictures with Qt.

#include <QImage>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "convert/geometry.h"
#include "convert/random.h"
#include "picture/source_picture.h"
#include "state/app_state.h"

namespace dotcaster {

class PictureSession {
 public:
  PictureSession();
  ~PictureSession();

  // Decodes the file (the working copy of the source); false when it cannot be read as a
  // picture. Replaces what was held before, also on failure.
  bool Load(const std::string& path);
  void Clear();
  bool loaded() const { return picture_.has_value(); }

  // The whole picture at its source-view size; a null image when nothing is loaded or the
  // picture cannot be shown.
  QImage DisplayImage();

  // Converts the held picture at the state's settings, stores the result as WorkDspFile
  // and returns it as an image, one pixel per dot. Nothing on any failure (no picture, a
  // geometry that divides by zero, the working file not written).
  std::optional<QImage> Convert(AppState& state, std::optional<convert::CropFrame> crop, int level,
                                int method);

  // The generator of the photo methods: the process's own unless one is given (not owned).
  void SetRandom(convert::DotRandom* random);

 private:
  std::optional<picture::SourcePicture> picture_;
  convert::DotRandom* random_;
};

// A 1-bit bitmap file's content as an image with its own palette; nothing when the bytes
// are not a complete uncompressed 1-bit bitmap.
std::optional<QImage> MonoBitmapToImage(std::span<const std::uint8_t> bitmap);
std::optional<QImage> LoadMonoBitmapImage(const std::string& path);

}  // namespace dotcaster
