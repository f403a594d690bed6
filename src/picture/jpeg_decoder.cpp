// JPEG through libjpeg-turbo. libjpeg reports fatal errors through error_exit, which must
// not return; it jumps back to the setjmp of the decoding routine. Only C objects and objects
// created before the setjmp live in those frames, so no destructor is skipped.

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <optional>

#include "picture/decoders.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace dotcaster::picture {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool truncated = false;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  // A file that ends early would otherwise decode with grey filler below the cut: refuse it.
  if (level < 0 && err->pub.msg_code == JWRN_JPEG_EOF) {
    err->truncated = true;
    std::longjmp(err->jump, 1);
  }
}

ErrorCode ErrorOf(const ErrorManager& err) {
  if (err.truncated) return ErrorCode::kTruncatedJpeg;
  if (err.pub.msg_code == JERR_OUT_OF_MEMORY) return ErrorCode::kOutOfMemory;
  return ErrorCode::kCorruptJpeg;
}

void SetUp(jpeg_decompress_struct& cinfo, ErrorManager& err) {
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
}

// Checks the header's numbers before anything large is allocated.
std::optional<ErrorCode> CheckHeader(const jpeg_decompress_struct& cinfo, const Limits& limits) {
  if (cinfo.image_width == 0 || cinfo.image_height == 0) return ErrorCode::kEmptyPicture;
  if (!WithinLimits(cinfo.image_width, cinfo.image_height, limits)) {
    return ErrorCode::kPictureTooLarge;
  }
  return std::nullopt;
}

}  // namespace

Expected<JpegInfo, Error> ReadJpegInfo(std::span<const std::uint8_t> file, const Limits& limits) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  SetUp(cinfo, err);
  if (setjmp(err.jump)) {
    const ErrorCode e = ErrorOf(err);
    jpeg_destroy_decompress(&cinfo);
    return e;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  JpegInfo info{static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height),
                cinfo.num_components};
  const auto check = CheckHeader(cinfo, limits);
  jpeg_destroy_decompress(&cinfo);
  if (check) return *check;
  return info;
}

Expected<Decoded, Error> DecodeJpeg(std::span<const std::uint8_t> file, int scale_eighths,
                                    const Limits& limits) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  Decoded out;
  std::vector<std::uint8_t> cmyk_row;
  std::optional<ErrorCode> early;
  SetUp(cinfo, err);
  if (setjmp(err.jump)) {
    const ErrorCode e = ErrorOf(err);
    jpeg_destroy_decompress(&cinfo);
    return e;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  early = CheckHeader(cinfo, limits);
  if (early) {
    jpeg_destroy_decompress(&cinfo);
    return *early;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  cinfo.scale_num = static_cast<unsigned>(std::clamp(scale_eighths, 1, 8));
  cinfo.scale_denom = 8;
  jpeg_calc_output_dimensions(&cinfo);
  out.bits_per_pixel = 8 * cinfo.num_components;
  out.image.width = static_cast<int>(cinfo.output_width);
  out.image.height = static_cast<int>(cinfo.output_height);
  out.image.rgb.resize(static_cast<std::size_t>(out.image.width) *
                       static_cast<std::size_t>(out.image.height) * 3);
  if (cmyk) cmyk_row.resize(static_cast<std::size_t>(out.image.width) * 4);
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    std::uint8_t* dst = out.image.rgb.data() + static_cast<std::size_t>(cinfo.output_scanline) *
                                                   static_cast<std::size_t>(out.image.width) * 3;
    JSAMPROW row = cmyk ? cmyk_row.data() : dst;
    jpeg_read_scanlines(&cinfo, &row, 1);
    if (cmyk) {
      // Adobe writes CMYK inverted (0 = full ink) and says so in its APP14 marker; other
      // writers store ink amounts directly.
      const bool inverted = cinfo.saw_Adobe_marker;
      for (int x = 0; x < out.image.width; ++x) {
        const std::uint8_t* s = cmyk_row.data() + 4 * x;
        unsigned c = s[0], m = s[1], y = s[2], k = s[3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          y = 255 - y;
          k = 255 - k;
        }
        dst[3 * x] = static_cast<std::uint8_t>((c * k + 127) / 255);
        dst[3 * x + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        dst[3 * x + 2] = static_cast<std::uint8_t>((y * k + 127) / 255);
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

}  // namespace dotcaster::picture
