#include "formats/probe.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "formats/file_io.h"
#include "state/paths.h"
#include "state/prompter.h"

namespace dotcaster {
namespace {

constexpr std::array<std::string_view, 7> kImageExtensions = {".bmp",  ".qdl",  ".jpg", ".jpe",
                                                              ".jpeg", ".jfif", ".gif"};

// Header bytes each fixed-position reader needs: one past its last field.
constexpr std::size_t kBitmapProbeBytes = 29;
constexpr std::size_t kGifProbeBytes = 10;

int Get16LE(std::span<const std::uint8_t> in, std::size_t at) {
  return in[at] | (in[at + 1] << 8);
}

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

// Sequential reading over bytes in memory.
class SpanSource {
 public:
  explicit SpanSource(std::span<const std::uint8_t> data) : data_(data) {}
  int Get() { return pos_ < data_.size() ? data_[pos_++] : -1; }
  void Skip(std::size_t n) { pos_ = n < data_.size() - pos_ ? pos_ + n : data_.size(); }
  bool Failed() const { return false; }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

// Sequential reading over a file through its own buffer, so that only the bytes near the
// places the scan looks at are read: a skip inside the buffer moves in it, a longer skip
// seeks. After a seek the next read is small (usually a marker and a length are all that
// is wanted there); sequential reads use the whole buffer.
class FileSource {
 public:
  FileSource() : buffer_(kFullRead) {}

  bool Open(const std::filesystem::path& path) {
    // Unbuffered stream: the buffer here decides how much each read fetches.
    in_.rdbuf()->pubsetbuf(nullptr, 0);
    in_.open(path, std::ios::binary);
    return in_.is_open();
  }
  int Get() {
    if (pos_ == len_ && !Refill()) return -1;
    return buffer_[pos_++];
  }
  void Skip(std::size_t n) {
    if (n <= len_ - pos_) {
      pos_ += n;
      return;
    }
    n -= len_ - pos_;
    pos_ = len_ = 0;
    if (at_end_ || failed_) return;  // the data ended with the buffer: nothing beyond it
    if (!in_.seekg(static_cast<std::streamoff>(n), std::ios::cur)) failed_ = true;
    small_read_ = true;
  }
  bool Failed() const { return failed_; }

 private:
  static constexpr std::size_t kFullRead = 64 * 1024;
  static constexpr std::size_t kReadAfterSeek = 512;

  bool Refill() {
    if (at_end_ || failed_) return false;
    const std::size_t want = small_read_ ? kReadAfterSeek : kFullRead;
    small_read_ = false;
    in_.read(reinterpret_cast<char*>(buffer_.data()), static_cast<std::streamsize>(want));
    len_ = static_cast<std::size_t>(in_.gcount());
    pos_ = 0;
    if (in_.bad()) {
      failed_ = true;
      return false;
    }
    if (in_.eof()) at_end_ = true;
    return len_ > 0;
  }

  std::ifstream in_;
  std::vector<std::uint8_t> buffer_;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool small_read_ = false;
  bool at_end_ = false;
  bool failed_ = false;
};

template <class Source>
ProbeResult ScanJpeg(Source& src) {
  // Called when the data runs out outside the frame's fields.
  auto ended = [&] {
    return src.Failed() ? ProbeResult::Failure(FormatError::kReadSource) : ProbeResult::Size(0, 0);
  };
  // A big-endian 16-bit field; the scan's numbers are signed 16-bit, so a high byte of 80
  // or more is an overflow.
  struct Field {
    bool present = false;
    bool overflow = false;
    int value = 0;
  };
  auto read16 = [&]() -> Field {
    const int hi = src.Get();
    if (hi < 0) return {};
    const int lo = src.Get();
    if (lo < 0) return {};
    return {true, hi >= 0x80, (hi << 8) | lo};
  };

  for (;;) {
    const int byte = src.Get();
    if (byte < 0) return ended();
    if (byte != 0xFF) continue;
    const int code = src.Get();
    if (code < 0) return ended();
    if (code == 0xD8 || code == 0xD9) continue;
    if (IsFrameMarker(code)) {
      src.Skip(3);  // segment length and sample precision
      const Field height = read16();
      if (height.present && height.overflow) return ProbeResult::Failure(FormatError::kTooLarge);
      const Field width = read16();
      if (width.present && width.overflow) return ProbeResult::Failure(FormatError::kTooLarge);
      if (!height.present || !width.present) {
        return ProbeResult::Failure(src.Failed() ? FormatError::kReadSource
                                                 : FormatError::kTooShort);
      }
      return ProbeResult::Size(width.value, height.value);
    }
    const Field length = read16();
    if (!length.present) return ended();
    if (length.overflow) return ProbeResult::Failure(FormatError::kTooLarge);
    // The length counts its own two bytes. A length of 0 or 1 would step back onto the
    // length bytes themselves, which are not FF, so the scan just carries on from here.
    if (length.value > 2) src.Skip(static_cast<std::size_t>(length.value - 2));
  }
}

ProbeResult ProbeFixedHeader(std::string_view path, std::size_t needed,
                             ProbeResult (*reader)(std::span<const std::uint8_t>)) {
  auto head = ReadFileBytes(path, needed);
  if (!head) return ProbeResult::Failure(head.error());
  return reader(*head);
}

}  // namespace

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

ProbeReader ChooseProbeReader(bool src_is_qdl, std::string_view src_ext) {
  if (src_ext == ".BMP" || src_is_qdl) return ProbeReader::kBitmap;
  if (src_ext == ".JPEG" || src_ext == ".JPG" || src_ext == ".JPE" || src_ext == ".JFIF")
    return ProbeReader::kJpeg;
  if (src_ext == ".GIF") return ProbeReader::kGif;
  return ProbeReader::kNone;
}

namespace {

template <class BitmapFn, class JpegFn, class GifFn>
ProbeResult ProbeChosen(AppState& state, BitmapFn bitmap, JpegFn jpeg, GifFn gif) {
  ProbeResult result;
  switch (ChooseProbeReader(state.SrcIsQdl, state.SrcExt)) {
    case ProbeReader::kBitmap:
      result = bitmap();
      if (result) state.SrcIsMono = result.bits == 1;
      return result;
    case ProbeReader::kJpeg:
      result = jpeg();
      state.SrcIsMono = false;
      return result;
    case ProbeReader::kGif:
      result = gif();
      state.SrcIsMono = false;
      return result;
    case ProbeReader::kNone:
      break;
  }
  return ProbeResult::Failure(FormatError::kNotAPicture);
}

}  // namespace

ProbeResult ProbeImageSize(std::string_view path, AppState& state) {
  return ProbeChosen(
      state, [&] { return ProbeBitmapSize(path); }, [&] { return ProbeJpegSize(path); },
      [&] { return ProbeGifSize(path); });
}

ProbeResult ProbeImageBytes(std::span<const std::uint8_t> content, AppState& state) {
  return ProbeChosen(
      state, [&] { return ProbeBitmapBytes(content); }, [&] { return ProbeJpegBytes(content); },
      [&] { return ProbeGifBytes(content); });
}

ProbeResult ProbeBitmapBytes(std::span<const std::uint8_t> content) {
  if (content.size() < kBitmapProbeBytes) return ProbeResult::Failure(FormatError::kTooShort);
  return ProbeResult::Size(Get16LE(content, 18), Get16LE(content, 22), content[28]);
}

ProbeResult ProbeBitmapSize(std::string_view path) {
  return ProbeFixedHeader(path, kBitmapProbeBytes, &ProbeBitmapBytes);
}

ProbeResult ProbeGifBytes(std::span<const std::uint8_t> content) {
  if (content.size() < kGifProbeBytes) return ProbeResult::Failure(FormatError::kTooShort);
  return ProbeResult::Size(Get16LE(content, 6), Get16LE(content, 8));
}

ProbeResult ProbeGifSize(std::string_view path) {
  return ProbeFixedHeader(path, kGifProbeBytes, &ProbeGifBytes);
}

ProbeResult ProbeJpegBytes(std::span<const std::uint8_t> content) {
  SpanSource src(content);
  return ScanJpeg(src);
}

ProbeResult ProbeJpegSize(std::string_view path) {
  const auto fs_path = ToFsPath(path);
  std::error_code ec;
  // A folder can be opened for reading on some systems and then fails every read.
  if (std::filesystem::is_directory(fs_path, ec)) {
    return ProbeResult::Failure(FormatError::kOpenSource);
  }
  FileSource src;
  if (!src.Open(fs_path)) return ProbeResult::Failure(FormatError::kOpenSource);
  return ScanJpeg(src);
}

}  // namespace dotcaster
