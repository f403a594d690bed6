#include "devicelink/install.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <filesystem>

#include "link_env.h"
#include "scripted_prompter.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;
using testing::LinkEnv;
using testing::ScriptedPrompter;

void SetInstallValue(const LinkEnv& env, const QVariant& value) {
  QSettings settings(QString::fromStdString(env.File("config/Tresk/Dovimar-e.ini")),
                     QSettings::IniFormat);
  settings.setValue("PC/InstallDir", value);
  settings.sync();
}

// The recorded value without one trailing separator (so that one separator comes before the
// folders below it); no installation without a usable value.
TEST(GetInstallDir, TakesTheRecordedValue) {
  LinkEnv env(false);
  EXPECT_EQ(GetInstallDir(), std::nullopt) << "no settings file at all";
  struct Row {
    const char* name;
    std::string stored;
    std::optional<std::string> expected;
  };
  const Row rows[] = {
      {"plain", "/opt/link", "/opt/link"},
      {"trailing separator", "/opt/link/", "/opt/link"},
      {"only one separator dropped", "/opt/link//", "/opt/link/"},
      {"backslash as written on Windows", "C:\\Link\\", "C:\\Link"},
      {"one character", "L", "L"},
      {"terminating NUL carried along", std::string("/opt/link\0", 10), "/opt/link"},
      {"empty", "", std::nullopt},
      {"only a NUL", std::string(1, '\0'), std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetInstallValue(env, QString::fromStdString(row.stored));
    EXPECT_EQ(GetInstallDir(), row.expected);
  }
  SetInstallValue(env, "/opt/link/");
  EXPECT_EQ(DefaultUserDataDir(*GetInstallDir()), "/opt/link/userdata/qdl");
  EXPECT_EQ(DefaultCacheDir(*GetInstallDir()), "/opt/link/pcshelf/cache/accessor/graphics");
}

TEST(GetInstallDir, ReadsOnlyTheUsersOwnSettings) {
  LinkEnv env(false);
  // The platform's own places, moved into the test folder.
  qunsetenv(kConfigDirVariable);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                     QString::fromStdString(env.File("user")));
  QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope,
                     QString::fromStdString(env.File("system")));
  const auto record = [&](const char* file) {
    QSettings settings(QString::fromStdString(env.File(file)), QSettings::IniFormat);
    settings.setValue("PC/InstallDir", "/opt/link");
  };
  record("system/Tresk/Dovimar-e.ini");
  record("system/Tresk.ini");
  record("user/Tresk.ini");
  EXPECT_EQ(GetInstallDir(), std::nullopt) << "system-wide and organisation-wide values";
  record("user/Tresk/Dovimar-e.ini");
  EXPECT_EQ(GetInstallDir(), std::optional<std::string>("/opt/link"));
}

TEST(CheckUserDataDir, KeepsAnExistingFolderAndFallsBackToUserData) {
  LinkEnv env;
  ScriptedPrompter prompter;
  std::string user_data = DefaultUserDataDir(env.install_dir());
  bool show = true;
  CheckUserDataDir(env.install_dir(), user_data, show);
  EXPECT_EQ(user_data, DefaultUserDataDir(env.install_dir()));

  fs::remove_all(user_data);
  fs::create_directories(FallbackUserDataDir(env.install_dir()));
  CheckUserDataDir(env.install_dir(), user_data, show);
  EXPECT_EQ(user_data, env.Under({"UserData"}));
  EXPECT_TRUE(show);
  EXPECT_TRUE(prompter.messages.empty());
}

TEST(CheckUserDataDir, MissingFoldersShowTheMessageOnceAndCreateNothing) {
  LinkEnv env(false);
  ScriptedPrompter prompter;
  const std::string missing = DefaultUserDataDir(env.install_dir());
  std::string user_data = missing;
  bool show = true;
  CheckUserDataDir(env.install_dir(), user_data, show);
  CheckUserDataDir(env.install_dir(), user_data, show);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text,
            "Directory does not exist.\r\nPlease install the PC Application again.");
  EXPECT_EQ(prompter.messages[0].title, "Dotcaster");
  EXPECT_EQ(prompter.messages[0].icon, MsgIcon::Exclamation);
  EXPECT_FALSE(show);
  EXPECT_EQ(user_data, missing);
  EXPECT_FALSE(fs::exists(env.install_dir()));
}

// Quotes at either end go; a file of the device's cache gives its folder when that exists.
TEST(ClassifyCommandFile, QuotesAndTheCacheFolder) {
  LinkEnv env;
  const std::string pc = env.File("pics/cat.qdl"), cache = JoinPath(env.CacheGraphics(), "cat.qdl");
  const std::string missing = JoinPath(env.CacheGraphics(), "no-such-folder/cat.qdl");
  struct Row {
    std::string given, path;
    std::int16_t on_pc;
    std::string folder;
  };
  const Row rows[] = {
      {"\"" + pc + "\"", pc, 1, "unchanged"},
      {"\"" + pc, pc, 1, "unchanged"},
      {pc + "\"", pc, 1, "unchanged"},
      {pc, pc, 1, "unchanged"},
      {"\"" + cache + "\"", cache, 0, env.CacheGraphics()},  // without its trailing separator
      {missing, missing, 0, "unchanged"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.given);
    std::string path = row.given, folder = "unchanged";
    std::int16_t on_pc = 7;
    ClassifyCommandFile(path, folder, on_pc);
    EXPECT_EQ(path, row.path);
    EXPECT_EQ(on_pc, row.on_pc);
    EXPECT_EQ(folder, row.folder);
  }
}

TEST(PathParts, SplitAtTheLastSeparator) {
  struct Row {
    std::string path, name, folder;
  };
  const Row rows[] = {
      {"/x/a.qdl", "a.qdl", "/x/"},
      {"a.qdl", "a.qdl", ""},
      {"/x/", "", "/x/"},
      {"", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(FileNamePart(row.path), row.name);
    EXPECT_EQ(FolderPart(row.path), row.folder);
  }
}

TEST(PathExists, FindsByKindAndNeverFails) {
  LinkEnv env;
  const std::string file = env.File("a.qdl");
  testing::WriteAll(file, {1, 2});
  const std::string hidden = env.File(".hidden.qdl");
  testing::WriteAll(hidden, {1});
  const std::string folder = env.File("sub");
  fs::create_directories(folder);

  struct Row {
    const char* name;
    std::string path;
    int mask;
    std::string expected;
  };
  const Row rows[] = {
      {"file, files only", file, 0, "a.qdl"},
      {"file, folders included", file, kAttrFolder, "a.qdl"},
      {"folder, files only", folder, 0, ""},
      {"folder, folders included", folder, kAttrFolder, "sub"},
      {"folder with trailing separator", folder + "/", kAttrFolder, "sub"},
      {"hidden file without the hidden bit", hidden, 0, ""},
      {"hidden file with it", hidden, kAttrHidden | kAttrSystem, ".hidden.qdl"},
      {"missing", env.File("missing.qdl"), kAttrFolder, ""},
      {"below a file", file + "/x", kAttrFolder, ""},
      {"empty", "", kAttrFolder, ""},
      {"embedded NUL", std::string("/tmp\0x", 6), kAttrFolder, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PathExists(row.path, row.mask), row.expected);
  }
}

}  // namespace
}  // namespace dotcaster
