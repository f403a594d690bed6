#include "mainwindow/main_controller.h"

#include <QApplication>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "convert/geometry.h"
#include "devicelink/install.h"
#include "devicelink/save_pipeline.h"
#include "devicelink/settings.h"
#include "dialogs/about_dialog.h"
#include "dialogs/convert_size_dialog.h"
#include "formats/file_io.h"
#include "formats/probe.h"
#include "formats/quadrel.h"
#include "mainwindow/editor_round_trip.h"
#include "mainwindow/main_window.h"
#include "mainwindow/picture_session.h"
#include "mainwindow/placement.h"
#include "mainwindow/window_activation.h"
#include "state/paths.h"
#include "state/prompter.h"

namespace dotcaster {
namespace {

constexpr const char* kConvertError = "Error!";
constexpr const char* kSaveChangesQuestion = "Do you want to save change?";
constexpr const char* kEditedQuestion =
    "Converted image is being edited.\r\nDo you want to update graphical image after edited?";
constexpr int kResetLevel = 128;

FileDialogRequest OpenRequest(const AppState& state) {
  FileDialogRequest request;
  request.title = "Open on PC";
  request.startFolder = state.UserDataDir;
  request.filters = {
      {"Graphic Files", "*.qdl;*.bmp;*.jpg;*.jpeg;*.jpe;*.jfif;*.gif"},
      {"Quadrel Files(*.qdl)", "*.qdl"},
      {"Bitmap Files(*.bmp)", "*.bmp"},
      {"JPEG Files(*.jpg,*.jpe,*.jpeg,*.jfif)", "*.jpg;*.jpe;*.jpeg;*.jfif"},
      {"GIF Files(*.gif)", "*.gif"},
  };
  request.filterIndex = 1;
  request.mustExist = true;
  return request;
}

FileDialogRequest SaveRequest(const AppState& state) {
  FileDialogRequest request;
  request.title = "Save to PC";
  request.startFolder = state.UserDataDir;
  request.fileName = ProposedSaveName(state.CurFileName);
  request.filters = {{"Quadrel(*.qdl)", "*.qdl"}, {"Bitmap(*.bmp)", "*.bmp"}};
  request.filterIndex = 1;
  request.confirmOverwrite = true;
  return request;
}

// The PC save dialog; on a choice, the PC dialogs move to the chosen folder.
std::optional<std::string> AskSaveTarget(AppState& state) {
  std::optional<std::string> target = ThePrompter().SaveFileName(SaveRequest(state));
  if (target) state.UserDataDir = FolderPart(*target);
  return target;
}

}  // namespace

// Marks a command as running for as long as it lives (see InCommand).
class CommandScope {
 public:
  explicit CommandScope(MainController& controller) : controller_(controller) {
    ++controller_.command_depth_;
  }
  ~CommandScope() { --controller_.command_depth_; }
  CommandScope(const CommandScope&) = delete;
  CommandScope& operator=(const CommandScope&) = delete;

 private:
  MainController& controller_;
};

std::string ProposedSaveName(std::string_view path) {
  std::string name = FileNamePart(path);
  name.resize(name.size() > 4 ? name.size() - 4 : 0);
  return name;
}

std::string SizeCaption(std::string_view what, int width, int height) {
  return std::string(what) + " (" + std::to_string(width) + " x " + std::to_string(height) + ")";
}

std::string WindowTitle(const AppState& state) {
  std::string title = kAppTitle;
  if (!state.ImageLoaded) return title;
  if (!state.HasName) return title + " - Untitled";
  return title + (state.FileOnPC == 1 ? " - PC:" : " - Vantro:") + FileNamePart(state.CurFileName);
}

MainController::MainController(QDLmain& window, AppState& state)
    : window_(window), state_(state), picture_(std::make_unique<PictureSession>()) {}

MainController::~MainController() = default;

bool MainController::Startup(const QStringList& args) {
  window_.SetTitle(kAppTitle);
  // Its final size first, so that a first run centres the window as it will be shown.
  window_.adjustSize();
  RestoreWindowPlacement(window_, kSettingsSection);
  state_.QuitAtStart = false;
  state_.UploadAfterSave = false;
  state_.HelpDialog = window_.help();

  const std::optional<std::string> install = GetInstallDir();
  if (!install) return false;
  state_.InstallDir = *install;
  state_.UserDataDir = DefaultUserDataDir(state_.InstallDir);
  state_.CacheDir = DefaultCacheDir(state_.InstallDir);
  bool show_message = true;
  CheckUserDataDir(state_.InstallDir, state_.UserDataDir, show_message);

  // Leftovers of a run that did not end cleanly. A file another program holds open stays;
  // every later write replaces it whole, so nothing depends on the deletion.
  BuildWorkFilePaths(state_);
  for (const std::string* work : {&state_.WorkBmpFile, &state_.WorkDspFile, &state_.WorkClpFile}) {
    DeleteWorkFile(*work);
  }

  state_.Modified = false;
  state_.ImageLoaded = false;
  state_.ResultEdited = false;
  state_.CurFileName.clear();
  ResetPicture();

  state_.CurFileName = args.join(' ').toStdString();
  if (!state_.CurFileName.empty()) {
    ClassifyCommandFile(state_.CurFileName, state_.CacheDir, state_.FileOnPC);
    if (!IsImageFileName(state_.CurFileName, kAppTitle)) {
      state_.CurFileName.clear();
    } else {
      window_.show();
      if (!LoadSourcePicture()) ResetPicture();
    }
  }
  UpdateConvControls();
  UpdateWindowState();
  window_.show();
  return true;
}

bool MainController::Shutdown(CloseReason reason) {
  if (state_.QuitAtStart) return true;
  if (reason == CloseReason::kUser) {
    if (!ConfirmSaveChanges() || !LinkLetsWindowClose()) return false;
  } else if (reason == CloseReason::kSessionEnd) {
    ConfirmSaveChanges();
  }
  SaveWindowPlacement(window_, kSettingsSection);
  DeleteWorkFile(state_.WorkDspFile);
  DeleteWorkFile(state_.WorkBmpFile);
  return true;
}

void MainController::DeleteWorkFile(const std::string& path) {
  if (path.empty() || PathExists(path, 0).empty()) return;
  std::error_code ec;
  std::filesystem::remove(ToFsPath(path), ec);
}

void MainController::ResetPicture() {
  ResetPictureState(state_);
  // Moving the slider and the list raises their handlers; with no picture loaded they
  // convert nothing, but they mark the picture modified, which is cleared again below.
  window_.SetSliderValue(kResetLevel);
  window_.SetLevelLabel(window_.SliderValue());
  window_.SetMethodIndex(0);
  window_.ClearPictures();
  picture_->Clear();
  window_.SetTitle(kAppTitle);
  window_.SetSourceCaption("Source image");
  window_.SetResultCaption("Vantro image");
  state_.Modified = false;
  window_.SetRubberVisible(false);
  window_.HideCropLabel();
  UpdateWindowState();
}

void MainController::UpdateWindowState() {
  window_.SetPictureCommandsEnabled(state_.ImageLoaded);
  window_.SetTitle(WindowTitle(state_));
  if (state_.ImageLoaded && state_.HasName) {
    SaveLastFileSetting(kSettingsSection, state_.CurFileName, state_.FileOnPC);
  }
}

void MainController::UpdateConvControls() {
  window_.SetConvControlsEnabled(state_.ImageLoaded && !state_.SrcIsQdl && !state_.SrcIsMono);
}

void MainController::ShowHelpTopics() {
  if (state_.HelpDialog) state_.HelpDialog->ShowTopics();
}

void MainController::ShowAbout() {
  ShowAboutDotcaster(&window_);
}

bool MainController::LoadSourcePicture() {
  auto fail = [] {
    ThePrompter().Message(kReadError, kAppTitle, MsgIcon::Exclamation, MsgButtons::Ok);
    return false;
  };
  ApplySourceExtension(state_.CurFileName, state_);
  state_.ImageLoaded = true;
  state_.ResultEdited = false;
  // The file is read once: the working copy, the probe and the decoder all take these bytes.
  auto file = ReadFileBytes(state_.CurFileName, picture_->limits());
  if (!file) return fail();

  if (!state_.SrcIsQdl) {
    if (WriteFileReplacing(state_.WorkBmpFile, *file)) return fail();
    if (state_.WorkClpFile != state_.CurFileName) DeleteWorkFile(state_.WorkClpFile);
    const auto size = ProbeImageBytes(*file, state_);
    const int max_side = picture_->limits().max_side;
    if (!size || size->width < 1 || size->height < 1 || size->width > max_side ||
        size->height > max_side) {
      return fail();
    }
    const convert::Size out = convert::FirstOutputSize(size->width, size->height, false);
    state_.OutWidth = static_cast<std::int16_t>(out.width);
    state_.OutHeight = static_cast<std::int16_t>(out.height);
    state_.SrcWidth = static_cast<std::int16_t>(size->width);
    state_.SrcHeight = static_cast<std::int16_t>(size->height);
    if (!picture_->Load(std::move(file).value())) return fail();
    window_.ShowSourcePicture(picture_->DisplayImage());
    window_.SetSourceCaption(SizeCaption("Source image", size->width, size->height));
    ConvertPicture(kAppTitle);
    state_.Modified = true;
    return true;
  }

  // A Quadrel file becomes the bitmap that is both the first result and the source copy.
  auto dots = QuadrelDots(*file);
  if (!dots) return fail();
  const Bytes bitmap = EncodeBmp(*dots);
  if (WriteFileReplacing(state_.WorkDspFile, bitmap)) return fail();
  if (WriteFileReplacing(state_.WorkBmpFile, bitmap)) return fail();
  const int w = dots->width(), h = dots->height();
  state_.SrcIsMono = true;
  state_.SrcWidth = static_cast<std::int16_t>(w);
  state_.SrcHeight = static_cast<std::int16_t>(h);
  const convert::Size out = convert::FirstOutputSize(w, h, true);
  state_.OutWidth = static_cast<std::int16_t>(out.width);
  state_.OutHeight = static_cast<std::int16_t>(out.height);
  picture_->Load(*dots);
  window_.ShowSourcePicture(picture_->DisplayImage());
  window_.SetSourceCaption(SizeCaption("Source image", w, h));
  if (w != state_.OutWidth || h != state_.OutHeight) {
    ConvertPicture(kAppTitle);
  } else {
    // The Quadrel picture is already a result of its own size: shown as it is.
    window_.ShowResultPicture(DotsToImage(*dots));
    window_.SetResultCaption(SizeCaption("Vantro image", w, h));
  }
  window_.BringResultToFront();
  state_.HasName = true;
  state_.Modified = false;
  return true;
}

void MainController::ConvertPicture(std::string_view title) {
  if (!state_.ImageLoaded) return;
  ++conversions_;
  if (state_.CropActive) window_.SetRubberVisible(false);
  window_.BringSourceToFront();

  const std::optional<convert::CropFrame> crop = ActiveCropFrame();
  window_.SetBusy(true);
  std::optional<QImage> result =
      picture_->Convert(state_, crop, window_.SliderValue(), window_.MethodIndex());
  window_.SetBusy(false);
  if (!result) {
    state_.ImageLoaded = false;
    ThePrompter().Message(kConvertError, title, MsgIcon::Exclamation, MsgButtons::Ok);
    return;
  }

  window_.SetRubberVisible(state_.CropActive);
  if (!state_.CropActive) window_.HideCropLabel();
  window_.BringResultToFront();
  window_.ShowResultPicture(*result);
  window_.SetResultCaption(SizeCaption("Vantro image", state_.OutWidth, state_.OutHeight));
}

std::optional<convert::CropFrame> MainController::ActiveCropFrame() const {
  if (!state_.CropActive) return std::nullopt;
  const QRect r = window_.RubberGeometry();
  return convert::CropFrame{r.left(), r.top(), r.width(), r.height()};
}

void MainController::AutoLevel() {
  if (!state_.ImageLoaded) return;
  if (const std::optional<int> level = picture_->AutoLevel(state_, ActiveCropFrame())) {
    window_.SetSliderValue(*level);
  }
}

void MainController::OnMethodSelected(int index) {
  if (index == state_.PrevPhotoMode) return;
  if (!ConfirmDiscardEdits()) {
    window_.SetMethodIndex(state_.PrevPhotoMode);
    return;
  }
  ConvertPicture(kAppTitle);
  state_.Modified = true;
  state_.PrevPhotoMode = static_cast<std::int16_t>(index);
}

void MainController::OnSliderScroll(int value) {
  window_.SetLevelLabel(value);
}

void MainController::OnSliderChange(int value) {
  if (value == last_slider_value_) return;
  last_slider_value_ = value;
  if (value == state_.PrevLevel) return;
  if (!ConfirmDiscardEdits()) {
    // Raises this handler once more, which finds the value equal to PrevLevel.
    window_.SetSliderValue(state_.PrevLevel);
    window_.SetLevelLabel(window_.SliderValue());
    return;
  }
  window_.SetLevelLabel(value);
  ConvertPicture(kAppTitle);
  state_.Modified = true;
  state_.PrevLevel = static_cast<std::int16_t>(value);
}

void MainController::SetDotRandom(convert::DotRandom* random) {
  picture_->SetRandom(random);
}

void MainController::SetSizeDialogRunner(SizeDialogRunner runner) {
  size_dialog_ = std::move(runner);
}

void MainController::RunSizeDialog() {
  if (size_dialog_) {
    size_dialog_(state_);
    return;
  }
  RunConvertSizeDialog(
      state_, [this] { return ConfirmDiscardEdits(); }, state_.HelpDialog, &window_);
}

void MainController::ShowConvertSize() {
  const CommandScope command(*this);
  RunSizeDialog();
  window_.update();
  if (!state_.SizeDlgOK) return;
  ConvertPicture(kAppTitle);
  state_.Modified = true;
}

void MainController::EditResultImage() {
  const CommandScope command(*this);
  dotcaster::EditResultImage(window_, state_);
}

bool MainController::ConfirmDiscardEdits() {
  if (!state_.ResultEdited) return true;
  const MsgAnswer answer =
      ThePrompter().Message(kEditedQuestion, kAppTitle, MsgIcon::Exclamation, MsgButtons::OkCancel);
  if (answer != MsgAnswer::Ok) return false;
  state_.ResultEdited = false;
  return true;
}

void MainController::OpenOnPc() {
  if (!ConfirmSaveChanges()) return;
  const std::optional<std::string> chosen = ThePrompter().OpenFileName(OpenRequest(state_));
  if (!chosen) return;
  if (!IsImageFileName(*chosen, kAppTitle)) return;
  ResetPicture();
  state_.CurFileName = *chosen;
  state_.UserDataDir = FolderPart(state_.CurFileName);
  if (!LoadSourcePicture()) ResetPicture();
  UpdateConvControls();
  state_.FileOnPC = 1;
  UpdateWindowState();
}

void MainController::SaveToPc() {
  if (!state_.ImageLoaded) return;
  const bool was_modified = state_.Modified;
  std::string target;
  if (state_.HasName && state_.FileOnPC == 1) {
    // In place; an unchanged picture is not written again.
    target = state_.CurFileName;
  } else {
    std::optional<std::string> chosen = AskSaveTarget(state_);
    if (!chosen) return;
    target = *chosen;
    state_.Modified = true;
  }
  state_.UploadAfterSave = false;
  if (!SaveResultFile(state_, target)) {
    // "Write error!" has been shown. The picture keeps its name, its title and its unsaved
    // state, so that the next close or open still offers to save it.
    state_.Modified = was_modified;
    return;
  }
  state_.CurFileName = target;
  state_.HasName = true;
  state_.Modified = false;
  state_.FileOnPC = 1;
  UpdateWindowState();
}

void MainController::SaveToPcAs() {
  if (!state_.ImageLoaded) return;
  const std::optional<std::string> target = AskSaveTarget(state_);
  if (!target) return;
  const bool was_modified = state_.Modified;
  state_.Modified = true;
  state_.UploadAfterSave = false;
  if (!SaveResultFile(state_, *target)) {
    state_.Modified = was_modified;  // as in SaveToPc
    return;
  }
  state_.CurFileName = *target;
  state_.HasName = true;
  state_.FileOnPC = 1;
  UpdateWindowState();
}

bool MainController::ConfirmSaveChanges() {
  if (!state_.Modified) return true;
  const MsgAnswer answer = ThePrompter().Message(kSaveChangesQuestion, kAppTitle,
                                                 MsgIcon::Exclamation, MsgButtons::YesNoCancel);
  if (answer == MsgAnswer::No) return true;
  if (answer != MsgAnswer::Yes) return false;
  std::string target = state_.CurFileName;
  if (!state_.HasName) {
    const std::optional<std::string> chosen = AskSaveTarget(state_);
    if (!chosen) return false;
    target = *chosen;
  }
  // UploadAfterSave is clear outside a device save, so this writes to the PC or to the
  // cache copy of a device file. A failed write counts as Cancel: the caller must not
  // discard a picture that was not saved.
  if (!SaveResultFile(state_, target)) return false;
  state_.HasName = true;
  return true;
}

bool MainController::OpenDroppedFile(const std::vector<std::string>& files) {
  const CommandScope command(*this);
  BringWindowForward(window_);
  QCoreApplication::processEvents();
  if (!ConfirmSaveChanges() || files.empty()) return false;
  const std::string& path = files.front();
  if (!IsImageFileName(path, kAppTitle)) return false;
  ResetPicture();
  state_.CurFileName = path;
  std::string cleaned = path;
  std::string cache_folder = state_.CacheDir;  // only the classification's own copy
  ClassifyCommandFile(cleaned, cache_folder, state_.FileOnPC);
  if (state_.FileOnPC == 1) {
    state_.UserDataDir = FolderPart(cleaned);
  } else {
    state_.CacheDir = FolderPart(cleaned);
  }
  if (!LoadSourcePicture()) ResetPicture();
  UpdateConvControls();
  UpdateWindowState();
  return true;
}

void MainController::ToolbarButton(std::string_view key) {
  if (key == "Fopen") {
    OpenOnPc();
  } else if (key == "OvrWrite") {
    SaveToPc();
  } else if (key == "UpdateBMP") {
    ShowConvertSize();
  } else if (key == "D770Open") {
    OpenOnDevice();
  } else if (key == "D770OvrWrite") {
    SaveToDevice();
  }
}

}  // namespace dotcaster
