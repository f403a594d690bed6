#include "cli/dotcast/job.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "convert/geometry.h"
#include "formats/probe.h"
#include "formats/quadrel.h"
#include "picture/convert_picture.h"
#include "picture/source_picture.h"
#include "state/app_state.h"
#include "state/paths.h"

namespace dotcaster::cli {
namespace fs = std::filesystem;
namespace {

std::string SizeText(int w, int h) {
  return std::to_string(w) + " x " + std::to_string(h);
}

std::string CropText(const CropRect& c) {
  return std::to_string(c.x) + "," + std::to_string(c.y) + "," + std::to_string(c.width) + "," +
         std::to_string(c.height);
}

// What the content itself is, whatever the name says.
std::string_view SniffContent(std::span<const std::uint8_t> head) {
  if (head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8) return "JPEG";
  if (head.size() >= 4 && head[0] == 'G' && head[1] == 'I' && head[2] == 'F' && head[3] == '8') {
    return "GIF";
  }
  if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') return "Windows bitmap";
  return "no known picture signature";
}

std::string_view ReaderName(ProbeReader reader) {
  switch (reader) {
    case ProbeReader::kBitmap:
      return "Windows bitmap";
    case ProbeReader::kJpeg:
      return "JPEG";
    case ProbeReader::kGif:
      return "GIF";
    case ProbeReader::kNone:
      break;
  }
  return "none";
}

// The window's state after a reset, with the settings of the command line on top.
AppState SettingsState(const ConvertSettings& s, int src_w, int src_h, bool is_qdl) {
  AppState state;
  ResetPictureState(state);
  state.ImageLoaded = true;
  state.SrcIsQdl = is_qdl;
  state.SrcWidth = static_cast<std::int16_t>(src_w);
  state.SrcHeight = static_cast<std::int16_t>(src_h);
  const convert::Size first = convert::FirstOutputSize(src_w, src_h, is_qdl);
  int w = first.width, h = first.height;
  switch (s.size.kind) {
    case SizeKind::kPicture:
      break;
    case SizeKind::kDevice:
      w = kDeviceWidth, h = kDeviceHeight;
      break;
    case SizeKind::kFull:
      w = kMaxOutWidth, h = kMaxOutHeight;
      break;
    case SizeKind::kCustom:
      w = s.size.width, h = s.size.height;
      break;
  }
  state.OutWidth = static_cast<std::int16_t>(w);
  state.OutHeight = static_cast<std::int16_t>(h);
  state.ZoomMode = s.fit != Fit::kNone;
  state.JustZoom = s.fit == Fit::kKeepRatio;
  return state;
}

// The crop rectangle in source pixels as the window's crop frame, which lives in the pixels
// of the source view (the picture shrunk to fit 320 x 240). The driver maps the frame back
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

// Why a file could not be read, in the system's words where it has some ("No such file or
// directory"). Asked only after a failure, so that a good file costs no extra system calls.
std::string ReadFailureReason(const std::string& path, std::string_view fallback) {
  std::error_code ec;
  const auto status = fs::status(ToFsPath(path), ec);
  if (ec) return "Read error! " + ec.message();
  if (fs::is_directory(status)) return "Read error! Is a directory";
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    std::fclose(file);
  } else {
    return "Read error! " + std::string(std::strerror(errno));
  }
  return "Read error! " + std::string(fallback);
}

}  // namespace

Expected<Converted, std::string> ConvertOne(const std::string& path,
                                            const ConvertSettings& settings) {
  if (!HasImageExtension(path)) return std::string(kNotImageMessage);

  const SourceKind kind = SourceExtension(path);
  Expected<picture::SourcePicture, picture::PictureError> picture = picture::PictureError::kRead;
  std::optional<Bytes> qdl_bitmap;
  if (kind.is_qdl) {
    // The window shows a Quadrel file through the bitmap the converter makes of it.
    auto content = ReadFileBytes(path, kMaxConverterSource);
    if (!content) return ReadFailureReason(path, FormatErrorText(content.error()));
    auto bmp = ConvertQdlBmp(*content);
    if (!bmp) return std::string(FormatErrorText(bmp.error()));
    qdl_bitmap = std::move(bmp).value();
    const int w = (*qdl_bitmap)[18] | (*qdl_bitmap)[19] << 8;
    const int h = (*qdl_bitmap)[22] | (*qdl_bitmap)[23] << 8;
    const AppState state = SettingsState(settings, w, h, true);
    if (!settings.crop && state.OutWidth == w && state.OutHeight == h) {
      // Already the result: the window converts nothing and shows the file's dots.
      auto image = DotImage::FromBitmap(std::move(*qdl_bitmap));
      if (!image) return image.error();
      return Converted{std::move(image).value(), w, h, true};
    }
    picture = picture::SourcePicture::FromBytes(*qdl_bitmap);
  } else {
    // Decoded once, at the scale this conversion needs (below), not first for a display.
    picture = picture::SourcePicture::FromFile(path, picture::SourcePicture::Decode::kOnFirstUse);
  }
  if (!picture) {
    const picture::PictureError error = picture.error();
    const std::string_view text = picture::PictureErrorText(error);
    if (error == picture::PictureError::kOpen || error == picture::PictureError::kRead) {
      return ReadFailureReason(path, text);
    }
    return std::string(text);
  }

  const int src_w = picture->width(), src_h = picture->height();
  AppState state = SettingsState(settings, src_w, src_h, kind.is_qdl);
  std::optional<convert::CropFrame> frame;
  if (settings.crop) {
    auto mapped = CropFrameFor(*settings.crop, src_w, src_h);
    if (!mapped) return mapped.error();
    frame = *mapped;
  }
  // The decode happens here, so that a broken file is reported as such ("truncated JPEG").
  // A geometry the engine refuses is left for the conversion to report.
  convert::GeometryInput geometry_in{src_w,           src_h,          frame,         state.OutWidth,
                                     state.OutHeight, state.ZoomMode, state.JustZoom};
  if (const auto geometry = convert::ComputeGeometry(geometry_in)) {
    if (const auto error = picture->PrepareFor(geometry->stretched)) {
      return std::string(picture::PictureErrorText(*error));
    }
  }
  convert::DotRandom random =
      settings.seed ? convert::DotRandom(*settings.seed) : convert::DotRandom();
  auto bmp = picture::ConvertSourcePicture(state, *picture, frame, settings.level,
                                           static_cast<int>(settings.method), random);
  if (!bmp) return std::string(picture::ConvertErrorText(bmp.error()));
  auto image = DotImage::FromBitmap(std::move(bmp).value());
  if (!image) return image.error();
  return Converted{std::move(image).value(), src_w, src_h, false};
}

FileInfo DescribeFile(const std::string& path) {
  FileInfo info;
  auto& lines = info.lines;
  const SourceKind kind = SourceExtension(path);
  const bool accepted = HasImageExtension(path);
  lines.push_back(accepted ? "name: accepted (" + kind.SrcExt + ")"
                           : std::string("name: refused: ") + kNotImageMessage);

  std::error_code ec;
  const fs::path fs_path = ToFsPath(path);
  if (fs::is_directory(fs_path, ec)) {
    lines.push_back("error: is a folder");
    return info;
  }
  const auto length = fs::file_size(fs_path, ec);
  auto head = ReadFileBytes(path, kMaxConverterSource);
  if (ec || !head) {
    lines.push_back("error: " +
                    std::string(FormatErrorText(head ? FormatError::kReadSource : head.error())));
    return info;
  }
  lines.push_back("content: " + std::string(SniffContent(*head)) + ", " + std::to_string(length) +
                  " bytes");

  AppState state;
  state.SrcIsQdl = kind.is_qdl;
  state.SrcExt = kind.SrcExt;
  if (kind.is_qdl) {
    lines.push_back("type: Quadrel");
    if (head->size() >= 4) {
      const int w = (*head)[0] | (*head)[1] << 8;
      const int h = (*head)[2] | (*head)[3] << 8;
      const long long expected = 4 + static_cast<long long>((h + 7) / 8) * w;
      const long long have = static_cast<long long>(length);
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
    // The window measures a Quadrel file through the bitmap it makes of it.
    const auto bmp = ConvertQdlBmp(*head);
    if (!bmp) {
      lines.push_back("error: " + std::string(FormatErrorText(bmp.error())));
      return info;
    }
    const ProbeResult probe = ProbeImageBytes(*bmp, state);
    if (!probe) {
      lines.push_back("error: " + std::string(FormatErrorText(probe.error)));
      return info;
    }
    lines.push_back("size: " + SizeText(probe.width, probe.height));
    lines.push_back("bits per pixel: 1");
    const convert::Size out = convert::FirstOutputSize(probe.width, probe.height, true);
    lines.push_back(out.width == probe.width && out.height == probe.height
                        ? "loads as: the dots themselves, no conversion"
                        : "loads as: converted to " + SizeText(out.width, out.height));
    info.ok = true;
    return info;
  }

  const ProbeReader reader = ChooseProbeReader(false, kind.SrcExt);
  lines.push_back("type: " + std::string(ReaderName(reader)));
  if (reader == ProbeReader::kNone) {
    lines.push_back("error: " + std::string(FormatErrorText(FormatError::kNotAPicture)));
    return info;
  }
  const ProbeResult probe = ProbeImageSize(path, state);
  if (!probe) {
    lines.push_back("error: " + std::string(FormatErrorText(probe.error)));
    return info;
  }
  lines.push_back("size: " + SizeText(probe.width, probe.height));
  if (reader == ProbeReader::kBitmap) {
    lines.push_back("bits per pixel: " + std::to_string(probe.bits) +
                    (state.SrcIsMono ? " (the window offers no method or level for it)" : ""));
  }
  // The header alone does not tell whether the picture can be read: decode it.
  auto picture = picture::SourcePicture::FromFile(path);
  if (!picture) {
    lines.push_back("error: " + std::string(picture::PictureErrorText(picture.error())));
    return info;
  }
  if (reader != ProbeReader::kBitmap) {
    lines.push_back("bits per pixel: " + std::to_string(picture->bits_per_pixel()));
  }
  if (probe.width > 0 && probe.height > 0) {
    const convert::Size out = convert::FirstOutputSize(probe.width, probe.height, false);
    lines.push_back("loads as: converted to " + SizeText(out.width, out.height));
  }
  info.ok = true;
  return info;
}

}  // namespace dotcaster::cli
