#include "cli/dotcast/job.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <system_error>

#include "convert/geometry.h"
#include "convert/request.h"
#include "formats/bytes.h"
#include "formats/file_io.h"
#include "formats/probe.h"
#include "formats/quadrel.h"
#include "picture/convert_picture.h"
#include "picture/source_picture.h"
#include "state/app_state.h"
#include "state/paths.h"

namespace dotcaster::cli {
namespace {

std::string SizeText(int w, int h) {
  return std::to_string(w) + " x " + std::to_string(h);
}

std::string CropText(const CropRect& c) {
  return std::to_string(c.x) + "," + std::to_string(c.y) + "," + std::to_string(c.width) + "," +
         std::to_string(c.height);
}

std::string KindName(ContentKind kind, std::string_view unknown) {
  switch (kind) {
    case ContentKind::kJpeg:
      return "JPEG";
    case ContentKind::kGif:
      return "GIF";
    case ContentKind::kBitmap:
      return "Windows bitmap";
    case ContentKind::kUnknown:
      break;
  }
  return std::string(unknown);
}

// A file that cannot be read says so as the window does, followed by the system's own
// words where the failing call gave some ("Read error! No such file or directory").
std::string Reason(const Error& error) {
  switch (error.code) {
    case ErrorCode::kOpenSource:
    case ErrorCode::kReadSource:
      return "Read error! " + (error.system ? error.system.message() : ErrorText(error));
    case ErrorCode::kNotRegularFile:
      return "Read error! " + std::string(error.system == std::errc::is_a_directory
                                              ? "is a folder"
                                              : "not a regular file (a pipe or a device)");
    default:
      return ErrorText(error);
  }
}

// Header bytes read to plan a job's memory: a JPEG's frame follows its EXIF and colour
// profile segments, each up to 64 KB.
constexpr std::size_t kHeadBytes = std::size_t{256} << 10;
// A job's own memory besides the file and the decode: the view, the dots, the output.
constexpr std::uint64_t kJobBytes = std::uint64_t{2} << 20;

// The memory decoding the header's picture can take, or nothing when the header does not
// tell (it lies beyond the bytes read) or the picture will be refused.
std::optional<std::uint64_t> DecodeNeed(const FileHead& head, const ConvertSettings& settings,
                                        const Limits& limits) {
  const auto rgb = [&](std::int64_t w, std::int64_t h) {
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(w * h * 3), limits.max_decode_bytes);
  };
  switch (KindOfContent(head.bytes)) {
    case ContentKind::kBitmap:
      if (auto size = ProbeBitmapBytes(head.bytes)) return rgb(size->width, size->height);
      return std::nullopt;
    case ContentKind::kGif:
      if (auto size = ProbeGifBytes(head.bytes)) return rgb(size->width, size->height);
      return std::nullopt;
    case ContentKind::kJpeg: {
      auto info = picture::ReadJpegInfo(head.bytes, limits);
      if (!info)
        return info.error().code == ErrorCode::kTruncatedJpeg ? std::nullopt
                                                              : std::optional<std::uint64_t>(0);
      // Without a crop or "No Stretch" the placement is at most 320 x 240.
      const bool full = settings.crop || settings.fit == Fit::kNone;
      const int scale = full ? 8 : picture::JpegScaleFor(info->width, info->height, {320, 240});
      const auto need = picture::ReadJpegInfo(head.bytes, limits, scale);
      return need && need->decode_bytes <= limits.max_decode_bytes ? need->decode_bytes : 0;
    }
    case ContentKind::kUnknown:
      break;
  }
  return 0;
}

// The request the window makes after loading a picture of src_w x src_h (its first output
// size, stretched with the ratio kept, see a reset), with the command line's settings on top.
convert::ConvertRequest RequestFor(const ConvertSettings& s, int src_w, int src_h, bool is_qdl) {
  const convert::Size first = convert::FirstOutputSize(src_w, src_h, is_qdl);
  convert::ConvertRequest request;
  request.out_width = first.width;
  request.out_height = first.height;
  switch (s.size.kind) {
    case SizeKind::kPicture:
      break;
    case SizeKind::kDevice:
      request.out_width = kDeviceWidth, request.out_height = kDeviceHeight;
      break;
    case SizeKind::kFull:
      request.out_width = kMaxOutWidth, request.out_height = kMaxOutHeight;
      break;
    case SizeKind::kCustom:
      request.out_width = s.size.width, request.out_height = s.size.height;
      break;
  }
  request.zoom_mode = s.fit != Fit::kNone;
  request.just_zoom = s.fit == Fit::kKeepRatio;
  request.method = static_cast<int>(s.method);
  request.level = s.level;
  return request;
}

// The crop rectangle in source pixels as the window's crop frame, which lives in the pixels
// of the source view (the picture shrunk to fit 320 x 240). The engine maps the frame back
// to source pixels with the view scale, as it does for a frame drawn with the mouse.
Expected<convert::CropFrame, std::string> CropFrameFor(const CropRect& c, int src_w, int src_h) {
  if (c.x + c.width > src_w || c.y + c.height > src_h) {
    return "crop " + CropText(c) + " lies outside the " + SizeText(src_w, src_h) + " picture";
  }
  const convert::Size disp = convert::DisplaySize(src_w, src_h);
  if (disp.width == src_w && disp.height == src_h) {
    return convert::CropFrame{c.x, c.y, c.width, c.height};
  }
  if (disp.width < 2 || disp.height < 2) return std::string("picture too thin to crop");
  const double sx = static_cast<double>(src_w - 1) / (disp.width - 1);
  const double sy = static_cast<double>(src_h - 1) / (disp.height - 1);
  auto round = [](double v) { return static_cast<int>(std::floor(v + 0.5)); };
  const int left = round(c.x / sx), top = round(c.y / sy);
  const int right = std::max(left, round((c.x + c.width - 1) / sx));
  const int bottom = std::max(top, round((c.y + c.height - 1) / sy));
  return convert::CropFrame{left, top, right - left + 1, bottom - top + 1};
}

}  // namespace

std::uint64_t MemoryNeeded(const std::string& path, const ConvertSettings& settings,
                           const Limits& limits) {
  if (!HasImageExtension(path)) return 0;
  auto head = ReadFileHead(path, kHeadBytes, limits);
  if (!head) return 0;
  if (SourceExtension(path).is_qdl) return head->size + kJobBytes;
  const auto decode = DecodeNeed(*head, settings, limits);
  return head->size + kJobBytes + decode.value_or(limits.max_decode_bytes);
}

Expected<Converted, std::string> ConvertOne(const std::string& path,
                                            const ConvertSettings& settings) {
  if (!HasImageExtension(path)) return std::string(kNotImageMessage);
  auto file = ReadFileBytes(path, kDefaultLimits);
  if (!file) return Reason(file.error());

  const bool is_qdl = SourceExtension(path).is_qdl;
  Expected<picture::SourcePicture, Error> picture = ErrorCode::kNotAPicture;
  if (is_qdl) {
    // The window shows a Quadrel file through the bitmap the converter makes of it.
    auto dots = QuadrelDots(*file);
    if (!dots) return Reason(dots.error());
    const int w = dots->width(), h = dots->height();
    const convert::ConvertRequest request = RequestFor(settings, w, h, true);
    if (!settings.crop && request.out_width == w && request.out_height == h) {
      // Already the result: the window converts nothing and shows the file's dots.
      return Converted{std::move(dots).value(), w, h, true};
    }
    picture = picture::SourcePicture::FromDots(*dots);
  } else {
    // Decoded once, at the scale this conversion needs, not first for a display.
    picture = picture::SourcePicture::FromBytes(std::move(file).value(), kDefaultLimits,
                                                picture::SourcePicture::Decode::kOnFirstUse);
  }
  if (!picture) return Reason(picture.error());

  const int src_w = picture->width(), src_h = picture->height();
  convert::ConvertRequest request = RequestFor(settings, src_w, src_h, is_qdl);
  if (settings.crop) {
    auto frame = CropFrameFor(*settings.crop, src_w, src_h);
    if (!frame) return frame.error();
    request.crop = *frame;
  }
  if (settings.auto_level) {
    auto level = picture::AutoLevel(*picture, request);
    if (!level) return Reason(level.error());
    request.level = *level;
  }
  convert::DotRandom random =
      settings.seed ? convert::DotRandom(*settings.seed) : convert::DotRandom();
  auto conversion = picture::ConvertSourcePicture(*picture, request, random);
  if (!conversion) return Reason(conversion.error());
  return Converted{std::move(conversion->dots), src_w, src_h, false};
}

FileInfo DescribeFile(const std::string& path) {
  FileInfo info;
  auto& lines = info.lines;
  const SourceKind kind = SourceExtension(path);
  const bool accepted = HasImageExtension(path);
  lines.push_back(accepted ? "name: accepted (" + kind.SrcExt + ")"
                           : std::string("name: refused: ") + kNotImageMessage);

  auto content = ReadFileBytes(path, kDefaultLimits);
  if (!content) {
    const Error& error = content.error();
    lines.push_back(error.system == std::errc::is_a_directory
                        ? std::string("error: is a folder")
                        : "error: " + ErrorText(error) +
                              (error.system ? ": " + error.system.message() : std::string()));
    return info;
  }
  const Bytes& bytes = *content;
  lines.push_back("content: " + KindName(KindOfContent(bytes), "no known picture signature") +
                  ", " + std::to_string(bytes.size()) + " bytes");

  if (kind.is_qdl) {
    lines.push_back("type: Quadrel");
    const auto dots = QuadrelDots(bytes);
    // Content the converter takes for a bitmap is no Quadrel file, whatever its name says.
    if (!dots && dots.error().code == ErrorCode::kNotAPicture) {
      lines.push_back("error: " + ErrorText(dots.error()));
      return info;
    }
    if (bytes.size() >= 4) {
      const int w = Le16(bytes, 0), h = Le16(bytes, 2);
      const long long expected = QdlFileSize(w, h);
      const long long have = static_cast<long long>(bytes.size());
      lines.push_back("bands: " + std::to_string((h + 7) / 8) + " of " + std::to_string(w) +
                      " bytes");
      if (have == expected) {
        lines.push_back("length: matches the header (" + std::to_string(expected) + " bytes)");
      } else if (have < expected) {
        lines.push_back("length: " + std::to_string(expected - have) + " bytes short of the " +
                        std::to_string(expected) + " the header gives (missing dots read white)");
      } else {
        lines.push_back("length: " + std::to_string(have - expected) +
                        " bytes beyond the header's " + std::to_string(expected) + " (ignored)");
      }
    }
    if (!dots) {
      lines.push_back("error: " + ErrorText(dots.error()));
      return info;
    }
    const int w = dots->width(), h = dots->height();
    lines.push_back("size: " + SizeText(w, h));
    lines.push_back("bits per pixel: 1");
    const convert::Size out = convert::FirstOutputSize(w, h, true);
    lines.push_back(out.width == w && out.height == h
                        ? "loads as: the dots themselves, no conversion"
                        : "loads as: converted to " + SizeText(out.width, out.height));
    info.ok = true;
    return info;
  }

  const ContentKind reader = ChooseProbeReader(false, kind.SrcExt);
  lines.push_back("type: " + KindName(reader, "none"));
  if (reader == ContentKind::kUnknown) {
    lines.push_back("error: " + ErrorText(ErrorCode::kNotAPicture));
    return info;
  }
  const auto probe = ProbeHeader(bytes, reader);
  if (!probe) {
    lines.push_back("error: " + ErrorText(probe.error()));
    return info;
  }
  lines.push_back("size: " + SizeText(probe->width, probe->height));
  if (reader == ContentKind::kBitmap) {
    lines.push_back("bits per pixel: " + std::to_string(probe->bits) +
                    (probe->bits == 1 ? " (the window offers no method or level for it)" : ""));
  }
  // The header alone does not tell whether the picture can be read: decode it.
  auto picture = picture::SourcePicture::FromBytes(std::move(content).value(), kDefaultLimits);
  if (!picture) {
    lines.push_back("error: " + ErrorText(picture.error()));
    return info;
  }
  if (reader != ContentKind::kBitmap) {
    lines.push_back("bits per pixel: " + std::to_string(picture->bits_per_pixel()));
  }
  if (probe->width > 0 && probe->height > 0) {
    const convert::Size out = convert::FirstOutputSize(probe->width, probe->height, false);
    lines.push_back("loads as: converted to " + SizeText(out.width, out.height));
  }
  info.ok = true;
  return info;
}

}  // namespace dotcaster::cli
