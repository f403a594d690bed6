// GIF through giflib: the first frame only, on the logical screen. Transparent pixels and
// the parts of the screen the frame does not cover are white, as on a white page.

#include <algorithm>
#include <cstring>

#include "formats/probe.h"
#include "picture/decoders.h"

extern "C" {
#include <gif_lib.h>
}

namespace dotcaster::picture {
namespace {

struct MemoryReader {
  std::span<const std::uint8_t> data;
  std::size_t pos = 0;
};

int ReadMemory(GifFileType* gif, GifByteType* buf, int n) {
  auto* r = static_cast<MemoryReader*>(gif->UserData);
  const std::size_t k =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(n, 0)), r->data.size() - r->pos);
  if (k > 0) std::memcpy(buf, r->data.data() + r->pos, k);
  r->pos += k;
  return static_cast<int>(k);
}

ErrorCode ErrorOf(int code) {
  switch (code) {
    case D_GIF_ERR_READ_FAILED:
    case D_GIF_ERR_EOF_TOO_SOON:
      return ErrorCode::kTruncatedGif;
    case D_GIF_ERR_NOT_ENOUGH_MEM:
      return ErrorCode::kOutOfMemory;
    default:
      return ErrorCode::kCorruptGif;
  }
}

// Closes the file on every path.
struct GifCloser {
  GifFileType* gif;
  ~GifCloser() {
    int ignored = 0;
    DGifCloseFile(gif, &ignored);
  }
};

}  // namespace

Expected<Decoded, Error> DecodeGif(std::span<const std::uint8_t> file, const Limits& limits) {
  if (file.size() < 6 || KindOfContent(file) != ContentKind::kGif) return ErrorCode::kNotAPicture;
  MemoryReader reader{file, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&reader, ReadMemory, &error);
  if (!gif) return ErrorOf(error);
  GifCloser closer{gif};

  int transparent = NO_TRANSPARENT_COLOR;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return ErrorOf(gif->Error);
    if (type == TERMINATE_RECORD_TYPE) return ErrorCode::kCorruptGif;  // no picture at all
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return ErrorOf(gif->Error);
      if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) {
          transparent = gcb.TransparentColor;
        }
      }
      while (ext) {
        if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return ErrorOf(gif->Error);
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) return ErrorCode::kCorruptGif;
    if (DGifGetImageDesc(gif) == GIF_ERROR) return ErrorOf(gif->Error);
    break;
  }

  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!map || map->ColorCount <= 0) return ErrorCode::kCorruptGif;
  std::int64_t width = gif->SWidth, height = gif->SHeight;
  if (width == 0 || height == 0) {  // no screen size: the frame defines the picture
    width = frame.Left + std::int64_t{frame.Width};
    height = frame.Top + std::int64_t{frame.Height};
  }
  if (width <= 0 || height <= 0 || frame.Width <= 0 || frame.Height <= 0) {
    return ErrorCode::kEmptyPicture;
  }
  if (!WithinLimits(width, height, limits) || !WithinLimits(frame.Width, frame.Height, limits)) {
    return ErrorCode::kPictureTooLarge;
  }

  // Only the part of the screen the frame covers is stored; the screen around it is white.
  const std::int64_t left = std::clamp<std::int64_t>(frame.Left, 0, width);
  const std::int64_t top = std::clamp<std::int64_t>(frame.Top, 0, height);
  const std::int64_t right =
      std::clamp<std::int64_t>(frame.Left + std::int64_t{frame.Width}, left, width);
  const std::int64_t bottom =
      std::clamp<std::int64_t>(frame.Top + std::int64_t{frame.Height}, top, height);
  const std::int64_t covered_width = right - left;
  if (static_cast<std::uint64_t>(covered_width * (bottom - top) * 3) > limits.max_decode_bytes) {
    return ErrorCode::kDecodeTooLarge;
  }
  Decoded out;
  out.bits_per_pixel = map->BitsPerPixel;
  out.whole = {static_cast<int>(width), static_cast<int>(height)};
  out.region = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(covered_width),
                static_cast<int>(bottom - top)};
  out.image.width = static_cast<int>(covered_width);
  out.image.height = static_cast<int>(bottom - top);
  out.image.rgb.assign(static_cast<std::size_t>(covered_width * (bottom - top) * 3), 0xFF);
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));

  // Interlaced frames store rows in four passes. Every row is read, also those off the
  // screen, so that a truncated frame is found.
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  const int passes = frame.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int step = frame.Interlace ? kStep[pass] : 1;
    for (int r = frame.Interlace ? kStart[pass] : 0; r < frame.Height; r += step) {
      if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) return ErrorOf(gif->Error);
      const std::int64_t y = std::int64_t{frame.Top} + r;
      if (y < top || y >= bottom) continue;
      std::uint8_t* row =
          out.image.rgb.data() + static_cast<std::size_t>((y - top) * covered_width * 3);
      for (std::int64_t x = left; x < right; ++x) {
        const int index = line[static_cast<std::size_t>(x - frame.Left)];
        if (index == transparent) continue;
        std::uint8_t* p = row + static_cast<std::size_t>((x - left) * 3);
        if (index < map->ColorCount) {
          p[0] = map->Colors[index].Red;
          p[1] = map->Colors[index].Green;
          p[2] = map->Colors[index].Blue;
        } else {
          p[0] = p[1] = p[2] = 0;
        }
      }
    }
  }
  return out;
}

}  // namespace dotcaster::picture
