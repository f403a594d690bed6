#pragma once

// The window's hold on the loaded picture: the decode made at load time is kept, so that a
// change of level, method or size only renders the small view window again and converts
// it. The window shows what this gives; it never decodes pictures with Qt.

#include <QImage>
#include <cstdint>
#include <optional>
#include <string>

#include "convert/geometry.h"
#include "convert/random.h"
#include "formats/bytes.h"
#include "formats/dot_image.h"
#include "picture/source_picture.h"
#include "state/app_state.h"
#include "state/limits.h"

namespace dotcaster {

class PictureSession {
 public:
  PictureSession();
  ~PictureSession();

  // Decodes the file's bytes; false when they cannot be read as a picture. Replaces what
  // was held before, also on failure.
  bool Load(Bytes file);
  // Holds the dots of a Quadrel file as the picture.
  void Load(const DotImage& dots);
  void Clear();
  bool loaded() const { return picture_.has_value(); }

  // The whole picture at its source-view size; a null image when nothing is loaded or the
  // picture cannot be shown.
  QImage DisplayImage();

  // Converts the held picture at the state's output settings, copies the placement into
  // the state (ScaleX, ScaleY, PlaceWidth, PlaceHeight), stores the dots as WorkDspFile
  // and returns them as an image. Nothing on any failure (no picture, a geometry that
  // divides by zero, the working file not written).
  std::optional<QImage> Convert(AppState& state, std::optional<convert::CropFrame> crop, int level,
                                int method);

  // Otsu's level of the held picture placed at the state's output settings
  // (picture::AutoLevel); nothing without a picture or when it cannot be placed.
  std::optional<int> AutoLevel(const AppState& state, std::optional<convert::CropFrame> crop);

  // The generator of the photo methods: the process's own unless one is given (not owned).
  void SetRandom(convert::DotRandom* random);

  const Limits& limits() const { return limits_; }

 private:
  Limits limits_ = kDefaultLimits;
  std::optional<picture::SourcePicture> picture_;
  convert::DotRandom* random_;
};

// The dots as an image, one pixel per dot, black and white.
QImage DotsToImage(const DotImage& dots);

}  // namespace dotcaster
