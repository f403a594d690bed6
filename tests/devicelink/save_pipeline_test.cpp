#include "devicelink/save_pipeline.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

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

long FileCount(const std::string& folder) {
  return std::distance(fs::directory_iterator(folder), {});
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
  auto Snapshot() const {
    return std::tuple(state.CurFileName, state.Modified, state.SrcIsQdl, state.SrcIsMono,
                      state.SrcExt);
  }

  LinkEnv env;
  ScriptedPrompter prompter;
  AppState state;
  std::string pics = env.File("pics");
  Bytes bitmap, quadrel;
};

// An unmodified picture is not written, not even for an upload.
TEST_F(SavePipeline, TargetFormatFollowsTheNameInAnyCase) {
  state.Modified = false;
  state.UploadAfterSave = true;
  const auto before = Snapshot();
  SaveResultFile(state, JoinPath(pics, "a.qdl"));
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(fs::is_empty(pics) && state.UploadAfterSave);
  EXPECT_EQ(GetSetting(kSettingsSection, kLastFileKey, "none"), "none");
  state.UploadAfterSave = false;
  const std::pair<const char*, bool> as_bitmap[] = {
      {"a.bmp", true}, {"C.Bmp", true}, {"E.QDL", false}, {"noext", false}, {"g.bmp.qdl", false}};
  for (const auto& [name, bmp] : as_bitmap) {
    SCOPED_TRACE(name);
    SaveSetting(kSettingsSection, kLastFileKey, "");
    state.Modified = true;
    const std::string target = JoinPath(pics, name);
    WriteAll(target, Bytes(20000, 0xEE));  // a longer old file must not leave a tail
    SaveResultFile(state, target);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(ReadAll(target), bmp ? bitmap : quadrel);
    EXPECT_EQ(state.CurFileName, target);
    EXPECT_FALSE(state.Modified);
    EXPECT_EQ(state.SrcIsQdl, !bmp);
    EXPECT_EQ(GetSetting(kSettingsSection, kLastFileKey),
              bmp ? "" : "1,PC:" + std::string(name) + "," + target);
    EXPECT_TRUE(!bmp || (state.SrcIsMono && state.SrcExt == ".BMP"));
  }
  EXPECT_EQ(FileCount(pics), std::ssize(as_bitmap)) << "no stray files";
}

// The link is handed a finished temporary file, gone afterwards; its refusal is reported
// and the save still completes in the cache copy.
TEST_F(SavePipeline, FailedUploadStillCompletesTheSave) {
  struct Refusing : FolderDeviceLink {
    using FolderDeviceLink::FolderDeviceLink;
    int PutFile(std::string_view, std::string_view local, int) override {
      seen_folder = FolderPart(local);
      seen_bytes = ReadAll(std::string(local));
      return 1;
    }
    std::string seen_folder;
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

  ASSERT_EQ(prompter.MessageTexts(),
            std::vector<std::string>{"File translate error when upload to Vantro!"});
  EXPECT_TRUE(prompter.messages[0].title == "Dotcaster" &&
              prompter.messages[0].icon == MsgIcon::None);
  EXPECT_EQ(refusing.seen_bytes, quadrel);
  EXPECT_EQ(refusing.seen_folder, env.tmp_dir() + "/");
  EXPECT_TRUE(fs::is_empty(env.tmp_dir()));
  EXPECT_TRUE(!state.Modified && !state.UploadAfterSave && state.SrcIsQdl);
  EXPECT_EQ(state.CurFileName, cache);
  EXPECT_EQ(GetSetting(kSettingsSection, kLastFileKey), "0,Vantro:cat.qdl," + cache);
  EXPECT_EQ(ReadAll(cache), quadrel);
}

// A result that is missing or no 1-bit bitmap (for a Quadrel target; a bitmap target takes
// its bytes as they are), a read-only folder, a read-only file and a disk that fills up
// mid-write, with or without an upload: Write error!, old files intact and no temporary file
// left, although a rename in a writable folder would replace a read-only file. Permissions
// are tried as an unprivileged user, whom they bind, owning the folder.
TEST_F(SavePipeline, FailedSaveKeepsTheOldFileIntact) {
  const auto before = Snapshot();
  const auto as_user = [&](const std::string& target, const std::string& locked, mode_t mode) {
    testing::AsUnprivilegedUser nobody(pics);
    ::chmod(locked.c_str(), mode);
    return SaveResultFile(state, target);
  };
  const auto result = [&](std::optional<Bytes> content) {
    return [&, content](const std::string& target) {
      content ? WriteAll(state.WorkDspFile, *content) : (void)fs::remove(state.WorkDspFile);
      const bool saved = SaveResultFile(state, target);
      WriteAll(state.WorkDspFile, bitmap);
      return saved;
    };
  };
  const std::pair<const char*, std::function<bool(const std::string&)>> failures[] = {
      {"result not a bitmap", result(Bytes{2, 0, 2, 0, 1, 1})},
      {"result cut short", result(Bytes(bitmap.begin(), bitmap.begin() + 20))},
      {"result empty", result(Bytes{})},
      {"result missing", result(std::nullopt)},
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
      if (std::string_view(failure).starts_with("result ") && name == std::string_view("old.bmp"))
        continue;
      for (const bool upload : {false, true}) {
        SCOPED_TRACE(std::string(failure) + " " + name + (upload ? ", upload" : ""));
        const std::string target = JoinPath(pics, name);
        ::chmod(pics.c_str(), 0700);
        WriteAll(target, Bytes(100, 3));
        prompter.messages.clear();
        state.UploadAfterSave = upload;
        EXPECT_FALSE(save(target));
        EXPECT_EQ(prompter.MessageTexts(), std::vector<std::string>{"Write error!"});
        EXPECT_EQ(ReadAll(target), Bytes(100, 3));
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(fs::is_empty(env.tmp_dir()));
      }
    }
  }
  EXPECT_EQ(FileCount(pics), 2);
}

TEST(SaveHelpers, DeleteFileIfExistsTakesReadOnlyAndHiddenFilesButNoFolders) {
  LinkEnv env;
  fs::create_directories(env.File("d/folder"));
  WriteAll(env.File("d/ro.qdl"), {1});
  WriteAll(env.File("d/.hidden.qdl"), {1});
  ::chmod(env.File("d/ro.qdl").c_str(), 0400);
  for (const char* name : {"d/ro.qdl", "d/.hidden.qdl", "d/folder", "d/missing"})
    DeleteFileIfExists(env.File(name));
  EXPECT_TRUE(FileCount(env.File("d")) == 1 && fs::is_directory(env.File("d/folder")));
}

}  // namespace
}  // namespace dotcaster
