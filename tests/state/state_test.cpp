#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "state/app_state.h"
#include "state/paths.h"

namespace dotcaster {
namespace {

TEST(AppState, ResetPictureKeepsSourceDescriptionAndFolders) {
  AppState state;
  state.SrcIsQdl = state.SrcIsMono = state.SizeDlgOK = true;
  state.SrcExt = ".QDL";
  state.UserDataDir = "/home/me/qdl";
  state.CacheDir = "/home/me/cache";
  state.ImageLoaded = state.Modified = state.HasName = state.CropActive = state.ResultEdited = true;
  state.CurFileName = "/home/me/qdl/cat.qdl";
  state.FileOnPC = 0;
  state.ScaleX = 2.5;
  state.ScaleY = 0.25;
  state.OutWidth = 320;
  state.ZoomMode = false;
  ResetPictureState(state);

  EXPECT_TRUE(state.ZoomMode && state.JustZoom);
  EXPECT_FALSE(state.ImageLoaded || state.ResultEdited || state.Modified || state.HasName ||
               state.CropActive);
  EXPECT_EQ(std::tie(state.SizeMode, state.OutWidth, state.OutHeight, state.FileOnPC),
            std::tuple(kSizeCustom, 102, 64, 1));
  EXPECT_EQ(std::tie(state.CurFileName, state.ScaleX, state.ScaleY), std::tuple("", 1.0, 1.0));
  // The source's description and the folders stay.
  EXPECT_TRUE(state.SrcIsQdl && state.SrcIsMono && state.SizeDlgOK);
  EXPECT_EQ(std::tie(state.SrcExt, state.UserDataDir, state.CacheDir),
            std::tuple(".QDL", "/home/me/qdl", "/home/me/cache"));
}

TEST(AppState, WorkFilesLiveInTheUserDataFolder) {
  const std::pair<const char*, const char*> folder_and_work_bmp[] = {
#ifdef _WIN32
      {"C:\\Dovimar\\userdata\\qdl", "C:\\Dovimar\\userdata\\qdl\\$$QDLBMP.$$$"},
      {"C:\\", "C:\\$$QDLBMP.$$$"},
      {"D:/pics/", "D:/pics/$$QDLBMP.$$$"},  // either separator ends a folder
      {"\\\\server\\share", "\\\\server\\share\\$$QDLBMP.$$$"},
#else
      {"/home/me/qdl", "/home/me/qdl/$$QDLBMP.$$$"},
      {"odd\\", "odd\\/$$QDLBMP.$$$"},  // "\\" is a character of a name here
#endif
  };
  for (const auto& [folder, work_bmp] : folder_and_work_bmp) {
    AppState state;
    state.UserDataDir = folder;
    BuildWorkFilePaths(state);
    EXPECT_EQ(state.WorkBmpFile, work_bmp);
  }
}

TEST(Paths, TextToFileNamesAndBack) {
  const std::string name = "caf\xC3\xA9 \xE2\x80\x93 \xE5\x86\x99 \xF0\x9F\x93\xB7.qdl";
  EXPECT_EQ(ToFsPath(name), std::filesystem::path(u8"caf\u00e9 \u2013 \u5199 \U0001F4F7.qdl"));
  EXPECT_EQ(FromFsPath(ToFsPath(name)), name);
}

}  // namespace
}  // namespace dotcaster
