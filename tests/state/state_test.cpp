#include <gtest/gtest.h>

#include "scripted_prompter.h"
#include "state/app_state.h"
#include "state/paths.h"

namespace dotcaster {
namespace {

TEST(AppState, ResetPictureKeepsSourceDescriptionAndFolders) {
  AppState state;
  state.SrcIsQdl = state.SrcIsMono = state.SizeDlgOK = true;
  state.SrcExt = ".QDL";
  state.UserDataDir = "/u";
  state.CacheDir = "/c";
  state.ImageLoaded = state.Modified = state.HasName = state.CropActive = true;
  state.ResultEdited = true;
  state.CurFileName = "/u/cat.qdl";
  state.FileOnPC = 0;
  state.ScaleX = 2.5;
  state.ScaleY = 0.25;
  state.OutWidth = 320;
  state.ZoomMode = false;
  ResetPictureState(state);

  EXPECT_TRUE(state.ZoomMode && state.JustZoom);
  EXPECT_FALSE(state.ImageLoaded || state.ResultEdited || state.Modified || state.HasName ||
               state.CropActive);
  EXPECT_EQ(state.SizeMode, kSizeCustom);
  EXPECT_EQ(state.OutWidth, 102);
  EXPECT_EQ(state.OutHeight, 64);
  EXPECT_EQ(state.FileOnPC, 1);
  EXPECT_TRUE(state.CurFileName.empty());
  EXPECT_EQ(state.ScaleX, 1.0);
  EXPECT_EQ(state.ScaleY, 1.0);

  EXPECT_TRUE(state.SrcIsQdl && state.SrcIsMono && state.SizeDlgOK);
  EXPECT_EQ(state.SrcExt, ".QDL");
  EXPECT_EQ(state.UserDataDir, "/u");
  EXPECT_EQ(state.CacheDir, "/c");
}

TEST(AppState, WorkFilesLiveInTheUserDataFolder) {
  AppState state;
  state.UserDataDir = JoinPath("data", "qdl");
  BuildWorkFilePaths(state);
  EXPECT_EQ(state.WorkBmpFile, JoinPath(state.UserDataDir, "$$QDLBMP.$$$"));
  EXPECT_EQ(state.WorkDspFile, JoinPath(state.UserDataDir, "$$QDLDSP.$$$"));
  EXPECT_EQ(state.WorkClpFile, JoinPath(state.UserDataDir, "$$QDLCLP.BMP"));
  // A folder that already ends in a separator gets no second one.
  state.UserDataDir += kSeparator;
  BuildWorkFilePaths(state);
  EXPECT_EQ(state.WorkBmpFile, JoinPath("data", "qdl") + kSeparator + "$$QDLBMP.$$$");
}

TEST(Prompter, ScriptedAnswersAreUsedInOrderAndRestored) {
  Prompter* before = &ThePrompter();
  {
    testing::ScriptedPrompter script;
    script.message_answers = {MsgAnswer::No};
    EXPECT_EQ(&ThePrompter(), &script);
    EXPECT_EQ(ThePrompter().Message("Q?", kAppTitle, MsgIcon::Exclamation, MsgButtons::YesNoCancel),
              MsgAnswer::No);
    ShowError("Read error!");
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_EQ(script.messages[1].text, "Read error!");
    EXPECT_EQ(script.messages[1].title, "Dotcaster");
    EXPECT_EQ(script.unscripted, 0);
    EXPECT_FALSE(ThePrompter().OpenFileName({}).has_value());
    EXPECT_EQ(script.unscripted, 1);
  }
  EXPECT_EQ(&ThePrompter(), before);
}

}  // namespace
}  // namespace dotcaster
