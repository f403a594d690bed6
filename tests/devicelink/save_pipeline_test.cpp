#include "devicelink/save_pipeline.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>

#include "devicelink/folder_link.h"
#include "devicelink/settings.h"
#include "link_env.h"
#include "scripted_prompter.h"
#include "unprivileged.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;
using testing::LinkEnv;
using testing::ReadAll;
using testing::ScriptedPrompter;
using testing::WriteAll;
using Bytes = std::vector<std::uint8_t>;

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class SavePipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(pics);
    state.UserDataDir = DefaultUserDataDir(env.install_dir());
    BuildWorkFilePaths(state);
    bitmap = testing::MakeBitmap(320, 240, 1);
    WriteAll(state.WorkDspFile, bitmap);
    quadrel = *ConvertQdlBmp(bitmap);
    state.Modified = true;
    state.FileOnPC = 1;
    state.CurFileName = "previous";
    state.SrcExt = ".JPG";
  }

  // The fields a failed save must leave alone.
  struct Outcome {
    std::string cur;
    bool modified, qdl, mono;
    std::string ext;
    bool operator==(const Outcome&) const = default;
  };
  Outcome Snapshot() const {
    return {state.CurFileName, state.Modified, state.SrcIsQdl, state.SrcIsMono, state.SrcExt};
  }

  LinkEnv env;
  ScriptedPrompter prompter;
  AppState state;
  std::string pics = env.File("pics");
  Bytes bitmap, quadrel;
};

TEST_F(SavePipeline, TargetFormatFollowsTheNameInAnyCase) {
  struct Row {
    const char* name;
    bool as_bitmap;
  };
  const Row rows[] = {{"a.bmp", true},  {"B.BMP", true},  {"c.Bmp", true},  {"d.qdl", false},
                      {"E.QDL", false}, {"f.jpg", false}, {"noext", false}, {"g.bmp.qdl", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SaveSetting(kSettingsSection, kLastFileKey, "");
    state.Modified = true;
    const std::string target = JoinPath(pics, row.name);
    WriteAll(target, Bytes(20000, 0xEE));  // a longer old file must not leave a tail
    SaveResultFile(state, target);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(ReadAll(target), row.as_bitmap ? bitmap : quadrel);
    EXPECT_EQ(state.CurFileName, target);
    EXPECT_FALSE(state.Modified);
    EXPECT_EQ(state.SrcIsQdl, !row.as_bitmap);
    EXPECT_EQ(GetSetting(kSettingsSection, kLastFileKey),
              row.as_bitmap ? "" : "1,PC:" + std::string(row.name) + "," + target);
    if (row.as_bitmap) {
      EXPECT_TRUE(state.SrcIsMono);
      EXPECT_EQ(state.SrcExt, ".BMP");
    }
  }
  EXPECT_EQ(FolderNames(pics).size(), std::size(rows)) << "no stray files";
}

TEST_F(SavePipeline, UnmodifiedPictureIsNotWritten) {
  state.Modified = false;
  const Outcome before = Snapshot();
  const std::string target = JoinPath(pics, "a.qdl");
  SaveResultFile(state, target);
  state.UploadAfterSave = true;
  SaveResultFile(state, target);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(state.UploadAfterSave);
  EXPECT_EQ(GetSetting(kSettingsSection, kLastFileKey, "none"), "none");
}

TEST_F(SavePipeline, FailedUploadStillCompletesTheSave) {
  struct Refusing : FolderDeviceLink {
    using FolderDeviceLink::FolderDeviceLink;
    int PutFile(std::string_view, std::string_view local, int) override {
      seen_local = std::string(local);
      seen_bytes = ReadAll(seen_local);
      return 1;
    }
    std::string seen_local;
    Bytes seen_bytes;
  } refusing(env.install_dir());
  DeviceLink* previous = SetDeviceLink(&refusing);

  const std::string cache = JoinPath(env.CacheGraphics(), "cat.qdl");
  WriteAll(cache, {1, 2, 3});
  state.FileOnPC = 0;
  state.UploadAfterSave = true;
  state.DevicePath = "B:\\graphics\\cat.qdl";
  EXPECT_TRUE(SaveResultFile(state, cache));
  SetDeviceLink(previous);

  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "File translate error when upload to Vantro!");
  EXPECT_EQ(prompter.messages[0].title, "Dotcaster");
  EXPECT_EQ(prompter.messages[0].icon, MsgIcon::None);
  EXPECT_EQ(prompter.messages[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(refusing.seen_bytes, quadrel) << "the link was handed the finished picture";
  EXPECT_EQ(FileNamePart(refusing.seen_local).substr(0, 3), "Qdl");
  EXPECT_EQ(FolderPart(refusing.seen_local), env.tmp_dir() + "/");
  EXPECT_FALSE(state.Modified);
  EXPECT_FALSE(state.UploadAfterSave);
  EXPECT_TRUE(state.SrcIsQdl);
  EXPECT_EQ(state.CurFileName, cache);
  EXPECT_EQ(GetSetting(kSettingsSection, kLastFileKey), "0,Vantro:cat.qdl," + cache);
  EXPECT_TRUE(fs::is_empty(env.tmp_dir())) << "the temporary file is gone";
  EXPECT_EQ(ReadAll(cache), quadrel) << "the cache copy holds the picture";
}

TEST_F(SavePipeline, BrokenResultGivesWriteErrorAndKeepsEverything) {
  const std::string target = JoinPath(pics, "keep.qdl");
  WriteAll(target, {7, 7, 7});
  const Outcome before = Snapshot();
  const struct {
    const char* name;
    Bytes content;
  } results[] = {{"a Quadrel file, not a bitmap", {2, 0, 2, 0, 1, 1}},
                 {"a bitmap cut short", Bytes(bitmap.begin(), bitmap.begin() + 20)},
                 {"empty", {}}};
  for (const auto& result : results) {
    SCOPED_TRACE(result.name);
    WriteAll(state.WorkDspFile, result.content);
    for (bool upload : {false, true}) {
      prompter.messages.clear();
      state.UploadAfterSave = upload;
      EXPECT_FALSE(SaveResultFile(state, target));
      EXPECT_EQ(prompter.MessageTexts(), std::vector<std::string>{"Write error!"});
      EXPECT_EQ(ReadAll(target), (Bytes{7, 7, 7}));
      EXPECT_EQ(Snapshot(), before);
      EXPECT_TRUE(fs::is_empty(env.tmp_dir()));
    }
  }
  fs::remove(state.WorkDspFile);
  prompter.messages.clear();
  state.UploadAfterSave = false;
  SaveResultFile(state, JoinPath(pics, "x.bmp"));
  EXPECT_EQ(prompter.MessageTexts(), std::vector<std::string>{"Write error!"}) << "missing result";
  EXPECT_EQ(FolderNames(pics), std::vector<std::string>{"keep.qdl"});
}

// A read-only folder, a read-only file and a disk that fills up mid-write: Write error!,
// old files intact, although a rename in a writable folder would replace a read-only file.
// Permissions are tried as an unprivileged user, whom they bind, owning the folder.
TEST_F(SavePipeline, FailedWriteKeepsTheOldFileIntact) {
  const Outcome before = Snapshot();
  const auto as_user = [&](const std::string& target, const std::string& locked, mode_t mode) {
    testing::AsUnprivilegedUser nobody(pics);
    ::chmod(locked.c_str(), mode);
    return SaveResultFile(state, target);
  };
  const std::pair<const char*, std::function<bool(const std::string&)>> failures[] = {
      {"read-only folder", [&](const std::string& t) { return as_user(t, pics, 0500); }},
      {"read-only file", [&](const std::string& t) { return as_user(t, t, 0400); }},
      {"disk full",
       [&](const std::string& t) {
         testing::FileSizeLimit limit(4096);  // well below the 9604 bytes of a 320 x 240 picture
         return SaveResultFile(state, t);
       }},
  };
  for (const auto& [failure, save] : failures) {
    for (const char* name : {"old.qdl", "old.bmp"}) {
      SCOPED_TRACE(std::string(failure) + " " + name);
      const std::string target = JoinPath(pics, name);
      ::chmod(pics.c_str(), 0700);
      WriteAll(target, Bytes(100, 3));
      prompter.messages.clear();
      EXPECT_FALSE(save(target));
      EXPECT_EQ(prompter.MessageTexts(), std::vector<std::string>{"Write error!"});
      EXPECT_EQ(ReadAll(target), Bytes(100, 3));
      EXPECT_EQ(Snapshot(), before);
    }
    EXPECT_EQ(FolderNames(pics), (std::vector<std::string>{"old.bmp", "old.qdl"}));
  }

  // An upload whose temporary file cannot be written leaves nothing behind either.
  state.UploadAfterSave = true;
  state.DevicePath = "B:\\graphics\\big.qdl";
  prompter.messages.clear();
  {
    testing::FileSizeLimit limit(4096);
    SaveResultFile(state, JoinPath(env.CacheGraphics(), "big.qdl"));
  }
  EXPECT_EQ(prompter.MessageTexts(), std::vector<std::string>{"Write error!"});
  EXPECT_TRUE(fs::is_empty(env.tmp_dir()));
  EXPECT_FALSE(fs::exists(JoinPath(env.DeviceGraphics(), "big.qdl")));
}

TEST(SaveHelpers, TrimAtNul) {
  std::string buffer(256, ' ');
  const std::string path = "/tmp/Qdl1A2B.tmp";
  buffer.replace(0, path.size(), path);
  buffer[path.size()] = '\0';
  EXPECT_EQ(TrimAtNul(buffer), path);
  EXPECT_EQ(TrimAtNul("no nul"), "no nul");
  EXPECT_EQ(TrimAtNul(std::string("\0x", 2)), "");
}

TEST(SaveHelpers, DeleteFileIfExistsTakesReadOnlyAndHiddenFilesButNoFolders) {
  LinkEnv env;
  const std::string read_only = env.File("ro.qdl");
  const std::string hidden = env.File(".hidden.qdl");
  WriteAll(read_only, {1});
  WriteAll(hidden, {1});
  ::chmod(read_only.c_str(), 0400);
  const std::string folder = env.File("folder");
  fs::create_directories(folder);
  DeleteFileIfExists(read_only);
  DeleteFileIfExists(hidden);
  DeleteFileIfExists(folder);
  DeleteFileIfExists(env.File("missing"));
  EXPECT_FALSE(fs::exists(read_only));
  EXPECT_FALSE(fs::exists(hidden));
  EXPECT_TRUE(fs::exists(folder));
}

}  // namespace
}  // namespace dotcaster
