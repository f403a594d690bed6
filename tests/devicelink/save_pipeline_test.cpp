#include "devicelink/save_pipeline.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QSettings>
#include <filesystem>

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

class SavePipeline : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(pics);
    state.UserDataDir = DefaultUserDataDir(env.install_dir());
    BuildWorkFilePaths(state);
    WriteAll(state.WorkDspFile, bitmap);
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
  Bytes bitmap = testing::MakeBitmap(320, 240, 1), quadrel = *ConvertQdlBmp(bitmap);
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
    EXPECT_EQ(std::tie(state.CurFileName, state.Modified, state.SrcIsQdl),
              std::tuple(target, false, !bmp));
    EXPECT_EQ(GetSetting(kSettingsSection, kLastFileKey),
              bmp ? "" : "1,PC:" + std::string(name) + "," + target);
    EXPECT_TRUE(!bmp || (state.SrcIsMono && state.SrcExt == ".BMP"));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(pics), {}), 5) << "no stray files";
}

// The link is handed a finished temporary file, gone afterwards; its refusal is reported
// and the save still completes in the cache copy.
TEST_F(SavePipeline, FailedUploadStillCompletesTheSave) {
  struct Refusing : FolderDeviceLink {
    using FolderDeviceLink::FolderDeviceLink;
    int PutFile(std::string_view, std::string_view local, int) override {
      seen = {FolderPart(local), ReadAll(std::string(local))};
      return 1;
    }
    std::pair<std::string, Bytes> seen;
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
  EXPECT_EQ(refusing.seen, std::pair(env.tmp_dir() + "/", quadrel));
  EXPECT_TRUE(fs::is_empty(env.tmp_dir()));
  const QSettings ini(QString::fromStdString(env.File("config/Tresk/Dovimar.ini")),
                      QSettings::IniFormat);
  EXPECT_EQ(ini.value("Mkqdl/File1").toString().toStdString(), "0,Vantro:cat.qdl," + cache);
  EXPECT_EQ(ReadAll(cache), quadrel);
}

// Every failure, with or without an upload, leaves the old file and the state intact and no
// temporary file. A bitmap target takes the result's bytes as they are. Permissions are tried
// as an unprivileged user owning the folder: a rename there would replace a read-only file.
TEST_F(SavePipeline, FailedSaveKeepsTheOldFileIntact) {
  const auto before = Snapshot();
  enum Lock { kNone, kFolder, kFile, kDiskFull };
  const std::tuple<const char*, std::optional<Bytes>, Lock> failures[] = {
      {"result not a bitmap", Bytes{2, 0, 2, 0, 1, 1}, kNone},
      {"result cut short", Bytes(bitmap.begin(), bitmap.begin() + 20), kNone},
      {"result empty", Bytes{}, kNone},
      {"result missing", std::nullopt, kNone},
      {"read-only folder", bitmap, kFolder},
      {"read-only file", bitmap, kFile},
      {"disk full", bitmap, kDiskFull},  // 4096 bytes, below the 9604 of a 320 x 240 picture
  };
  for (const auto& [failure, result, lock] : failures) {
    for (const char* name : {"old.qdl", "old.bmp"}) {
      if (result != bitmap && name == std::string_view("old.bmp")) continue;
      for (const bool upload : {false, true}) {
        SCOPED_TRACE(std::string(failure) + " " + name + (upload ? ", upload" : ""));
        const std::string target = JoinPath(pics, name);
        ::chmod(pics.c_str(), 0700);
        WriteAll(target, Bytes(100, 3));
        result ? WriteAll(state.WorkDspFile, *result) : (void)fs::remove(state.WorkDspFile);
        prompter.messages.clear();
        state.UploadAfterSave = upload;
        std::optional<testing::AsUnprivilegedUser> nobody;
        std::optional<testing::FileSizeLimit> limit;
        if (lock == kDiskFull) limit.emplace(4096);
        if (lock == kFolder || lock == kFile) {
          nobody.emplace(pics);
          ::chmod((lock == kFolder ? pics : target).c_str(), lock == kFolder ? 0500 : 0400);
        }
        EXPECT_FALSE(SaveResultFile(state, target));
        EXPECT_EQ(prompter.MessageTexts(), std::vector<std::string>{"Write error!"});
        EXPECT_EQ(ReadAll(target), Bytes(100, 3));
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(fs::is_empty(env.tmp_dir()));
      }
    }
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(pics), {}), 2);
}

}  // namespace
}  // namespace dotcaster
