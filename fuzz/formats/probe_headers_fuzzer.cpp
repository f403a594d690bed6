// The fixed-position readers (bitmap, GIF) and the reader choice of ProbeImageBytes over
// arbitrary bytes. The first input byte picks the recorded source kind, the rest is the
// file's content.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "formats/probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace dotcaster;
  if (size == 0) return 0;
  static constexpr std::array<std::string_view, 8> kExts = {".BMP",  ".JPEG", ".JPG", ".JPE",
                                                            ".JFIF", ".GIF",  ".QDL", ".TXT"};
  const std::span<const std::uint8_t> content(data + 1, size - 1);

  AppState state;
  state.SrcExt = kExts[data[0] % kExts.size()];
  state.SrcIsQdl = (data[0] & 0x80) != 0;
  state.SrcIsMono = true;
  const auto chosen = ProbeImageBytes(content, state);
  const ContentKind reader = ChooseProbeReader(state.SrcIsQdl, state.SrcExt);
  if (reader == ContentKind::kUnknown && chosen) __builtin_trap();
  if ((reader == ContentKind::kJpeg || reader == ContentKind::kGif) && state.SrcIsMono) {
    __builtin_trap();
  }
  if (reader == ContentKind::kBitmap && chosen && state.SrcIsMono != (chosen->bits == 1)) {
    __builtin_trap();
  }

  // An OS/2 header (size 12 at offset 14) needs 26 bytes, any other 29.
  const bool os2 = content.size() >= 26 && content[14] == 12 && content[15] == 0 &&
                   content[16] == 0 && content[17] == 0;
  const auto bitmap = ProbeBitmapBytes(content);
  if (bitmap.has_value() != (content.size() >= 29 || os2)) __builtin_trap();
  if (bitmap && (bitmap->width > 0xFFFF || bitmap->height < 0)) __builtin_trap();
  const auto gif = ProbeGifBytes(content);
  if (gif.has_value() != (content.size() >= 10)) __builtin_trap();
  if (gif && (gif->width > 0xFFFF || gif->height > 0xFFFF)) __builtin_trap();
  return 0;
}
