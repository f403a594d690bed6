#include "state/app_state.h"

#include "state/paths.h"

namespace dotcaster {

AppState& TheState() {
  static AppState state;
  return state;
}

void ResetPictureState(AppState& state) {
  state.ZoomMode = true;
  state.JustZoom = true;
  state.ImageLoaded = false;
  state.ResultEdited = false;
  state.SizeMode = kSizeCustom;
  state.OutWidth = kDeviceWidth;
  state.OutHeight = kDeviceHeight;
  state.FileOnPC = 1;
  state.Modified = false;
  state.HasName = false;
  state.CurFileName.clear();
  state.CropActive = false;
  state.ScaleX = 1.0;
  state.ScaleY = 1.0;
}

void BuildWorkFilePaths(AppState& state) {
  state.WorkBmpFile = JoinPath(state.UserDataDir, kWorkBmpName);
  state.WorkDspFile = JoinPath(state.UserDataDir, kWorkDspName);
  state.WorkClpFile = JoinPath(state.UserDataDir, kWorkClpName);
}

}  // namespace dotcaster
