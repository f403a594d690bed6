#include "formats/probe.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "formats/bytes.h"
#include "scripted_prompter.h"

namespace dotcaster {
namespace {

using ByteVec = std::vector<std::uint8_t>;

TEST(ImageFileName, AcceptsByEndingOnlyAndSaysWhyNot) {
  const std::pair<const char*, bool> rows[] = {
      {"/p/PHOTO.JPEG", true}, {"/p/a.jfif", true}, {"C:\\x\\a.Jpe", true}, {"a.GiF", true},
      {"a.bmp", true},         {"a.QDL", true},     {"a.jpg", true},        {".gif", true},
      {"a.jpeg2", false},      {"a.txt", false},    {"bmp", false},         {"a.bmp.txt", false},
      {"/p/picture", false},   {"", false},         {"a.png", false}};
  for (const auto& [path, accepted] : rows) {
    SCOPED_TRACE(path);
    testing::ScriptedPrompter prompter;
    EXPECT_EQ(IsImageFileName(path, "Dotcaster"), accepted);
    ASSERT_EQ(prompter.messages.size(), accepted ? 0u : 1u);
    if (!accepted) {
      const auto& m = prompter.messages[0];
      EXPECT_EQ(m.text + "|" + m.title, "This is not an image file.|Dotcaster");
      EXPECT_TRUE(m.icon == MsgIcon::Exclamation && m.buttons == MsgButtons::Ok);
    }
  }
}

// The ending as the loader records it; a Quadrel source leaves the recorded one alone. "é" is
// two bytes: the last five characters must hold all of it, not half.
TEST(SourceExtension, RecordsTheEndingAsTheLoaderDoes) {
  const std::pair<const char*, const char*> rows[] = {{"/p/a.jpeg", ".JPEG"},
                                                      {"/p/a.JfIf", ".JFIF"},
                                                      {"/p/a.QdL", ".QDL"},
                                                      {"/p/a.bmp", ".BMP"},
                                                      {"/p/a.png2", ".PNG2"},
                                                      {"/p/ab", "/P/AB"},
                                                      {"", ""},
                                                      {"a.ab", "A.AB"},
                                                      {"caf\xC3\xA9xyzw", "\xC3\xA9XYZW"}};
  for (const auto& [path, ext] : rows) {
    EXPECT_EQ(SourceExtension(path).is_qdl, std::string_view(ext) == ".QDL") << path;
    EXPECT_EQ(SourceExtension(path).SrcExt, ext) << path;
  }
  AppState state;
  ApplySourceExtension("/p/x.gif", state);
  ApplySourceExtension("/p/x.qdl", state);
  EXPECT_TRUE(state.SrcIsQdl && state.SrcExt == ".GIF");
  ApplySourceExtension("/p/x.jfif", state);
  EXPECT_TRUE(!state.SrcIsQdl && state.SrcExt == ".JFIF");
}

// A JPEG file: the start marker, then the parts.
ByteVec Jpeg(std::initializer_list<ByteVec> parts) {
  ByteVec out = {0xFF, 0xD8};
  out.reserve(1 << 16);
  for (const auto& p : parts)
    out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A start-of-frame segment (marker FF code) of a 3-component picture.
ByteVec JpegFrame(std::uint8_t code, int height, int width) {
  const auto hi = [](int v) { return static_cast<std::uint8_t>(v >> 8); };
  const auto lo = [](int v) { return static_cast<std::uint8_t>(v); };
  // Length 17, precision 8, the size, then three components (id, sampling, table).
  return {0xFF, code, 0x00, 0x11, 0x08, hi(height), lo(height), hi(width), lo(width), 3,
          1,    0x22, 0,    2,    0x11, 1,          3,          0x11,      1};
}

// A bitmap's first 54 bytes; the height's 32 bits as given.
ByteVec BitmapHead(int width, int height, int bits) {
  ByteVec b(54, 0);
  b[0] = 'B', b[1] = 'M';
  PutLe16(b, 18, static_cast<std::uint32_t>(width));
  PutLe32(b, 22, static_cast<std::uint32_t>(height));
  PutLe16(b, 28, static_cast<std::uint32_t>(bits));
  return b;
}

ByteVec Cut(ByteVec b, std::size_t size) {
  b.resize(size);
  return b;
}

// The reader is chosen by the name's ending, a Quadrel file measured through its bitmap.
// A bitmap: the width's low half and the bit count as they are, the height's magnitude (a
// top-down bitmap stores it negative), an OS/2 header's own 16-bit fields. A GIF: the screen,
// the signature unread. A JPEG: segments skipped by their unsigned lengths up to the first
// frame marker; a file that ends before one measures 0 x 0.
TEST(ProbeImageBytes, MeasuresBuiltHeaders) {
  ByteVec windows = BitmapHead(0x1234, 0x00F0, 24);
  windows[20] = 0x7F;  // high half of the width field
  ByteVec os2 = BitmapHead(0, 0, 0);
  os2[14] = 12;
  os2[18] = 0x80, os2[19] = 0x02, os2[20] = 0xE0, os2[21] = 0x01, os2[24] = 1;
  // A camera's 40,000-byte profile, full of bytes that look like a frame marker.
  ByteVec app40000 = {0xFF, 0xE2, 0x9C, 0x40};
  for (int i = 0; i < 39998; ++i)
    app40000.push_back(i % 2 ? 0xC0 : 0xFF);
  struct Row {
    const char* name;
    const char* file;
    ByteVec bytes;
    std::vector<int> measured;  // width, height, bits; empty: refused with `error`
    int mono = 0;               // SrcIsMono afterwards: 1, 0, or -1 as it was
    ErrorCode error = ErrorCode::kTooShort;
  } rows[] = {
      {"Windows", "a.bmp", Cut(windows, 29), {0x1234, 0xF0, 24}},
      {"WindowsCut", "a.bmp", Cut(windows, 28), {}, -1},
      {"TopDown", "a.bmp", BitmapHead(640, -480, 1), {640, 480, 1}, 1},
      {"Os2", "a.bmp", Cut(os2, 26), {640, 480, 1}, 1},
      {"Os2Cut", "a.bmp", Cut(os2, 25), {}, -1},
      {"QuadrelAfterAGif", "a.qdl", BitmapHead(102, 64, 1), {102, 64, 1}, 1},
      {"NoReader", "a.png", BitmapHead(30, 20, 24), {}, -1, ErrorCode::kNotAPicture},
      {"Gif", "a.gif", {'X', 'I', 'F', '8', '9', 'a', 0x80, 0x02, 0xE0, 0x01}, {640, 480, 0}},
      {"GifCut", "a.gif", {'G', 'I', 'F', '8', '9', 'a', 0x80, 0x02, 0xE0}, {}},
      {"Jfif", "a.jfif", Jpeg({JpegFrame(0xC0, 48, 64)}), {64, 48, 0}},
      {"EmptyFile", "a.jpg", {}, {0, 0, 0}},
      {"NoMarkers", "a.jpg", {1, 2, 3, 4, 5}, {0, 0, 0}},
      {"EndsInsideSkippedSegment", "a.jpg", Jpeg({{0xFF, 0xE1, 1, 0, 0xFF, 0xC0}}), {0, 0, 0}},
      {"EndsInsideLength", "a.jpg", Jpeg({{0xFF, 0xE1, 0x01}}), {0, 0, 0}},
      {"EndsAfterFF", "a.jpg", {0xFF}, {0, 0, 0}},
      {"Length40000IsSkipped", "a.jpe", Jpeg({app40000, JpegFrame(0xC0, 480, 640)}), {640, 480, 0}},
      {"FFFFHides", "a.jpg", Jpeg({{0xFF, 0xE1, 0xFF, 0xFF}, JpegFrame(0xC0, 1, 1)}), {0, 0, 0}},
      {"HeightAbove32767", "a.jpg", Jpeg({JpegFrame(0xC0, 0x8000, 5)}), {5, 0x8000, 0}},
      {"Largest16Bit", "a.jpeg", Jpeg({JpegFrame(0xCE, 0xFFFF, 0xFFFF)}), {0xFFFF, 0xFFFF, 0}},
      {"FrameCutInsideSize", "a.jpg", Cut(JpegFrame(0xC0, 64, 102), 8), {}},
      {"LengthZeroGoesOn", "a.jpg", Jpeg({{0xFF, 0xE2, 0, 0}, JpegFrame(0xC9, 7, 9)}), {9, 7, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    AppState state;
    ApplySourceExtension("/p/before.gif", state);
    ApplySourceExtension(std::string("/p/") + row.file, state);
    state.SrcIsMono = row.mono != 1;
    const auto r = ProbeImageBytes(row.bytes, state);
    EXPECT_EQ((r ? std::vector<int>{r->width, r->height, r->bits} : std::vector<int>{}),
              row.measured);
    EXPECT_EQ(r ? row.error : r.error().code, row.error);
    EXPECT_EQ(state.SrcIsMono, row.mono != 0);
  }
}

// DHT (C4), JPG (C8) and DAC (CC) are no frames, and C7, CB and CF are not measured.
TEST(ProbeJpegBytes, EveryFrameMarkerAndNoOther) {
  for (std::uint8_t code = 0xC0; code <= 0xCF; ++code) {
    const bool is_frame = code != 0xC4 && code != 0xC7 && code != 0xC8 && code != 0xCB &&
                          code != 0xCC && code != 0xCF;
    EXPECT_EQ(ProbeJpegBytes(Jpeg({JpegFrame(code, 3, 5)})).value().width, is_frame ? 5 : 0)
        << std::hex << int{code};
  }
}

TEST(KindOfContent, FirstBytesOnly) {
  const std::pair<ByteVec, ContentKind> rows[] = {{{'B', 'M'}, ContentKind::kBitmap},
                                                  {{0xFF, 0xD8}, ContentKind::kJpeg},
                                                  {{'G', 'I', 'F', '8'}, ContentKind::kGif},
                                                  {{'G', 'I', 'F'}, ContentKind::kUnknown},
                                                  {{'B'}, ContentKind::kUnknown},
                                                  {{0xD8, 0xFF}, ContentKind::kUnknown}};
  for (const auto& [bytes, kind] : rows)
    EXPECT_EQ(KindOfContent(bytes), kind) << bytes.size();
}

}  // namespace
}  // namespace dotcaster
