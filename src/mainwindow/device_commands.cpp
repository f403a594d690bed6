// The device file commands of MainController: open and save on the Vantro through the link
// calls, the link's disconnection settings and its permission to close.
//
// Every call takes a fresh buffer of kLinkBufferSize characters and the command keeps the
// first N characters the call reports. Cancel in a device dialog (N = 0) ends a command
// with nothing changed.

#include "devicelink/install.h"
#include "devicelink/link.h"
#include "devicelink/save_pipeline.h"
#include "formats/probe.h"
#include "mainwindow/main_controller.h"
#include "state/prompter.h"

namespace dotcaster {
namespace {

constexpr const char* kDeviceFileType = "qdl";
constexpr const char* kUntitled = "Untitled";
constexpr const char* kCloseAnywayQuestion =
    "Dotcaster could not disconnect from the Vantro.\r\nClose Dotcaster anyway?";

// The device folder of a cache folder followed by "\" (only "\" when it has none), the
// place where the device dialogs start.
std::string DeviceFolderOf(const std::string& cache_folder) {
  LinkBuffer buffer{};
  const int n = Dov_ConvPathCacheToDovimar(buffer.data(), kLinkBufferSize, cache_folder);
  return LinkBufferKept(buffer, n) + "\\";
}

// The cache path of a device path, or empty text when the link has none.
std::string CachePathOf(const std::string& device_path) {
  LinkBuffer buffer{};
  const int n = Dov_ConvPathDovimarToCache(buffer.data(), kLinkBufferSize, device_path);
  return LinkBufferKept(buffer, n);
}

// Runs the save pipeline with the upload to state.DevicePath. Even an unchanged picture is
// written and transferred again. Afterwards the picture is the device file's cache copy;
// after "Write error!" (false) everything but DevicePath is as it was.
bool SaveWithUpload(AppState& state, const std::string& target) {
  const bool was_modified = state.Modified;
  state.Modified = true;
  state.UploadAfterSave = true;
  const bool saved = SaveResultFile(state, target);
  // A write that failed before the upload leaves the flag set; it must not outlive this
  // save, or the save prompt would upload.
  state.UploadAfterSave = false;
  if (!saved) {
    state.Modified = was_modified;
    return false;
  }
  state.CurFileName = target;
  state.FileOnPC = 0;
  state.HasName = true;
  return true;
}

}  // namespace

void MainController::OpenOnDevice() {
  if (!ConfirmSaveChanges()) return;
  LinkBuffer buffer{};
  PutInLinkBuffer(buffer, DeviceFolderOf(state_.CacheDir));
  const int n = Dov_PIMOpenFileDialog(kDeviceFileType, buffer.data(), kLinkBufferSize);
  if (n == 0) return;
  state_.DevicePath = LinkBufferKept(buffer, n);
  const std::string cache_path = CachePathOf(state_.DevicePath);
  if (cache_path.empty()) return;
  if (!IsImageFileName(cache_path, kAppTitle)) return;

  ResetPicture();
  state_.CurFileName = cache_path;
  state_.CacheDir = FolderPart(cache_path);
  state_.FileOnPC = 0;
  // A failed load resets the window, which makes the (empty) picture a PC one again.
  if (!LoadSourcePicture()) ResetPicture();
  UpdateConvControls();
  UpdateWindowState();
}

void MainController::SaveToDevice() {
  if (!state_.HasName || state_.FileOnPC == 1) {
    SaveToDeviceAs();
    return;
  }
  if (!state_.ImageLoaded) return;
  const std::string target = state_.CurFileName;
  LinkBuffer buffer{};
  const int n = Dov_ConvPathCacheToDovimar(buffer.data(), kLinkBufferSize, target);
  if (n == 0) return;
  state_.DevicePath = LinkBufferKept(buffer, n);
  if (SaveWithUpload(state_, target)) UpdateWindowState();
}

void MainController::SaveToDeviceAs() {
  if (!state_.ImageLoaded) return;
  const std::string proposed = state_.HasName ? ProposedSaveName(state_.CurFileName) : kUntitled;
  LinkBuffer buffer{};
  PutInLinkBuffer(buffer, DeviceFolderOf(state_.CacheDir) + proposed);
  const int n = Dov_PIMSaveFileDialog(kDeviceFileType, buffer.data(), kLinkBufferSize);
  if (n == 0) return;
  state_.DevicePath = LinkBufferKept(buffer, n);
  const std::string target = CachePathOf(state_.DevicePath);
  if (target.empty()) return;
  if (SaveWithUpload(state_, target)) UpdateWindowState();
}

void MainController::SetupDisconnection() {
  Dov_SetupDisconnection();
}

bool MainController::LinkLetsWindowClose() {
  if (Dov_DoDisconnect() == 0) return true;
  return ThePrompter().Message(kCloseAnywayQuestion, kAppTitle, MsgIcon::Question,
                               MsgButtons::YesNo) == MsgAnswer::Yes;
}

}  // namespace dotcaster
