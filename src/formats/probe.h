#pragma once

// Recognising picture files by name and by their first bytes, and reading their pixel size
// from the header without decoding the picture. The readers work on the file's bytes,
// which the caller has read once for everything it does with the file.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "state/app_state.h"
#include "state/error.h"
#include "state/expected.h"

namespace dotcaster {

// What a header reader found: width and height as the header gives them (0..65535, a
// bitmap's height up to INT_MAX); a JPEG without a frame measures 0 x 0 and still succeeds.
struct ImageSize {
  int width = 0;
  int height = 0;
  int bits = 0;  // bits per pixel: the bitmap reader's byte at offset 28; 0 for JPEG, GIF
};

// The kind of content by its first bytes ("BM", FF D8, "GIF8"), whatever the name says.
enum class ContentKind { kBitmap, kJpeg, kGif, kUnknown };
ContentKind KindOfContent(std::span<const std::uint8_t> content);

// The message IsImageFileName shows for a refused name.
inline constexpr const char* kNotImageMessage = "This is not an image file.";

// True when the name ends in .bmp, .qdl, .jpg, .jpe, .jpeg, .jfif or .gif (any case).
// Otherwise shows "This is not an image file." (exclamation, OK) titled `title` through
// ThePrompter() and returns false. The file itself is not looked at.
bool IsImageFileName(std::string_view path, std::string_view title);

// The same test without the message.
bool HasImageExtension(std::string_view path);

// The kind of a source file as the loader records it: a Quadrel file by its ".QDL" ending,
// otherwise the upper-case extension with its dot, taken from the last 4 characters or,
// when those do not start with a dot, the last 5 (".JPEG", ".JFIF"). A name that fits
// neither pattern gives whatever those characters are (".TXT", "E.PNG"); the probe then
// refuses it. Characters, not bytes: a non-ASCII name is never cut inside a character.
struct SourceKind {
  bool is_qdl = false;
  std::string SrcExt;  // ".QDL" when is_qdl
};
SourceKind SourceExtension(std::string_view path);

// Records SourceExtension(path) in the state as the loader does: SrcIsQdl always, SrcExt
// only for a file that is not a Quadrel file (a Quadrel source leaves SrcExt as it was).
void ApplySourceExtension(std::string_view path, AppState& state);

// Which header ProbeImageBytes reads for the recorded source kind: a bitmap's, a JPEG's, a
// GIF's, or none (kUnknown).
ContentKind ChooseProbeReader(bool src_is_qdl, std::string_view src_ext);

// Measures the content with the given reader; kUnknown fails with kNotAPicture.
Expected<ImageSize, Error> ProbeHeader(std::span<const std::uint8_t> content, ContentKind reader);

// Measures the content with the reader chosen from state.SrcExt and state.SrcIsQdl (a
// Quadrel source is measured through the bitmap made of it). Sets state.SrcIsMono: from
// the bits per pixel for a bitmap that could be read, false for JPEG and GIF. An
// extension without a reader fails with kNotAPicture and leaves SrcIsMono alone.
Expected<ImageSize, Error> ProbeImageBytes(std::span<const std::uint8_t> content, AppState& state);

// The bitmap reader: width (16 bits at offset 18), height (the magnitude of the signed
// 32-bit field at offset 22: a top-down bitmap stores it negative), bits per pixel (byte
// 28); content shorter than 29 bytes fails with kTooShort. An OS/2 bitmap (header size 12 at
// offset 14) has 16-bit fields of its own: width at 18, height at 20, bits per pixel at 24,
// and needs 26 bytes. The signature and the rest of the header are not examined.
Expected<ImageSize, Error> ProbeBitmapBytes(std::span<const std::uint8_t> content);

// GIF: the logical screen width (offset 6) and height (offset 8); the signature is not
// examined; content shorter than 10 bytes fails with kTooShort.
Expected<ImageSize, Error> ProbeGifBytes(std::span<const std::uint8_t> content);

// JPEG: scans the markers for the first start of frame, one of C0 C1 C2 C3 C5 C6 C9 CA CD
// CE (C7, CB and CF are deliberately not among them), and reads its height and width. D8 and D9
// carry no length; every other marker's segment is skipped by its length. Ends:
//  - a frame found: its size;
//  - the data ends before a frame marker (also inside a segment it skips): 0 x 0, success;
//  - the data ends inside the frame's size fields: kTooShort.
// Segment lengths and dimensions are unsigned 16-bit numbers: a camera's 65,535-byte EXIF
// or ICC segment is skipped like any other, and a frame up to 65535 x 65535 is measured
// (the picture limits refuse what is too large to decode).
Expected<ImageSize, Error> ProbeJpegBytes(std::span<const std::uint8_t> content);

}  // namespace dotcaster
