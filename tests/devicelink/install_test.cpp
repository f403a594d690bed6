#include "devicelink/install.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <filesystem>

#include "devicelink/link.h"
#include "devicelink/settings.h"
#include "link_env.h"
#include "scripted_prompter.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;
using testing::LinkEnv;
using testing::ScriptedPrompter;

void Record(const std::string& file, const QVariant& value) {
  QSettings(QString::fromStdString(file), QSettings::IniFormat).setValue("PC/InstallDir", value);
}

// The recorded value without one trailing separator (so that one separator comes before the
// folders below it), from the user's own settings only; no installation without a usable
// value, and then the link maps and copies nothing.
TEST(GetInstallDir, TakesTheUsersOwnRecordedValue) {
  LinkEnv env(false);
  EXPECT_EQ(GetInstallDir(), std::nullopt) << "no settings file at all";
  const std::string local = env.File("pic.qdl");
  testing::WriteAll(local, {1, 0, 1, 0, 1});
  LinkBuffer buf{};
  EXPECT_EQ(Dov_ConvPathCacheToDovimar(buf.data(), kLinkBufferSize, env.File("x")), 0);
  EXPECT_EQ(Dov_ConvPathDovimarToCache(buf.data(), kLinkBufferSize, "B:\\graphics\\a.qdl"), 0);
  EXPECT_NE(Dov_PutFile("B:\\graphics\\a.qdl", local, 0), 0);
  EXPECT_NE(Dov_IsOnPcFile(local), 0);
  EXPECT_EQ(Dov_DoDisconnect(), 0);

  const std::pair<std::string, std::optional<std::string>> rows[] = {
      {"/opt/link/", "/opt/link"},
      {"/opt/link//", "/opt/link/"},  // only one separator dropped
      {"C:\\Link\\", "C:\\Link"},
      {"L", "L"},
      {std::string("/opt/link\0", 10), "/opt/link"},  // a terminating NUL carried along
      {"", std::nullopt},
      {std::string(1, '\0'), std::nullopt},
  };
  for (const auto& [stored, expected] : rows) {
    SCOPED_TRACE(stored);
    Record(env.File("config/Tresk/Dovimar-e.ini"), QString::fromStdString(stored));
    EXPECT_EQ(GetInstallDir(), expected);
  }
  EXPECT_EQ(DefaultUserDataDir("/opt/link"), "/opt/link/userdata/qdl");
  EXPECT_EQ(DefaultCacheDir("/opt/link"), "/opt/link/pcshelf/cache/accessor/graphics");

  // The platform's own places, moved into the test folder.
  qunsetenv(kConfigDirVariable);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     QString::fromStdString(env.File("user")));
  QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope,
                     QString::fromStdString(env.File("system")));
  for (const char* file : {"system/Tresk/Dovimar-e.ini", "system/Tresk.ini", "user/Tresk.ini"})
    Record(env.File(file), "/opt/link");
  EXPECT_EQ(GetInstallDir(), std::nullopt) << "system-wide and organisation-wide values";
  Record(env.File("user/Tresk/Dovimar-e.ini"), "/opt/link");
  EXPECT_EQ(GetInstallDir(), std::optional<std::string>("/opt/link"));
}

// An existing folder is kept, else UserData is taken; with neither, the message comes once
// and nothing is created.
TEST(CheckUserDataDir, FallsBackToUserDataOrSaysSoOnce) {
  LinkEnv env;
  ScriptedPrompter prompter;
  const std::string install = env.install_dir(), user_data = DefaultUserDataDir(install);
  std::string chosen = user_data;
  bool show = true;
  CheckUserDataDir(install, chosen, show);
  EXPECT_EQ(chosen, user_data);
  fs::remove_all(user_data);
  fs::create_directories(FallbackUserDataDir(install));
  CheckUserDataDir(install, chosen, show);
  EXPECT_EQ(chosen, env.Under({"UserData"}));
  EXPECT_TRUE(show && prompter.messages.empty());

  fs::remove_all(install);
  chosen = user_data;
  CheckUserDataDir(install, chosen, show);
  CheckUserDataDir(install, chosen, show);
  ASSERT_EQ(prompter.messages.size(), 1u);  // its text is the window's start-up test's
  EXPECT_TRUE(prompter.messages[0].title == "Dotcaster" &&
              prompter.messages[0].icon == MsgIcon::Exclamation);
  EXPECT_TRUE(!show && chosen == user_data && !fs::exists(install));
}

// Quotes at either end go; a file of the device's cache gives its folder when that exists.
TEST(ClassifyCommandFile, QuotesAndTheCacheFolder) {
  LinkEnv env;
  const std::string pc = env.File("pics/cat.qdl"), cache = JoinPath(env.CacheGraphics(), "cat.qdl");
  const std::string missing = JoinPath(env.CacheGraphics(), "no-such-folder/cat.qdl");
  // Rows: given, path kept, on the PC, folder afterwards.
  const std::tuple<std::string, std::string, std::int16_t, std::string> rows[] = {
      {"\"" + pc + "\"", pc, 1, "unchanged"},
      {"\"" + pc, pc, 1, "unchanged"},
      {pc + "\"", pc, 1, "unchanged"},
      {"\"" + cache + "\"", cache, 0, env.CacheGraphics()},  // without its trailing separator
      {missing, missing, 0, "unchanged"},
  };
  for (const auto& [given, kept, on_pc, folder] : rows) {
    SCOPED_TRACE(given);
    std::string path = given, folder_after = "unchanged";
    std::int16_t on_pc_after = 7;
    ClassifyCommandFile(path, folder_after, on_pc_after);
    EXPECT_EQ(std::tie(path, on_pc_after, folder_after), std::tie(kept, on_pc, folder));
  }
}

TEST(PathParts, SplitAtTheLastSeparatorAndFindByKind) {
  const std::tuple<std::string, std::string, std::string> parts[] = {
      {"/x/a.qdl", "/x/", "a.qdl"}, {"a.qdl", "", "a.qdl"}, {"/x/", "/x/", ""}, {"", "", ""}};
  for (const auto& [path, folder, name] : parts)
    EXPECT_EQ(FolderPart(path) + "|" + FileNamePart(path), folder + "|" + name) << path;
  LinkEnv env;
  const std::string file = env.File("a.qdl"), hidden = env.File(".hidden.qdl");
  const std::string folder = env.File("sub");
  testing::WriteAll(file, {1, 2});
  testing::WriteAll(hidden, {1});
  fs::create_directories(folder);
  const std::tuple<const char*, std::string, int, std::string> rows[] = {
      {"file, folders included", file, kAttrFolder, "a.qdl"},
      {"folder, files only", folder, 0, ""},
      {"folder with trailing separator", folder + "/", kAttrFolder, "sub"},
      {"hidden file without the hidden bit", hidden, 0, ""},
      {"hidden file with it", hidden, kAttrHidden | kAttrSystem, ".hidden.qdl"},
      {"missing", env.File("missing.qdl"), kAttrFolder, ""},
      {"below a file", file + "/x", kAttrFolder, ""},
      {"embedded NUL", std::string("/tmp\0x", 6), kAttrFolder, ""},
  };
  for (const auto& [name, path, mask, expected] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(PathExists(path, mask), expected);
  }
}

}  // namespace
}  // namespace dotcaster
