#include "formats/probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "scripted_prompter.h"
#include "test_pictures.h"

namespace dotcaster {
namespace {

using ByteVec = std::vector<std::uint8_t>;

// ---- names -------------------------------------------------------------------------------

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

// The ending as the loader records it; a Quadrel source leaves the recorded one alone.
TEST(SourceExtension, RecordsTheEndingAsTheLoaderDoes) {
  const std::tuple<const char*, bool, const char*> rows[] = {
      {"/p/a.jpeg", false, ".JPEG"},
      {"/p/a.JfIf", false, ".JFIF"},
      {"/p/a.QdL", true, ".QDL"},
      {"/p/a.bmp", false, ".BMP"},
      {"/p/a.png2", false, ".PNG2"},
      {"/p/ab", false, "/P/AB"},
      {"", false, ""},
      {"a.ab", false, "A.AB"},
      // "é" is two bytes: the last five characters must hold all of it, not half.
      {"caf\xC3\xA9xyzw", false, "\xC3\xA9XYZW"}};
  for (const auto& [path, is_qdl, ext] : rows) {
    EXPECT_EQ(SourceExtension(path).is_qdl, is_qdl) << path;
    EXPECT_EQ(SourceExtension(path).SrcExt, ext) << path;
  }
  AppState state;
  state.SrcExt = ".GIF";
  ApplySourceExtension("/p/x.qdl", state);
  EXPECT_TRUE(state.SrcIsQdl);
  EXPECT_EQ(state.SrcExt, ".GIF");
  ApplySourceExtension("/p/x.jfif", state);
  EXPECT_FALSE(state.SrcIsQdl);
  EXPECT_EQ(state.SrcExt, ".JFIF");
}

// ---- fixed-position headers ----------------------------------------------------------------

ByteVec BitmapHead(int width, int height, int bits) {
  ByteVec b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[18] = static_cast<std::uint8_t>(width);
  b[19] = static_cast<std::uint8_t>(width >> 8);
  for (int i = 0; i < 4; ++i)
    b[22 + i] = static_cast<std::uint8_t>(height >> (8 * i));
  b[28] = static_cast<std::uint8_t>(bits);
  return b;
}

// The width's low half and the bit count as they are; the height's magnitude, so that a
// top-down bitmap measures its real height; an OS/2 header's own 16-bit fields.
TEST(BitmapProbeTest, WindowsAndOs2Headers) {
  ByteVec windows = BitmapHead(0x1234, 0x00F0, 24);
  windows[20] = 0x7F;  // high half of the width field is not read
  windows.resize(29);  // the bit count is the last byte read
  const ByteVec top_down = BitmapHead(640, -480, 1);
  ByteVec os2 = BitmapHead(0, 0, 0);
  os2[14] = 12;
  os2[18] = 0x80, os2[19] = 0x02, os2[20] = 0xE0, os2[21] = 0x01, os2[24] = 1;
  os2.resize(26);
  const struct {
    const char* name;
    ByteVec bytes;
    std::vector<int> measured;  // width, height, bits; empty: too short
  } rows[] = {
      {"Windows", windows, {0x1234, 0xF0, 24}},
      {"TopDown", top_down, {640, 480, 1}},
      {"Os2", os2, {640, 480, 1}},
      {"WindowsCut", ByteVec(windows.begin(), windows.end() - 1), {}},
      {"Os2Cut", ByteVec(os2.begin(), os2.end() - 1), {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto r = ProbeBitmapBytes(row.bytes);
    if (row.measured.empty()) {
      EXPECT_EQ(r.error().code, ErrorCode::kTooShort);
    } else {
      ASSERT_TRUE(r);
      EXPECT_EQ(std::vector<int>({r->width, r->height, r->bits}), row.measured);
    }
  }
}

TEST(GifProbeTest, ScreenSizeWithoutSignatureCheck) {
  ByteVec g = {'G', 'I', 'F', '8', '9', 'a', 0x80, 0x02, 0xE0, 0x01};
  auto r = ProbeGifBytes(g);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->width, 640);
  EXPECT_EQ(r->height, 480);
  g[0] = 'X';
  EXPECT_TRUE(ProbeGifBytes(g));
  g.pop_back();
  EXPECT_EQ(ProbeGifBytes(g).error().code, ErrorCode::kTooShort);
}

// ---- JPEG scan over built bytes --------------------------------------------------------------

using testing::Cat;
using testing::JpegFrame;

const ByteVec kSoi = {0xFF, 0xD8};

TEST(JpegScanTest, BuiltFiles) {
  ByteVec app16 = {0xFF, 0xE0, 0x00, 0x10};
  // 14 bytes of segment body, full of bytes that would look like a frame if not skipped.
  for (int i = 0; i < 14; ++i)
    app16.push_back(i % 2 ? 0xC0 : 0xFF);
  ByteVec app40000(39998);
  for (std::size_t i = 0; i < app40000.size(); ++i)
    app40000[i] = i % 2 ? 0xC0 : 0xFF;

  struct Row {
    const char* name;
    ByteVec bytes;
    int width, height;
    std::optional<ErrorCode> error = std::nullopt;
  } rows[] = {
      {"Baseline", Cat({kSoi, JpegFrame(0xC0, 64, 102)}), 102, 64},
      {"AppSixteenSkipsFourteen", Cat({kSoi, app16, JpegFrame(0xC2, 480, 640)}), 640, 480},
      {"OnlyC7MeasuresZero", Cat({kSoi, JpegFrame(0xC7, 10, 10), {0xFF, 0xD9}}), 0, 0},
      {"HuffmanTableSkipped",
       Cat({kSoi, {0xFF, 0xC4, 0x00, 0x04, 0xFF, 0xC0}, JpegFrame(0xC1, 3, 4)}), 4, 3},
      {"EmptyFile", {}, 0, 0},
      {"NoMarkers", {1, 2, 3, 4, 5}, 0, 0},
      {"EndsInsideSkippedSegment", Cat({kSoi, {0xFF, 0xE1, 0x01, 0x00, 0xFF, 0xC0}}), 0, 0},
      {"EndsInsideLength", Cat({kSoi, {0xFF, 0xE1, 0x01}}), 0, 0},
      {"EndsAfterFF", {0xFF}, 0, 0},
      // Lengths and sizes are unsigned: a camera's 40,000-byte profile is skipped whole.
      {"Length40000IsSkipped",
       Cat({kSoi, {0xFF, 0xE2, 0x9C, 0x40}, app40000, JpegFrame(0xC0, 480, 640)}), 640, 480},
      {"LengthFFFFHidesTheFrame", Cat({kSoi, {0xFF, 0xE1, 0xFF, 0xFF}, JpegFrame(0xC0, 1, 1)}), 0,
       0},
      {"HeightAbove32767", Cat({kSoi, JpegFrame(0xC0, 0x8000, 5)}), 5, 0x8000},
      {"Largest16Bit", Cat({kSoi, JpegFrame(0xCE, 0xFFFF, 0xFFFF)}), 0xFFFF, 0xFFFF},
      {"FrameCutInsideSize", ByteVec{0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x40, 0x00}, 0, 0,
       ErrorCode::kTooShort},
      {"LengthZeroCarriesOn", Cat({kSoi, {0xFF, 0xE2, 0x00, 0x00}, JpegFrame(0xC9, 7, 9)}), 9, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto r = ProbeJpegBytes(row.bytes);
    ASSERT_EQ(r.has_value(), !row.error);
    if (row.error) {
      EXPECT_EQ(r.error().code, *row.error);
    } else {
      EXPECT_EQ(r->width, row.width);
      EXPECT_EQ(r->height, row.height);
    }
  }
}

TEST(JpegScanTest, EveryFrameMarkerAndNoOther) {
  const ByteVec frame_codes = {0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC9, 0xCA, 0xCD, 0xCE};
  for (int code = 0xC0; code <= 0xCF; ++code) {
    const bool is_frame =
        std::find(frame_codes.begin(), frame_codes.end(), code) != frame_codes.end();
    const auto r = ProbeJpegBytes(Cat({kSoi, JpegFrame(static_cast<std::uint8_t>(code), 3, 5)}));
    ASSERT_TRUE(r) << std::hex << code;
    EXPECT_EQ(r->width, is_frame ? 5 : 0) << std::hex << code;
  }
}

// ---- the reader chosen for the source -------------------------------------------------------

TEST(ProbeImageBytesTest, ChoosesReaderAndSetsMono) {
  const ByteVec mono = BitmapHead(102, 64, 1), colour = BitmapHead(30, 20, 24),
                jpeg = Cat({kSoi, JpegFrame(0xC0, 48, 64)}),
                gif = {'G', 'I', 'F', '8', '9', 'a', 7, 0, 5, 0};
  struct Row {
    const ByteVec& file;
    const char* ext;
    bool is_qdl;
    int width, height;  // 0: the probe fails
    bool mono;          // SrcIsMono afterwards, having been the opposite before
  } rows[] = {
      {mono, ".BMP", false, 102, 64, true},
      {colour, ".BMP", false, 30, 20, false},
      // A Quadrel source is measured through its bitmap, whatever SrcExt still says.
      {mono, ".GIF", true, 102, 64, true},
      {jpeg, ".JFIF", false, 64, 48, false},
      {gif, ".GIF", false, 7, 5, false},
      // No reader for the ending: the flag stays as it was.
      {colour, ".PNG", false, 0, 0, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.width) + " " + row.ext);
    AppState state;
    state.SrcExt = row.ext;
    state.SrcIsQdl = row.is_qdl;
    state.SrcIsMono = row.width ? !row.mono : row.mono;
    const auto r = ProbeImageBytes(row.file, state);
    ASSERT_EQ(r.has_value(), row.width != 0);
    if (r) {
      EXPECT_EQ(r->width, row.width);
      EXPECT_EQ(r->height, row.height);
    } else {
      EXPECT_EQ(r.error().code, ErrorCode::kNotAPicture);
    }
    EXPECT_EQ(state.SrcIsMono, row.mono);
  }
}

TEST(KindOfContentTest, FirstBytesOnly) {
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
