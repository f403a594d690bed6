// JPEG through libjpeg-turbo. libjpeg reports fatal errors through error_exit, which must
// not return; it jumps back to the setjmp of the decoding routine. Only C objects and objects
// created before the setjmp live in those frames, so no destructor is skipped.

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
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

// Sets the output scale and colours; what libjpeg then allocates for the decode.
std::uint64_t SetOutput(jpeg_decompress_struct& cinfo, int scale_eighths) {
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  cinfo.scale_num = static_cast<unsigned>(std::clamp(scale_eighths, 1, 8));
  cinfo.scale_denom = 8;
  jpeg_calc_output_dimensions(&cinfo);
  return LibraryBytes(cinfo);
}

std::uint64_t RgbBytes(std::uint64_t width, std::uint64_t height) {
  return width * height * 3;
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
                cinfo.num_components};
  if (!check) {
    info.decode_bytes = SetOutput(cinfo, scale_eighths);
    info.decode_bytes += RgbBytes(cinfo.output_width, cinfo.output_height);
  }
  jpeg_destroy_decompress(&cinfo);
  if (check) return *check;
  return info;
}

namespace {

void CmykRowToRgb(const std::uint8_t* cmyk, int width, bool inverted, std::uint8_t* rgb) {
  // Adobe writes CMYK inverted (0 = full ink) and says so in its APP14 marker; other
  // writers store ink amounts directly.
  for (int x = 0; x < width; ++x) {
    const std::uint8_t* s = cmyk + 4 * x;
    unsigned c = s[0], m = s[1], y = s[2], k = s[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    rgb[3 * x] = static_cast<std::uint8_t>((c * k + 127) / 255);
    rgb[3 * x + 1] = static_cast<std::uint8_t>((m * k + 127) / 255);
    rgb[3 * x + 2] = static_cast<std::uint8_t>((y * k + 127) / 255);
  }
}

PixelRect Clip(const PixelRect& r, int width, int height) {
  const int left = std::clamp(r.left, 0, width), top = std::clamp(r.top, 0, height);
  const int right = std::clamp(r.left + std::max(r.width, 0), left, width);
  const int bottom = std::clamp(r.top + std::max(r.height, 0), top, height);
  return {left, top, right - left, bottom - top};
}

// The whole picture when `wanted` is null.
Expected<Decoded, Error> Decode(std::span<const std::uint8_t> file, int scale_eighths,
                                const PixelRect* wanted, bool check_tail, const Limits& limits) {
  jpeg_decompress_struct cinfo{};
  ErrorManager err;
  ScanCounter counter;
  Decoded out;
  std::vector<std::uint8_t> row;
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
  if (early) {
    jpeg_destroy_decompress(&cinfo);
    return *early;
  }
  const std::uint64_t library = SetOutput(cinfo, scale_eighths);
  const int full_w = static_cast<int>(cinfo.output_width);
  const int full_h = static_cast<int>(cinfo.output_height);
  const PixelRect r = wanted ? Clip(*wanted, full_w, full_h) : PixelRect{0, 0, full_w, full_h};
  // The memory the decode needs, counted before libjpeg allocates it, and libjpeg's own
  // share capped as well.
  const std::uint64_t rgb = RgbBytes(r.width, r.height);
  if (library + rgb > limits.max_decode_bytes) {
    jpeg_destroy_decompress(&cinfo);
    return ErrorCode::kDecodeTooLarge;
  }
  cinfo.mem->max_memory_to_use = static_cast<long>(limits.max_decode_bytes - rgb);
  const bool cmyk = cinfo.out_color_space == JCS_CMYK;
  cinfo.progress = &counter.pub;
  out.whole = {full_w, full_h};
  out.region = r;
  out.bits_per_pixel = 8 * cinfo.num_components;
  out.image.width = r.width;
  out.image.height = r.height;
  out.image.rgb.resize(static_cast<std::size_t>(r.width) * static_cast<std::size_t>(r.height) * 3);
  if (r.width == 0 || r.height == 0) {
    jpeg_destroy_decompress(&cinfo);
    return out;
  }
  // One pixel more on every side where the picture goes on: the smooth chroma upsampling
  // treats the edges of a partial row as the picture's edges, which would change the
  // outermost pixels.
  const int x0 = std::max(0, r.left - 1), x1 = std::min(full_w, r.left + r.width + 1);
  const int y0 = std::max(0, r.top - 1), y1 = std::min(full_h, r.top + r.height + 1);
  jpeg_start_decompress(&cinfo);
  // Moved left to the nearest iMCU boundary by libjpeg.
  JDIMENSION first_column = static_cast<JDIMENSION>(x0);
  JDIMENSION columns = static_cast<JDIMENSION>(x1 - x0);
  if (x1 - x0 < full_w) jpeg_crop_scanline(&cinfo, &first_column, &columns);
  const std::size_t components = cmyk ? 4 : 3;
  const std::size_t skip = (static_cast<std::size_t>(r.left) - first_column) * components;
  const bool direct = !cmyk && skip == 0 && static_cast<int>(cinfo.output_width) == r.width;
  row.resize(static_cast<std::size_t>(cinfo.output_width) * components);
  if (y0 > 0) jpeg_skip_scanlines(&cinfo, static_cast<JDIMENSION>(y0));
  while (static_cast<int>(cinfo.output_scanline) < y1) {
    const int y = static_cast<int>(cinfo.output_scanline);
    const bool inside = y >= r.top && y < r.top + r.height;
    std::uint8_t* dst = inside ? out.image.rgb.data() + static_cast<std::size_t>(y - r.top) *
                                                            static_cast<std::size_t>(r.width) * 3
                               : nullptr;
    JSAMPROW target = direct && inside ? dst : row.data();
    jpeg_read_scanlines(&cinfo, &target, 1);
    if (!inside || target == dst) continue;
    if (cmyk) {
      CmykRowToRgb(row.data() + skip, r.width, cinfo.saw_Adobe_marker, dst);
    } else {
      std::memcpy(dst, row.data() + skip, static_cast<std::size_t>(r.width) * 3);
    }
  }
  if (check_tail || !wanted) {
    // Skipping to the very end reads nothing; skipping to the last row and reading it reads
    // all the data.
    if (cinfo.output_scanline + 1 < cinfo.output_height) {
      jpeg_skip_scanlines(&cinfo, cinfo.output_height - 1 - cinfo.output_scanline);
    }
    if (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW target = row.data();
      jpeg_read_scanlines(&cinfo, &target, 1);
    }
    jpeg_finish_decompress(&cinfo);
    out.bytes_used = file.size() - cinfo.src->bytes_in_buffer;
  }
  jpeg_destroy_decompress(&cinfo);
  return out;
}

}  // namespace

Expected<Decoded, Error> DecodeJpeg(std::span<const std::uint8_t> file, int scale_eighths,
                                    const Limits& limits) {
  return Decode(file, scale_eighths, nullptr, true, limits);
}

Expected<Decoded, Error> DecodeJpegRegion(std::span<const std::uint8_t> file, int scale_eighths,
                                          PixelRect region, bool check_tail, const Limits& limits) {
  return Decode(file, scale_eighths, &region, check_tail, limits);
}

}  // namespace dotcaster::picture
