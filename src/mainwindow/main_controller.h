#pragma once

// The main window's commands as plain functions: start-up and shutdown, the window
// refresh routines, loading and converting, the conversion-setting handlers, the PC file
// commands, the device file commands (device_commands.cpp) and the clipboard and drop
// commands (clipboard_drop.cpp). QDLmain forwards every user action
// here; tests call these functions directly and read the outcome from AppState and from the
// window's controls.
//
// Every question to the user goes through ThePrompter(). Commands run to their end on the
// user-interface thread; a conversion re-renders from the picture decoded at load time, so
// a level or method change never decodes the file again.

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/app_state.h"

namespace dotcaster {

inline constexpr const char* kReadError = "Read error!";

class QDLmain;
class PictureSession;
namespace convert {
class DotRandom;
struct CropFrame;
}  // namespace convert

class MainController {
 public:
  MainController(QDLmain& window, AppState& state);
  ~MainController();
  MainController(const MainController&) = delete;
  MainController& operator=(const MainController&) = delete;

  // Start-up of the window: folders, work files, the empty window and the picture named
  // on the command line (args without the program name; joined, they are the command-line
  // text). Returns false when there is no installation of the link software: the caller
  // ends the process without a word. Shows the window itself before a picture loads.
  bool Startup(const QStringList& args);

  // Why the window closes. The user's close may be refused (the save prompt's Cancel, or
  // the link's refusal confirmed by the user); the end of the desktop session never is:
  // the save prompt comes only when the session lets the program ask (its Cancel then
  // saves nothing), and the link is not asked for permission.
  enum class CloseReason { kUser, kSessionEnd, kSessionEndSilent };

  // Shutdown: the save prompt, the link's permission, the placement and the work files.
  // Returns false when the window must stay open.
  bool Shutdown(CloseReason reason = CloseReason::kUser);

  // Window routines.
  void ResetPicture();
  void UpdateWindowState();
  void UpdateConvControls();
  void ShowHelpTopics();
  void ShowAbout();

  // Loads CurFileName (the caller has reset the window and named the file): the first
  // output size, the source view and the first result. False after "Read error!".
  bool LoadSourcePicture();

  // The conversion driver: renders the loaded picture at the current settings into
  // WorkDspFile and shows it in the result view, which comes to the front. Does nothing
  // without a picture; a failure shows "Error!" titled `title` and unloads the picture.
  void ConvertPicture(std::string_view title);

  // Conversion-setting handlers.
  void OnMethodSelected(int index);  // PhotoMode selection changed
  void OnSliderScroll(int value);    // MONOSikii thumb moving
  void OnSliderChange(int value);    // MONOSikii value settled
  void ShowConvertSize();            // UpdateBMP menu entry and toolbar button
  // Edit > Auto Level: moves the slider to Otsu's level of the picture as the conversion
  // places it, which raises the slider's change handler as a user's move does (the edit
  // confirmation, then the conversion). Nothing without a picture.
  void AutoLevel();

  // Asks before a reconversion would discard hand edits; true: go on, false: keep.
  bool ConfirmDiscardEdits();
  // The result retouched in an outside bitmap editor (editor_round_trip.h); window events
  // run while the editor does.
  void EditResultImage();

  // PC file commands.
  void OpenOnPc();
  void SaveToPc();
  void SaveToPcAs();
  bool ConfirmSaveChanges();  // true: the caller may discard the current picture

  // Opens the first of the files that a drop or a second start hands over. The
  // window comes forward and lets pending events run once, then the save prompt, the name
  // check, the reset, the classification as a PC or device-cache file and the load. False
  // (no effect) when it stopped before opening: the prompt's Cancel, no file, a name that is
  // no picture's; a load that fails leaves the window empty and still counts as opened.
  bool OpenDroppedFile(const std::vector<std::string>& files);

  // Clipboard commands (clipboard_drop.cpp). Paste does nothing unless the clipboard offers
  // a picture; a picture that cannot be read or written as the clipboard working file shows
  // "Read error!" and leaves the window empty. Copy puts the result's dots on the clipboard
  // as a black and white image and changes nothing else.
  void PasteClipboard();
  void CopyResult();

  // True while a command that lets window events run outside a modal dialog is running;
  // a hand-over from another start waits until it has ended.
  bool InCommand() const { return command_depth_ > 0; }

  // Device file commands, through the link calls. Cancel in a device dialog, and a current
  // cache file without a device counterpart, end them silently.
  void OpenOnDevice();
  void SaveToDevice();
  void SaveToDeviceAs();
  void SetupDisconnection();

  // A toolbar click, dispatched by the button's key; unknown keys do nothing.
  void ToolbarButton(std::string_view key);

  // The Convert Size dialog, replaceable so that tests answer it without a modal loop.
  // It reads and writes the state (SizeDlgOK and, on OK, the size settings).
  using SizeDialogRunner = std::function<void(AppState&)>;
  void SetSizeDialogRunner(SizeDialogRunner runner);

  // The generator of the photo methods: the process's own unless one is given (not
  // owned; nullptr goes back to the process's own).
  void SetDotRandom(convert::DotRandom* random);

  // Conversions that actually ran (a picture was loaded) since the window was made.
  int ConversionCount() const { return conversions_; }
  // The slider value the change handler saw last (LastSliderValue).
  int LastSliderValue() const { return last_slider_value_; }

 private:
  bool SaveChangesTarget(std::string* target);
  // The crop frame in source-view pixels while CropActive is set.
  std::optional<convert::CropFrame> ActiveCropFrame() const;
  void RunSizeDialog();
  void DeleteWorkFile(const std::string& path);
  // The link's permission to close. When the link refuses (it has said why), the user may
  // close anyway: a link that always refuses must not leave a window that cannot close.
  bool LinkLetsWindowClose();

  QDLmain& window_;
  AppState& state_;
  std::unique_ptr<PictureSession> picture_;
  SizeDialogRunner size_dialog_;
  int last_slider_value_ = 0;
  int conversions_ = 0;
  int command_depth_ = 0;
  friend class CommandScope;
};

// The save dialog's proposed name: the file name of `path` without its last four
// characters ("cat.bmp" -> "cat", "cat.jpeg" -> "cat.").
std::string ProposedSaveName(std::string_view path);

// "Source image (W x H)" / "Vantro image (W x H)".
std::string SizeCaption(std::string_view what, int width, int height);

// The title for the picture state: "Dotcaster", "Dotcaster - Untitled",
// "Dotcaster - PC:name" or "Dotcaster - Vantro:name".
std::string WindowTitle(const AppState& state);

}  // namespace dotcaster
