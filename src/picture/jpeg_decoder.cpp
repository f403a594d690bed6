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
  std::optional<ErrorCode> refused;  // a limit the decode ran into
};

// Counts the scans as libjpeg reaches them. A progressive file can hold thousands of empty
// scans, each a pass over the whole frame: past the limits the decode stops.
struct ScanCounter {
  jpeg_progress_mgr pub;
  int max_scans = 0;
  std::int64_t max_blocks = 0;  // blocks all scans together may visit
  int counted = 0;
  std::int64_t blocks = 0;
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

// Called before each piece of input is taken in, so a new scan is seen before its work.
void OnProgress(j_common_ptr common) {
  if (!common->is_decompressor) return;
  auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
  auto* counter = reinterpret_cast<ScanCounter*>(common->progress);
  if (cinfo->input_scan_number == counter->counted) return;
  counter->counted = cinfo->input_scan_number;
  for (int i = 0; i < cinfo->comps_in_scan; ++i) {
    const jpeg_component_info* c = cinfo->cur_comp_info[i];
    counter->blocks += std::int64_t{c->width_in_blocks} * c->height_in_blocks;
  }
  if (counter->counted > counter->max_scans || counter->blocks > counter->max_blocks) {
    auto* err = reinterpret_cast<ErrorManager*>(common->err);
    err->refused = ErrorCode::kTooManyScans;
    std::longjmp(err->jump, 1);
  }
}

ErrorCode ErrorOf(const ErrorManager& err) {
  if (err.refused) return *err.refused;
  if (err.truncated) return ErrorCode::kTruncatedJpeg;
  // Beyond max_memory_to_use libjpeg would want a temporary file, which it has not.
  if (err.pub.msg_code == JERR_NO_BACKING_STORE) return ErrorCode::kDecodeTooLarge;
  if (err.pub.msg_code == JERR_OUT_OF_MEMORY) return ErrorCode::kOutOfMemory;
  return ErrorCode::kCorruptJpeg;
}

void SetUp(jpeg_decompress_struct& cinfo, ErrorManager& err, ScanCounter& counter,
           const Limits& limits) {
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  counter.pub.progress_monitor = OnProgress;
  counter.max_scans = limits.max_scans;
  // Thirty-two passes over the blocks of the largest picture: real files make about ten.
  counter.max_blocks = limits.max_pixels / 2;
}

// Checks the header's numbers before anything large is allocated.
std::optional<ErrorCode> CheckHeader(const jpeg_decompress_struct& cinfo, const Limits& limits) {
  if (cinfo.image_width == 0 || cinfo.image_height == 0) return ErrorCode::kEmptyPicture;
  if (!WithinLimits(cinfo.image_width, cinfo.image_height, limits)) {
    return ErrorCode::kPictureTooLarge;
  }
  return std::nullopt;
}

// What libjpeg itself will allocate for a decode set up to the output size: a progressive
// or multi-scan file keeps the coefficients of the whole frame (64 of 2 bytes per block,
// whatever the output scale), and every file its tables and some rows of samples.
std::uint64_t LibraryBytes(jpeg_decompress_struct& cinfo) {
  constexpr std::uint64_t kTables = std::uint64_t{256} << 10;
  std::uint64_t bytes = kTables + std::uint64_t{cinfo.image_width} * cinfo.num_components * 64;
  if (jpeg_has_multiple_scans(&cinfo)) {
    for (int i = 0; i < cinfo.num_components; ++i) {
      const jpeg_component_info& c = cinfo.comp_info[i];
      const auto round_up = [](std::uint64_t n, int m) { return (n + m - 1) / m * m; };
      bytes += round_up(c.width_in_blocks, c.h_samp_factor) *
               round_up(c.height_in_blocks, c.v_samp_factor) * sizeof(JBLOCK);
    }
  }
  return bytes;
}

// Sets the output scale and colours; the memory the decode then needs: our RGB rows and
// what libjpeg allocates.
std::uint64_t SetOutput(jpeg_decompress_struct& cinfo, int scale_eighths) {
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  cinfo.scale_num = static_cast<unsigned>(std::clamp(scale_eighths, 1, 8));
  cinfo.scale_denom = 8;
  jpeg_calc_output_dimensions(&cinfo);
  return std::uint64_t{cinfo.output_width} * cinfo.output_height * 3 + LibraryBytes(cinfo);
}

}  // namespace

Expected<JpegInfo, Error> ReadJpegInfo(std::span<const std::uint8_t> file, const Limits& limits,
                                       int scale_eighths) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  ScanCounter counter;
  SetUp(cinfo, err, counter, limits);
  if (setjmp(err.jump)) {
    const ErrorCode e = ErrorOf(err);
    jpeg_destroy_decompress(&cinfo);
    return e;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  const auto check = CheckHeader(cinfo, limits);
  JpegInfo info{static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height),
                cinfo.num_components, check ? 0 : SetOutput(cinfo, scale_eighths)};
  jpeg_destroy_decompress(&cinfo);
  if (check) return *check;
  return info;
}

Expected<Decoded, Error> DecodeJpeg(std::span<const std::uint8_t> file, int scale_eighths,
                                    const Limits& limits) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  ScanCounter counter;
  Decoded out;
  std::vector<std::uint8_t> cmyk_row;
  std::optional<ErrorCode> early;
  SetUp(cinfo, err, counter, limits);
  if (setjmp(err.jump)) {
    const ErrorCode e = ErrorOf(err);
    jpeg_destroy_decompress(&cinfo);
    return e;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  early = CheckHeader(cinfo, limits);
  // The memory the decode needs, counted before libjpeg allocates it, and libjpeg's own
  // share capped as well.
  if (!early) {
    const std::uint64_t need = SetOutput(cinfo, scale_eighths);
    const std::uint64_t rgb = std::uint64_t{cinfo.output_width} * cinfo.output_height * 3;
    if (need > limits.max_decode_bytes) {
      early = ErrorCode::kDecodeTooLarge;
    } else {
      cinfo.mem->max_memory_to_use = static_cast<long>(limits.max_decode_bytes - rgb);
    }
  }
  if (early) {
    jpeg_destroy_decompress(&cinfo);
    return *early;
  }
  const bool cmyk = cinfo.out_color_space == JCS_CMYK;
  cinfo.progress = &counter.pub;
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
  out.bytes_used = file.size() - cinfo.src->bytes_in_buffer;
  jpeg_destroy_decompress(&cinfo);
  out.page = {out.image.width, out.image.height, 0, 0};
  return out;
}

}  // namespace dotcaster::picture
