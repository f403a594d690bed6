#include "devicelink/link.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QString>
#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "devicelink/folder_link.h"
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

// The dialogs start in the folder the buffer names ("\" alone when it names none), see the
// device only through the request's listing, and a bare name saved gets the type. Closing is
// refused while the installation's setting says so, whichever link object asks.
TEST(DeviceRoads, DialogsAndClosingGoThroughTheLinksOwnQuestions) {
  LinkEnv env;
  ScriptedPrompter prompter;
  fs::create_directories(JoinPath(env.DeviceGraphics(), "album.qdl"));
  WriteAll(JoinPath(env.DeviceGraphics(), "cat.qdl"), {2, 0, 8, 0, 0xAA, 0x55});
  WriteAll(JoinPath(env.DeviceGraphics(), "note.txt"), {'x'});
  LinkBuffer buf{};
  PutInLinkBuffer(buf, "B:\\graphics\\");
  prompter.device_answers.push_back("B:\\graphics\\cat.qdl");
  int n = Dov_PIMOpenFileDialog("qdl", buf.data(), kLinkBufferSize);
  EXPECT_EQ(LinkBufferKept(buf, n), "B:\\graphics\\cat.qdl");
  const DeviceFileDialogRequest& open = prompter.device_requests.at(0);
  EXPECT_TRUE(!open.save && open.fileType == "qdl");
  EXPECT_EQ(open.startFolder, "B:\\graphics\\");
  const auto listed = open.list("B:\\graphics\\").value_or(std::vector<DeviceEntry>{});
  std::string names;
  for (const DeviceEntry& e : listed)
    names += e.name + (e.folder ? "\\ " : ":" + std::to_string(e.size) + " ");
  EXPECT_EQ(names, "album.qdl\\ cat.qdl:6 note.txt:1 ");
  EXPECT_GT(listed.at(0).modified, 1600000000);
  EXPECT_EQ(open.list("B:\\graphics\\album.qdl\\")->size(), 0u);
  EXPECT_FALSE(open.list("B:\\none\\")) << "a folder the device does not have";

  PutInLinkBuffer(buf, "\\Untitled");
  prompter.device_answers.push_back("moon");
  n = Dov_PIMSaveFileDialog("qdl", buf.data(), kLinkBufferSize);
  EXPECT_EQ(LinkBufferKept(buf, n), "B:\\moon.qdl");
  EXPECT_EQ(prompter.device_requests[1].startFolder, "B:\\");
  EXPECT_EQ(prompter.device_requests[1].proposedName, "Untitled");

  EXPECT_EQ(Dov_DoDisconnect(), 0);

  prompter.disconnection_answers.push_back(true);
  Dov_SetupDisconnection();
  EXPECT_NE(Dov_DoDisconnect(), 0);
  ASSERT_EQ(prompter.MessageTexts(), std::vector<std::string>{kRefuseMessage});
  EXPECT_EQ(prompter.messages[0].title, kLinkTitle);

  ForgetDefaultDeviceLink();
  EXPECT_NE(Dov_DoDisconnect(), 0);

  prompter.disconnection_answers.push_back(std::nullopt);
  Dov_SetupDisconnection();
  EXPECT_NE(Dov_DoDisconnect(), 0) << "Cancel keeps the setting";

  prompter.disconnection_answers.push_back(false);
  Dov_SetupDisconnection();
  EXPECT_EQ(Dov_DoDisconnect(), 0);
}

// Buffers count characters: a path in any script fits while it has fewer than 200 of them,
// and bytes that are not UTF-8 come back out unchanged.
TEST(DeviceLinkBuffer, CountsCharactersAndKeepsEveryByte) {
  LinkEnv env;
  const std::string umlauts = QString(93, QChar(0xE4)).toStdString();
  // Rows: names below B:\graphics, buffer size, characters returned (0: does not fit).
  const std::tuple<const char*, std::vector<std::string>, std::int16_t, int> rows[] = {
      {"exact fit", {}, 12, 11},
      {"no room for the NUL", {}, 11, 0},
      {"199 characters in 292 bytes", {umlauts, std::string(93, 'a')}, kLinkBufferSize, 199},
      {"200 characters", {umlauts, std::string(94, 'a')}, kLinkBufferSize, 0},
      {"not UTF-8", {"ca\xE4t\xFF.qdl"}, kLinkBufferSize, 21},
      {"four-byte letter", {"\xF0\x9F\x90\x88.qdl"}, kLinkBufferSize, 17},
  };
  for (const auto& [name, names, size, fits] : rows) {
    SCOPED_TRACE(name);
    std::string cache = env.CacheGraphics(), device = "B:\\graphics";
    for (const std::string& part : names) {
      cache = JoinPath(cache, part);
      device += "\\" + part;
    }
    LinkBuffer buf{};
    const int n = Dov_ConvPathCacheToDovimar(buf.data(), size, cache);
    EXPECT_EQ(n, fits);
    if (n == 0) continue;
    EXPECT_EQ(LinkBufferKept(buf, n), device);
    EXPECT_EQ(LinkBufferText(buf), device);
  }
}

TEST(FolderDeviceLink, MapsOnlyTheCacheAndRejectsEscapes) {
  LinkEnv env;
  FolderDeviceLink link(env.install_dir());
  const std::string root = link.CacheRoot();
  const std::tuple<const char*, std::string, std::optional<std::string>> rows[] = {
      {"cache root", root, "B:"},
      {"root with separator", root + "/", "B:"},
      {"file", JoinPath(env.CacheGraphics(), "a.qdl"), "B:\\graphics\\a.qdl"},
      {"dotted path inside", root + "/graphics/../graphics/./b.qdl", "B:\\graphics\\b.qdl"},
      {"escaping upwards", root + "/../accessor2/a.qdl", std::nullopt},
      {"sibling with the same prefix", root + "-old/a.qdl", std::nullopt},
      {"device storage", JoinPath(env.DeviceGraphics(), "a.qdl"), std::nullopt},
      {"empty", "", std::nullopt},
#ifdef _WIN32
      // The same folders on another drive are not the cache.
      {"other drive", (root[0] == 'Z' ? "Y" : "Z") + root.substr(1), std::nullopt},
      {"drive in the other case", static_cast<char>(std::tolower(root[0])) + root.substr(1), "B:"},
#endif
  };
  for (const auto& [name, cache_path, device] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(link.CacheToDevice(cache_path), device);
    EXPECT_EQ(link.IsOnPcFile(cache_path), !device.has_value());
  }
  for (const char* bad : {"C:\\graphics\\a.qdl", "B:\\..\\a.qdl", "graphics\\a.qdl", ""}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(link.DeviceToCache(bad), std::nullopt);
    EXPECT_EQ(link.StoragePath(bad), std::nullopt);
  }
  EXPECT_EQ(link.DeviceToCache("b:/graphics//a.qdl"), JoinPath(env.CacheGraphics(), "a.qdl"))
      << "drive in either case, either separator, doubled separators";
}

// Mapping copies the device's file into the cache only over a missing copy, or an older one
// still holding what was last transferred. The device holds `first` before each row's steps.
TEST(FolderDeviceLink, MappingNeverOverwritesACopyChangedOnThePc) {
  const Bytes first = {1, 0, 1, 0, 7}, second = {1, 0, 1, 0, 8}, edit = {9};
  const std::string path = "B:\\graphics\\cat.qdl";
  const std::pair<const char*, const Bytes&> rows[] = {
      {"", first},
      {"cache edited; device newer", first},
      {"cache edited; cache newer", edit},
      {"transferred; device second; device newer", second},
      {"put; device second; device newer", second},
      {"transferred; cache edited; device second; device newer", edit},
  };
  for (const auto& [steps, cached] : rows) {
    SCOPED_TRACE(steps);
    LinkEnv env;
    FolderDeviceLink link(env.install_dir());
    const std::string device = JoinPath(env.DeviceGraphics(), "cat.qdl");
    const std::string cache = JoinPath(env.CacheGraphics(), "cat.qdl");
    WriteAll(device, first);
    const auto step = [&](const char* name) { return std::strstr(steps, name) != nullptr; };
    if (step("transferred")) link.DeviceToCache(path);
    if (step("put")) {
      WriteAll(cache + ".new", first);
      ASSERT_EQ(link.PutFile(path, cache + ".new", 0), 0);
    }
    if (step("cache edited")) WriteAll(cache, edit);
    if (step("device second")) WriteAll(device, second);
    const auto later = fs::file_time_type::clock::now() + std::chrono::seconds(10);
    if (step("device newer")) fs::last_write_time(device, later);
    if (step("cache newer")) fs::last_write_time(cache, later);
    EXPECT_EQ(link.DeviceToCache(path), cache);
    EXPECT_EQ(ReadAll(cache), cached);
  }
}

// Links planted in the storage or the cache lead nowhere outside them; one within the storage
// still works. PutFile refuses what it cannot do and makes the folders it needs.
TEST(FolderDeviceLink, StoragePathsStayInsideTheInstallation) {
  LinkEnv env;
  FolderDeviceLink link(env.install_dir());
  const std::string local = env.File("local.qdl");
  WriteAll(local, {1, 0, 1, 0, 1});
  EXPECT_NE(link.PutFile("B:\\", local, 0), 0);
  EXPECT_NE(link.PutFile("B:\\graphics\\x.qdl", env.dir().File(""), 0), 0) << "a folder";
  EXPECT_EQ(link.PutFile("B:\\new\\deep\\x.qdl", local, 0), 0);
  EXPECT_EQ(ReadAll(JoinPath(link.StorageRoot(), "new/deep/x.qdl")), ReadAll(local));

  fs::create_directory(env.File("outside"));
  WriteAll(env.File("outside/secret.qdl"), {5, 5});
  WriteAll(JoinPath(env.DeviceGraphics(), "real.qdl"), {2, 0, 1, 0, 3});
  fs::create_symlink(env.File("outside/secret.qdl"), JoinPath(env.DeviceGraphics(), "leak.qdl"));
  fs::create_symlink("real.qdl", JoinPath(env.DeviceGraphics(), "alias.qdl"));
  fs::create_directory_symlink(env.File("outside"), JoinPath(link.StorageRoot(), "linked"));
  fs::create_directory_symlink(env.File("outside"), JoinPath(link.CacheRoot(), "linked"));

  for (const char* escape : {"B:\\graphics\\leak.qdl", "B:\\linked\\secret.qdl", "B:\\linked\\"}) {
    SCOPED_TRACE(escape);
    EXPECT_EQ(link.StoragePath(escape), std::nullopt);
    EXPECT_EQ(link.Entries(escape), std::nullopt);
    EXPECT_FALSE(link.GetFile(escape, env.File("copied.qdl")));
    EXPECT_NE(link.PutFile(escape, local, 0), 0);
  }
  EXPECT_EQ(link.DeviceToCache("B:\\linked\\secret.qdl"), std::nullopt);
  EXPECT_FALSE(fs::exists(env.File("copied.qdl")));
  EXPECT_EQ(ReadAll(env.File("outside/secret.qdl")), (Bytes{5, 5}));
  EXPECT_EQ(std::distance(fs::directory_iterator(env.File("outside")), {}), 1);

  EXPECT_TRUE(link.GetFile("B:\\graphics\\alias.qdl", env.File("alias.qdl")));
  EXPECT_EQ(ReadAll(env.File("alias.qdl")), (Bytes{2, 0, 1, 0, 3}));

  testing::AsUnprivilegedUser nobody(env.install_dir());
  ::chmod(env.DeviceGraphics().c_str(), 0500);
  EXPECT_EQ(link.PutFile("B:\\graphics\\x.qdl", local, 0), FolderDeviceLink::kCannotWrite)
      << "a read-only device folder";
  EXPECT_FALSE(fs::exists(JoinPath(env.DeviceGraphics(), "x.qdl")));
}

}  // namespace
}  // namespace dotcaster
