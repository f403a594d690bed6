#pragma once

// Byte buffers and the little-endian numbers of the file formats (the bitmap header, the
// Quadrel header, the GIF screen size). Readers check the buffer's length before they call
// these.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace dotcaster {

using Bytes = std::vector<std::uint8_t>;

inline std::uint16_t Le16(std::span<const std::uint8_t> in, std::size_t at) {
  return static_cast<std::uint16_t>(in[at] | (in[at + 1] << 8));
}

inline std::uint32_t Le32(std::span<const std::uint8_t> in, std::size_t at) {
  return std::uint32_t{Le16(in, at)} | (std::uint32_t{Le16(in, at + 2)} << 16);
}

inline void PutLe16(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutLe32(std::span<std::uint8_t> out, std::size_t at, std::uint32_t value) {
  PutLe16(out, at, value & 0xFFFF);
  PutLe16(out, at + 2, value >> 16);
}

}  // namespace dotcaster
