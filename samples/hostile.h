#pragma once

// Hostile pictures, built byte by byte: small files whose headers ask for the most time and
// memory a decoder can be made to spend, and mutants of ordinary files. The tests build
// them at test time and scripts/test runs dotcast over a corpus of them (make_hostile), so
// no hostile file is ever committed.

#include <cstdint>
#include <string>
#include <vector>

namespace dotcaster::hostile {

using Bytes = std::vector<std::uint8_t>;

// A progressive JPEG of width x height whose scans hold nothing: each scan covers one
// component's AC coefficients, all of whose blocks are one run of zeros, so the file stays
// tiny whatever the frame asks for. The components take turns; no scan has DC coefficients
// (the picture decodes as plain grey). components 1 is grey, 3 YCbCr, 4 CMYK.
Bytes EmptyScansJpeg(int width, int height, int components, int scans);

// A GIF of a width x height logical screen with one black frame of frame_width x
// frame_height at (left, top); the frame's pixel data is a single code run.
Bytes SmallFrameGif(int width, int height, int frame_width, int frame_height, int left = 0,
                    int top = 0);

// An 8-bit RLE bitmap of width x height whose data ends the bitmap at once.
Bytes EmptyRleBitmap(int width, int height);

// A file to write: `bytes`, then zeros up to `length` when that is longer (written as a
// hole: a file that is long on disk without taking space).
struct Case {
  std::string name;  // the file name, with the extension that picks the reader
  Bytes bytes;
  std::uint64_t length = 0;
};

// The crafted cases: the scan bomb, the coefficient bomb, the file with a huge tail, large
// frames and screens at and beyond the limits.
std::vector<Case> CraftedCases();

// `count` mutants of the seeds: bytes flipped, header numbers set to extremes, lengths cut,
// pieces doubled, with a deterministic generator started at `seed`. Each keeps its seed's
// extension.
std::vector<Case> Mutants(const std::vector<Case>& seeds, int count, std::uint32_t seed);

}  // namespace dotcaster::hostile
