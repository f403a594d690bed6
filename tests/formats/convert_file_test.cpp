// The converter and the safe writer against real files: what the target holds after each
// kind of failure.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "formats/file_io.h"
#include "formats/quadrel.h"
#include "state/paths.h"
#include "temp_dir.h"
#include "unprivileged.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dotcaster {
namespace {

namespace fs = std::filesystem;
using ByteVec = std::vector<std::uint8_t>;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

const ByteVec kQdl2x10 = {0x02, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x02};
const ByteVec kOldContent = {'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'};

// The folder's entries: a stray temporary file is one more.
long Entries(const fs::path& folder) {
  return std::distance(fs::directory_iterator(folder), {});
}

TEST(ConvertFile, BothDirectionsThroughFiles) {
  TempDir dir;
  const char* again_name = "caf\xC3\xA9 \xE5\x86\x99.qdl";  // not in any one ANSI code page
  const std::string qdl = dir.File("in.qdl"), bmp = dir.File("out.bmp"),
                    again = dir.File(again_name);
  WriteAll(qdl, kQdl2x10);
  WriteAll(bmp, ByteVec(5000, 0x77));  // longer content is replaced completely
  ASSERT_TRUE(ConvertQdlBmpFile(qdl, bmp));
  const ByteVec bitmap = ReadAll(bmp);
  EXPECT_EQ(bitmap.size(), 102u);
  EXPECT_EQ(bitmap[0], 'B');
  // The direction comes from the content, not the name.
  ASSERT_TRUE(ConvertQdlBmpFile(bmp, again));
  EXPECT_EQ(ReadAll(again), kQdl2x10);
  // The source may be the target.
  ASSERT_TRUE(ConvertQdlBmpFile(again, again));
  EXPECT_EQ(ReadAll(again), bitmap);
  // A target in a folder that does not exist cannot be opened: nothing is made.
  EXPECT_FALSE(ConvertQdlBmpFile(qdl, dir.File("no-such-folder/out.bmp")));
  EXPECT_EQ(Entries(dir.path()), 3);
}

// Whatever the reason, a failed conversion keeps the target as it was.
TEST(ConvertFile, FailuresKeepTheTarget) {
  ByteVec big(9604, 0x5A);  // 320 x 240: a bitmap of 9662 bytes
  big[0] = 0x40, big[1] = 0x01, big[2] = 0xF0, big[3] = 0x00;
  const struct {
    const char* name;
    std::optional<ByteVec> source;
    unsigned long long size_limit;  // 0: none
  } rows[] = {
      {"MissingSource", std::nullopt, 0},
      {"HeaderOnlySource", ByteVec{0x02, 0x00, 0x02, 0x00}, 0},
#ifndef _WIN32
      {"WriteStoppedHalfWay", big, 1000},
#endif
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    TempDir dir;
    const std::string src = dir.File("in.qdl"), old_target = dir.File("old.bmp"),
                      new_target = dir.File("new.bmp");
    if (r.source) WriteAll(src, *r.source);
    WriteAll(old_target, kOldContent);
    {
      std::optional<testing::FileSizeLimit> limit;
      if (r.size_limit) limit.emplace(r.size_limit);
      EXPECT_FALSE(ConvertQdlBmpFile(src, old_target));
      EXPECT_FALSE(ConvertQdlBmpFile(src, new_target));
    }
    EXPECT_EQ(ReadAll(old_target), kOldContent);
    // The target is opened after the source and before the conversion: a new target stays
    // behind, empty, unless the source was missing.
    EXPECT_EQ(fs::exists(new_target) && fs::file_size(new_target) == 0, r.source.has_value());
    EXPECT_EQ(Entries(dir.path()), r.source ? 3 : 1);
  }
}

#ifndef _WIN32
// A folder that takes no new files but holds a writable target: the target is rewritten
// in place, and a write that fails half-way (here a file-size limit) keeps its old content.
TEST(WriteFileReplacing, FolderWithoutNewFilesRewritesInPlace) {
  TempDir dir;
  const fs::path sub = dir.path() / "closed";
  fs::create_directory(sub);
  const std::string target = (sub / "t.bmp").string();
  WriteAll(target, kOldContent);
  testing::AsUnprivilegedUser nobody(dir.path());
  fs::permissions(sub, fs::perms::owner_read | fs::perms::owner_exec);
  {
    testing::FileSizeLimit limit(64);
    const auto error = WriteFileReplacing(target, ByteVec(100, 7));
    EXPECT_EQ(error ? error->system : std::error_code(), std::errc::file_too_large);
    EXPECT_EQ(ReadAll(target), kOldContent);
  }
  EXPECT_FALSE(WriteFileReplacing(target, ByteVec{9, 8, 7, 6}).has_value());
  EXPECT_EQ(ReadAll(target), (ByteVec{9, 8, 7, 6}));
  EXPECT_EQ(Entries(sub), 1);
}

TEST(FileIdentity, OneFolderByAnyName) {
  TempDir dir;
  fs::create_directory(dir.File("two"));
  fs::create_directory_symlink(dir.File("two"), dir.File("twolink"));
  const std::string two = FileIdentity(dir.File("two/a.qdl"));
  EXPECT_EQ(FileIdentity(dir.File("twolink/a.qdl")), two);
  EXPECT_EQ(FileIdentity(dir.File("two/../twolink/a.qdl")), two);
  EXPECT_NE(FileIdentity(dir.File("two/b.qdl")), two);
  EXPECT_NE(FileIdentity(dir.File("a.qdl")), two);
  EXPECT_EQ(FileIdentity(dir.File("none/a.qdl")), FileIdentity(dir.File("none/./a.qdl")));
}
#else
TEST(ConvertFile, ReadOnlyTargetStaysAsItWas) {
  TempDir dir;
  const std::string src = dir.File("in.qdl"), target = dir.File("locked.bmp");
  WriteAll(src, kQdl2x10);
  WriteAll(target, kOldContent);
  fs::permissions(target, fs::perms::owner_read);  // the read-only attribute
  if (std::ofstream(ToFsPath(target), std::ios::app)) GTEST_SKIP() << "wine as root";
  EXPECT_FALSE(ConvertQdlBmpFile(src, target));
  EXPECT_EQ(ReadAll(target), kOldContent);
  EXPECT_EQ(Entries(dir.path()), 2);
}

TEST(WriteFileReplacing, KeepsAttributes) {
  TempDir dir;
  const std::string target = dir.File("hidden.bmp");
  WriteAll(target, kOldContent);
  const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
  ASSERT_TRUE(SetFileAttributesW(ToFsPath(target).c_str(), hidden));
  ASSERT_FALSE(WriteFileReplacing(target, ByteVec{1, 2, 3}).has_value());
  EXPECT_EQ(ReadAll(target), (ByteVec{1, 2, 3}));
  EXPECT_EQ(GetFileAttributesW(ToFsPath(target).c_str()), hidden);
  EXPECT_EQ(Entries(dir.path()), 1);
}
#endif

// What is at the target decides the write: a file is replaced (refused when the write must
// create it) keeping its permissions, and through a link to it the link stays; a device or a
// FIFO is written to as it is, anything else is left alone.
TEST(WriteFileSafely, EachKindOfTarget) {
  TempDir dir;
  WriteAll(dir.File("file"), kOldContent);
  fs::create_directory(dir.File("folder"));
#ifndef _WIN32
  const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  WriteAll(dir.File("real"), kOldContent);
  fs::permissions(dir.File("real"), perms);
  fs::create_symlink(dir.File("real"), dir.File("link"));
  fs::create_symlink(dir.File("nowhere"), dir.File("dangling"));
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  // The FIFO's reader, so that the write does not wait for one.
  std::FILE* reader = popen(("cat '" + dir.File("fifo") + "'").c_str(), "r");
#endif
  const ByteVec fresh = {1, 2, 3};
  struct Row {
    const char* name;
    std::string target;
    bool replace;
    std::optional<ErrorCode> error;
    TargetKind kind;  // before and after
  } rows[] = {
      {"NewFile", dir.File("new"), false, std::nullopt, TargetKind::kMissing},
      {"FileMustBeNew", dir.File("file"), false, ErrorCode::kTargetExists, TargetKind::kFile},
      {"FileReplaced", dir.File("file"), true, std::nullopt, TargetKind::kFile},
      {"Folder", dir.File("folder"), true, ErrorCode::kTargetNotFile, TargetKind::kFolder},
#ifndef _WIN32
      {"LinkToAFile", dir.File("link"), true, std::nullopt, TargetKind::kFile},
      {"DanglingLink", dir.File("dangling"), true, ErrorCode::kTargetNotFile, TargetKind::kOther},
      {"Device", "/dev/null", false, std::nullopt, TargetKind::kStream},
      {"Fifo", dir.File("fifo"), true, std::nullopt, TargetKind::kStream},
#endif
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(KindOfTarget(row.target), row.kind);
    const auto error = WriteFileSafely(row.target, fresh, {.replace = row.replace});
    EXPECT_EQ(error ? std::optional(error->code) : std::nullopt, row.error);
    EXPECT_EQ(KindOfTarget(row.target),
              row.kind == TargetKind::kMissing ? TargetKind::kFile : row.kind);
  }
  EXPECT_EQ(ReadAll(dir.File("new")), fresh);
  EXPECT_EQ(ReadAll(dir.File("file")), fresh);
#ifdef _WIN32
  EXPECT_EQ(Entries(dir.path()), 3);
#else
  EXPECT_EQ(Entries(dir.path()), 7);
  EXPECT_TRUE(fs::is_symlink(dir.File("link")));
  EXPECT_EQ(ReadAll(dir.File("real")), fresh);
  EXPECT_EQ(fs::status(dir.File("real")).permissions() & fs::perms::all, perms);
  char got[8] = {};
  EXPECT_EQ(std::fread(got, 1, sizeof got, reader), 3u);
  pclose(reader);
#endif
}

// Only a regular file within the limit is read, and a failed read names the system's reason
// from the call that failed; nothing waits for a FIFO's writer.
TEST(ReadFileBytes, RegularFilesWithinTheLimit) {
  TempDir dir;
  const std::string path = dir.File("f");
  WriteAll(path, ByteVec(100000, 0x11));
  Limits limits;
  limits.max_file_bytes = 100000;
  EXPECT_EQ(ReadFileBytes(path, limits).value().size(), 100000u);
  const auto head = ReadFileHead(path, 10, limits);
  EXPECT_EQ(head->bytes, ByteVec(10, 0x11));
  EXPECT_EQ(head->size, 100000u);
#ifndef _WIN32
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
#endif
  const struct {
    std::string path;
    ErrorCode code;
    std::error_code why;
  } refusals[] = {
      {path, ErrorCode::kFileTooLarge, {}},
      {dir.File("absent \xFF"), ErrorCode::kOpenSource,  // not UTF-8
       std::make_error_code(std::errc::no_such_file_or_directory)},
      {FromFsPath(dir.path()), ErrorCode::kNotRegularFile,
       std::make_error_code(std::errc::is_a_directory)},
#ifndef _WIN32
      {dir.File("fifo"), ErrorCode::kNotRegularFile, {}},
      {"/dev/zero", ErrorCode::kNotRegularFile, {}},
#endif
  };
  limits.max_file_bytes = 99999;
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(ReadFileBytes(r.path, limits).error().code, r.code);
    EXPECT_EQ(ReadFileBytes(r.path, limits).error().system, r.why);
    EXPECT_EQ(ReadFileHead(r.path, 10, limits).error().code, r.code);
  }
}

}  // namespace
}  // namespace dotcaster
