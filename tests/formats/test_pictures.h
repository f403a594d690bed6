#pragma once

// Pictures for the format tests, laid out by hand from the two layouts' definitions and
// independently of the code under test (only the 62 header bytes come from WriteBmpHeader,
// which has golden tests of its own).

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace dotcaster::testing {

using ByteVec = std::vector<std::uint8_t>;

// A picture as a pixel function: true is black.
using Pixels = std::function<bool(int x, int y)>;

// A reproducible scatter of black and white dots.
Pixels Noise(unsigned seed);

ByteVec MakeBitmap(int w, int h, const Pixels& black);
ByteVec MakeQuadrel(int w, int h, const Pixels& black);
bool BitmapBlack(const ByteVec& bmp, int w, int h, int x, int y);

ByteVec Cat(std::initializer_list<ByteVec> parts);

// A JPEG start-of-frame segment (marker FF code) for a 3-component picture.
ByteVec JpegFrame(std::uint8_t code, int height, int width);

}  // namespace dotcaster::testing
