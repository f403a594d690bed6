// The link calls over folders, along the four roads the window takes: open on the device,
// save to the current device file, save as on the device, and closing.

#include "devicelink/link.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>

#include "devicelink/folder_link.h"
#include "devicelink/save_pipeline.h"
#include "link_env.h"
#include "scripted_prompter.h"
#include "state/app_state.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;
using testing::LinkEnv;
using testing::ReadAll;
using testing::ScriptedPrompter;
using testing::WriteAll;

using Buffer = std::array<char, kLinkBufferSize>;

std::string Kept(const Buffer& buffer, int n) {
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

class DeviceRoads : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(env.DeviceGraphics());
    WriteAll(JoinPath(env.DeviceGraphics(), "cat.qdl"), {2, 0, 8, 0, 0xAA, 0x55});
    WriteAll(JoinPath(env.DeviceGraphics(), "DOG.QDL"), {1, 0, 1, 0, 1});
    WriteAll(JoinPath(env.DeviceGraphics(), "note.txt"), {'x'});
    fs::create_directories(JoinPath(env.DeviceGraphics(), "album.qdl"));
    state.UserDataDir = DefaultUserDataDir(env.install_dir());
    BuildWorkFilePaths(state);
    state.CacheDir = env.CacheGraphics();
    WriteAll(state.WorkDspFile, testing::MakeBitmap(102, 64, 3));
  }

  // The window's device save: map, flag, run the pipeline.
  void SaveToDevice(const std::string& device_path, const std::string& cache_path) {
    state.DevicePath = device_path;
    state.Modified = true;
    state.UploadAfterSave = true;
    SaveResultFile(state, cache_path);
    state.FileOnPC = 0;
  }

  LinkEnv env;
  ScriptedPrompter prompter;
  AppState state;
  Buffer buf{};
};

TEST_F(DeviceRoads, OpenOnTheDevice) {
  // A stale cache copy must give way to the device's own file.
  WriteAll(JoinPath(env.CacheGraphics(), "cat.qdl"), {9, 9, 9});

  int n = Dov_ConvPathCacheToDovimar(buf.data(), kLinkBufferSize, state.CacheDir);
  ASSERT_EQ(Kept(buf, n), "B:\\graphics");
  PutInLinkBuffer(buf, Kept(buf, n) + "\\");

  prompter.device_answers.push_back("B:\\graphics\\cat.qdl");
  n = Dov_PIMOpenFileDialog("qdl", buf.data(), kLinkBufferSize);
  ASSERT_EQ(prompter.device_requests.size(), 1u);
  const DeviceFileDialogRequest& asked = prompter.device_requests[0];
  EXPECT_FALSE(asked.save);
  EXPECT_EQ(asked.fileType, "qdl");
  EXPECT_EQ(asked.startFolder, "B:\\graphics\\");
  EXPECT_EQ(asked.entries,
            (std::vector<std::string>{"B:\\graphics\\DOG.QDL", "B:\\graphics\\cat.qdl"}))
      << "pictures only, no text files or folders";
  const std::string device_path = Kept(buf, n);
  ASSERT_EQ(device_path, "B:\\graphics\\cat.qdl");

  n = Dov_ConvPathDovimarToCache(buf.data(), kLinkBufferSize, device_path);
  const std::string cache_path = Kept(buf, n);
  EXPECT_EQ(cache_path, JoinPath(env.CacheGraphics(), "cat.qdl"));
  EXPECT_EQ(ReadAll(cache_path), (std::vector<std::uint8_t>{2, 0, 8, 0, 0xAA, 0x55}));
  EXPECT_EQ(Dov_IsOnPcFile(cache_path), 0);
}

TEST_F(DeviceRoads, CancelledOrUnmappedOpen) {
  // A cache folder outside the cache maps to nothing; the dialog then starts from "\".
  int n = Dov_ConvPathCacheToDovimar(buf.data(), kLinkBufferSize, env.File("elsewhere"));
  EXPECT_EQ(n, 0);
  PutInLinkBuffer(buf, Kept(buf, n) + "\\");
  prompter.device_answers.push_back(std::nullopt);
  EXPECT_EQ(Dov_PIMOpenFileDialog("qdl", buf.data(), kLinkBufferSize), 0);
  ASSERT_EQ(prompter.device_requests.size(), 1u);
  EXPECT_EQ(prompter.device_requests[0].startFolder, "B:\\");
}

TEST_F(DeviceRoads, SaveToTheCurrentDeviceFile) {
  const std::string cache_path = JoinPath(env.CacheGraphics(), "cat.qdl");
  int n = Dov_ConvPathCacheToDovimar(buf.data(), kLinkBufferSize, cache_path);
  ASSERT_EQ(Kept(buf, n), "B:\\graphics\\cat.qdl");

  SaveToDevice(Kept(buf, n), cache_path);
  EXPECT_TRUE(prompter.messages.empty());
  const auto expected = *ConvertQdlBmp(ReadAll(state.WorkDspFile));
  EXPECT_EQ(ReadAll(JoinPath(env.DeviceGraphics(), "cat.qdl")), expected);
  EXPECT_EQ(ReadAll(cache_path), expected) << "the cache copy follows the device";
  EXPECT_EQ(state.CurFileName, cache_path);
  EXPECT_FALSE(state.Modified);
  EXPECT_TRUE(fs::is_empty(env.tmp_dir())) << "no temporary file left";
}

TEST_F(DeviceRoads, SaveAsOnTheDevice) {
  int n = Dov_ConvPathCacheToDovimar(buf.data(), kLinkBufferSize, state.CacheDir);
  PutInLinkBuffer(buf, Kept(buf, n) + "\\" + "Untitled");
  prompter.device_answers.push_back("B:\\graphics\\moon");
  n = Dov_PIMSaveFileDialog("qdl", buf.data(), kLinkBufferSize);
  ASSERT_EQ(prompter.device_requests.size(), 1u);
  EXPECT_TRUE(prompter.device_requests[0].save);
  EXPECT_EQ(prompter.device_requests[0].startFolder, "B:\\graphics\\");
  EXPECT_EQ(prompter.device_requests[0].proposedName, "Untitled");
  const std::string device_path = Kept(buf, n);
  ASSERT_EQ(device_path, "B:\\graphics\\moon.qdl") << "the file type is added to a bare name";

  n = Dov_ConvPathDovimarToCache(buf.data(), kLinkBufferSize, device_path);
  const std::string cache_path = Kept(buf, n);
  EXPECT_EQ(cache_path, JoinPath(env.CacheGraphics(), "moon.qdl"));
  EXPECT_FALSE(fs::exists(cache_path)) << "a new device file has no cache copy yet";

  SaveToDevice(device_path, cache_path);
  EXPECT_TRUE(fs::exists(JoinPath(env.DeviceGraphics(), "moon.qdl")));
  EXPECT_TRUE(fs::exists(cache_path));
  EXPECT_EQ(state.CurFileName, cache_path);
}

TEST_F(DeviceRoads, ClosingWithAndWithoutRefusal) {
  EXPECT_EQ(Dov_DoDisconnect(), 0);

  prompter.disconnection_answers.push_back(true);
  Dov_SetupDisconnection();
  EXPECT_NE(Dov_DoDisconnect(), 0);

  // The setting belongs to the installation, not to one link object.
  ForgetDefaultDeviceLink();
  EXPECT_NE(Dov_DoDisconnect(), 0);

  prompter.disconnection_answers.push_back(std::nullopt);
  Dov_SetupDisconnection();
  EXPECT_NE(Dov_DoDisconnect(), 0) << "Cancel keeps the setting";

  prompter.disconnection_answers.push_back(false);
  Dov_SetupDisconnection();
  EXPECT_EQ(Dov_DoDisconnect(), 0);
  EXPECT_EQ(prompter.disconnection_requests, 3);
}

TEST(DeviceLinkBuffer, ResultsThatDoNotFitCountAsNone) {
  LinkEnv env;
  const std::string deep = JoinPath(env.CacheGraphics(), std::string(kLinkBufferSize, 'x'));
  std::array<char, kLinkBufferSize> buf{};
  EXPECT_EQ(Dov_ConvPathCacheToDovimar(buf.data(), kLinkBufferSize, deep), 0);
  EXPECT_EQ(Dov_ConvPathCacheToDovimar(buf.data(), 5, env.CacheGraphics()), 0);
  EXPECT_EQ(Dov_ConvPathCacheToDovimar(buf.data(), 12, env.CacheGraphics()), 11)
      << "B:\\graphics and its NUL fit exactly";
}

TEST(FolderDeviceLink, MapsOnlyTheCacheAndRejectsEscapes) {
  LinkEnv env;
  FolderDeviceLink link(env.install_dir());
  struct Row {
    const char* name;
    std::string cache_path;
    std::optional<std::string> device;
  };
  const std::string root = link.CacheRoot();
  const Row rows[] = {
      {"cache root", root, "B:"},
      {"root with separator", root + "/", "B:"},
      {"file", JoinPath(env.CacheGraphics(), "a.qdl"), "B:\\graphics\\a.qdl"},
      {"dotted path inside", root + "/graphics/../graphics/./b.qdl", "B:\\graphics\\b.qdl"},
      {"escaping upwards", root + "/../accessor2/a.qdl", std::nullopt},
      {"sibling with the same prefix", root + "-old/a.qdl", std::nullopt},
      {"device storage", JoinPath(env.DeviceGraphics(), "a.qdl"), std::nullopt},
      {"empty", "", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(link.CacheToDevice(row.cache_path), row.device);
    EXPECT_EQ(link.IsOnPcFile(row.cache_path), !row.device.has_value());
  }
  for (const char* bad : {"C:\\graphics\\a.qdl", "B:\\..\\a.qdl", "graphics\\a.qdl", ""}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(link.DeviceToCache(bad), std::nullopt);
    EXPECT_EQ(link.StoragePath(bad), std::nullopt);
  }
  EXPECT_EQ(link.DeviceToCache("b:/graphics//a.qdl"), JoinPath(env.CacheGraphics(), "a.qdl"))
      << "drive in either case, either separator, doubled separators";
}

TEST(FolderDeviceLink, PutFileRefusesWhatItCannotDo) {
  LinkEnv env;
  FolderDeviceLink link(env.install_dir());
  const std::string local = env.File("pic.qdl");
  WriteAll(local, {1, 0, 1, 0, 1});
  EXPECT_NE(link.PutFile("B:\\graphics\\x.qdl", env.File("missing.qdl"), 0), 0);
  EXPECT_NE(link.PutFile("C:\\graphics\\x.qdl", local, 0), 0);
  EXPECT_NE(link.PutFile("B:\\..\\x.qdl", local, 0), 0);
  EXPECT_NE(link.PutFile("B:\\", local, 0), 0);
  EXPECT_NE(link.PutFile("B:\\graphics\\x.qdl", env.dir().File(""), 0), 0) << "a folder";
  EXPECT_EQ(link.PutFile("B:\\new\\deep\\x.qdl", local, 0), 0) << "folders are made";
  EXPECT_EQ(ReadAll(JoinPath(link.StorageRoot(), "new/deep/x.qdl")), ReadAll(local));

  if (geteuid() != 0) {
    ::chmod(env.DeviceGraphics().c_str(), 0500);
    EXPECT_NE(link.PutFile("B:\\graphics\\x.qdl", local, 0), 0);
    EXPECT_FALSE(fs::exists(JoinPath(env.DeviceGraphics(), "x.qdl")));
    ::chmod(env.DeviceGraphics().c_str(), 0700);
  }
}

TEST(FolderDeviceLink, WithoutAnInstallationNothingMapsAndNothingIsCopied) {
  LinkEnv env(false);
  ScriptedPrompter prompter;
  const std::string local = env.File("pic.qdl");
  WriteAll(local, {1, 0, 1, 0, 1});
  std::array<char, kLinkBufferSize> buf{};
  EXPECT_EQ(Dov_ConvPathCacheToDovimar(buf.data(), kLinkBufferSize, env.File("x")), 0);
  EXPECT_EQ(Dov_ConvPathDovimarToCache(buf.data(), kLinkBufferSize, "B:\\graphics\\a.qdl"), 0);
  EXPECT_NE(Dov_PutFile("B:\\graphics\\a.qdl", local, 0), 0);
  EXPECT_NE(Dov_IsOnPcFile(local), 0);
  EXPECT_EQ(Dov_DoDisconnect(), 0);
}

}  // namespace
}  // namespace dotcaster
