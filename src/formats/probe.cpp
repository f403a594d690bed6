#include "formats/probe.h"

#include <algorithm>
#include <array>
#include <climits>

#include "formats/bytes.h"
#include "state/paths.h"
#include "state/prompter.h"

namespace dotcaster {
namespace {

constexpr std::array<std::string_view, 7> kImageExtensions = {".bmp",  ".qdl",  ".jpg", ".jpe",
                                                              ".jpeg", ".jfif", ".gif"};

// Header bytes each fixed-position reader needs: one past its last field.
constexpr std::size_t kBitmapProbeBytes = 29;
constexpr std::size_t kOs2ProbeBytes = 26;
constexpr std::uint32_t kOs2HeaderSize = 12;
constexpr std::size_t kGifProbeBytes = 10;

// The last n characters of UTF-8 text (the whole text when it is shorter). Continuation
// bytes belong to the character before them, so a character is never split.
std::string_view LastChars(std::string_view text, std::size_t n) {
  std::size_t start = text.size();
  for (std::size_t count = 0; count < n && start > 0; ++count) {
    --start;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
      --start;
  }
  return text.substr(start);
}

bool IsFrameMarker(int code) {
  switch (code) {
    case 0xC0:
    case 0xC1:
    case 0xC2:
    case 0xC3:
    case 0xC5:
    case 0xC6:
    case 0xC9:
    case 0xCA:
    case 0xCD:
    case 0xCE:
      return true;
    default:
      return false;
  }
}

// Sequential reading over the content; -1 past its end.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}
  int Get() { return pos_ < data_.size() ? data_[pos_++] : -1; }
  void Skip(std::size_t n) { pos_ = n < data_.size() - pos_ ? pos_ + n : data_.size(); }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

}  // namespace

ContentKind KindOfContent(std::span<const std::uint8_t> c) {
  if (c.size() >= 2 && c[0] == 'B' && c[1] == 'M') return ContentKind::kBitmap;
  if (c.size() >= 2 && c[0] == 0xFF && c[1] == 0xD8) return ContentKind::kJpeg;
  if (c.size() >= 4 && c[0] == 'G' && c[1] == 'I' && c[2] == 'F' && c[3] == '8') {
    return ContentKind::kGif;
  }
  return ContentKind::kUnknown;
}

bool HasImageExtension(std::string_view path) {
  for (std::string_view ext : kImageExtensions) {
    if (EndsWithNoCase(path, ext)) return true;
  }
  return false;
}

bool IsImageFileName(std::string_view path, std::string_view title) {
  if (HasImageExtension(path)) return true;
  ThePrompter().Message(kNotImageMessage, title, MsgIcon::Exclamation, MsgButtons::Ok);
  return false;
}

SourceKind SourceExtension(std::string_view path) {
  std::string ext = AsciiUpper(LastChars(path, 4));
  if (ext == ".QDL") return {true, ext};
  if (ext.empty() || ext.front() != '.') ext = AsciiUpper(LastChars(path, 5));
  return {false, ext};
}

void ApplySourceExtension(std::string_view path, AppState& state) {
  SourceKind kind = SourceExtension(path);
  state.SrcIsQdl = kind.is_qdl;
  if (!kind.is_qdl) state.SrcExt = std::move(kind.SrcExt);
}

ContentKind ChooseProbeReader(bool src_is_qdl, std::string_view src_ext) {
  if (src_ext == ".BMP" || src_is_qdl) return ContentKind::kBitmap;
  if (src_ext == ".JPEG" || src_ext == ".JPG" || src_ext == ".JPE" || src_ext == ".JFIF")
    return ContentKind::kJpeg;
  if (src_ext == ".GIF") return ContentKind::kGif;
  return ContentKind::kUnknown;
}

Expected<ImageSize, Error> ProbeHeader(std::span<const std::uint8_t> content, ContentKind reader) {
  switch (reader) {
    case ContentKind::kBitmap:
      return ProbeBitmapBytes(content);
    case ContentKind::kJpeg:
      return ProbeJpegBytes(content);
    case ContentKind::kGif:
      return ProbeGifBytes(content);
    case ContentKind::kUnknown:
      break;
  }
  return ErrorCode::kNotAPicture;
}

Expected<ImageSize, Error> ProbeImageBytes(std::span<const std::uint8_t> content, AppState& state) {
  const ContentKind reader = ChooseProbeReader(state.SrcIsQdl, state.SrcExt);
  auto result = ProbeHeader(content, reader);
  if (reader == ContentKind::kJpeg || reader == ContentKind::kGif) {
    state.SrcIsMono = false;
  } else if (result) {
    state.SrcIsMono = result->bits == 1;
  }
  return result;
}

Expected<ImageSize, Error> ProbeBitmapBytes(std::span<const std::uint8_t> content) {
  // An OS/2 bitmap's 12-byte header has its own 16-bit width, height and bit count.
  if (content.size() >= kOs2ProbeBytes && Le32(content, 14) == kOs2HeaderSize) {
    return ImageSize{Le16(content, 18), Le16(content, 20), Le16(content, 24)};
  }
  if (content.size() < kBitmapProbeBytes) return ErrorCode::kTooShort;
  // A negative height stores the rows top-down; the picture is as high either way.
  const std::int64_t height = static_cast<std::int32_t>(Le32(content, 22));
  const std::int64_t magnitude = std::min<std::int64_t>(height < 0 ? -height : height, INT_MAX);
  return ImageSize{Le16(content, 18), static_cast<int>(magnitude), content[28]};
}

Expected<ImageSize, Error> ProbeGifBytes(std::span<const std::uint8_t> content) {
  if (content.size() < kGifProbeBytes) return ErrorCode::kTooShort;
  return ImageSize{Le16(content, 6), Le16(content, 8), 0};
}

Expected<ImageSize, Error> ProbeJpegBytes(std::span<const std::uint8_t> content) {
  Reader src(content);
  // A big-endian 16-bit field, or -1 past the end of the data.
  auto read16 = [&]() -> int {
    const int hi = src.Get();
    const int lo = hi < 0 ? -1 : src.Get();
    return lo < 0 ? -1 : (hi << 8) | lo;
  };

  for (;;) {
    const int byte = src.Get();
    if (byte < 0) return ImageSize{};
    if (byte != 0xFF) continue;
    const int code = src.Get();
    if (code < 0) return ImageSize{};
    if (code == 0xD8 || code == 0xD9) continue;
    if (IsFrameMarker(code)) {
      src.Skip(3);  // segment length and sample precision
      const int height = read16();
      const int width = read16();
      if (height < 0 || width < 0) return ErrorCode::kTooShort;
      return ImageSize{width, height, 0};
    }
    const int length = read16();
    if (length < 0) return ImageSize{};
    // The length counts its own two bytes. A length of 0 or 1 would step back onto the
    // length bytes themselves, which are not FF, so the scan just carries on from here.
    if (length > 2) src.Skip(static_cast<std::size_t>(length - 2));
  }
}

}  // namespace dotcaster
