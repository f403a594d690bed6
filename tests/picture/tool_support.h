#pragma once

// Pictures written and read by Debian's own tools (libjpeg-turbo-progs, netpbm, ImageMagick,
// giflib-tools), for comparing our decoders with theirs on files made at test time.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "picture/decoders.h"

namespace dotcaster::picture::testing {

// Runs a shell command; true when it exits with 0.
bool RunShell(const std::string& command);

// True when the program can be found on PATH.
bool HaveTool(const std::string& program);

// ImageMagick's convert, preferring the packaged binary.
std::string ConvertTool();

// Reads a binary PGM (P5) or PPM (P6) of maxval 255, grey expanded to RGB.
std::optional<RgbImage> ReadPnm(const std::string& path);
void WritePpm(const std::string& path, const RgbImage& image);

// A deterministic test picture: gradients and a fine pattern, so that every decoder path
// sees varied colours and sharp edges.
RgbImage Pattern(int width, int height, int colours = 0);

// Index of the first differing byte and the largest channel difference; nullopt if the
// sizes differ.
struct Difference {
  int max_delta = 0;
  long differing = 0;
};
std::optional<Difference> Compare(const RgbImage& a, const RgbImage& b);

}  // namespace dotcaster::picture::testing
