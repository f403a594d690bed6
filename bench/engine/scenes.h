#pragma once

// Photo-like pictures drawn at run time for the dithering quality benchmark: smooth
// shading, soft edges and no pixel noise, so that what a score measures is the dither and
// not noise in the picture. Deterministic: the same size gives the same pixels.

#include <cstdint>
#include <string>
#include <vector>

#include "picture/decoders.h"

namespace dotcaster::bench {

// Ramps: black to white, a colour ramp, a radial glow and a slow wave.
picture::RgbImage DrawGradients(int width, int height);
// Shaded balls with highlights and soft shadows on a lit floor.
picture::RgbImage DrawSpheres(int width, int height);
// Sky, sun, clouds, mountains, hills and a lake that mirrors them.
picture::RgbImage DrawScene(int width, int height);

// The picture as a 24-bit Windows bitmap, bottom-up rows.
std::vector<std::uint8_t> EncodeBmp24(const picture::RgbImage& image);

}  // namespace dotcaster::bench
