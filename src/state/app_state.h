#pragma once

// The one set of variables that every part of Dotcaster shares. There is exactly one
// instance per process (TheState()); everything runs on the user-interface thread, so the
// fields are read and written directly, without accessors or notifications. A command
// that changes what the window shows refreshes the window itself.
//
// Flags are plain bools and so can only hold false and true. Texts are UTF-8; paths use
// the platform's separator. At process start every number is 0, every flag false and every
// text empty; start-up and ResetPicture fill in the working values.

#include <cstdint>
#include <string>

namespace dotcaster {

// Shows Dotcaster's help at its table of contents; supplied by the window.
class HelpProvider {
 public:
  virtual ~HelpProvider() = default;
  virtual void ShowTopics() = 0;
};

// Size choices of the Convert Size dialog (SizeMode).
enum : std::int16_t { kSizeDevice = 0, kSizeFull = 1, kSizeCustom = 2 };

// The output sizes the program offers by name, and the largest output.
inline constexpr int kDeviceWidth = 102;
inline constexpr int kDeviceHeight = 64;
inline constexpr int kMaxOutWidth = 320;
inline constexpr int kMaxOutHeight = 240;

struct AppState {
  // Current picture.
  std::string CurFileName;    // loaded from / last saved to; for a device file its cache copy
  std::int16_t FileOnPC = 0;  // 1: ordinary PC file; 0: cache copy of a device file
  bool HasName = false;       // the picture has a file name of its own
  bool ImageLoaded = false;   // a source picture is loaded
  bool Modified = false;      // the converted picture has not been saved
  bool SrcIsQdl = false;      // the source is a Quadrel file
  std::string SrcExt;         // source extension, upper case with its dot (".JPEG")
  bool SrcIsMono = false;     // the source bitmap has 1 bit per pixel
  std::int16_t SrcWidth = 0;
  std::int16_t SrcHeight = 0;

  // Output and conversion options.
  std::int16_t OutWidth = 0;       // 1..320 dots
  std::int16_t OutHeight = 0;      // 1..240 dots
  std::int16_t SizeMode = 0;       // kSizeDevice, kSizeFull or kSizeCustom
  bool ZoomMode = false;           // stretch the picture to the output size
  bool JustZoom = false;           // keep the ratio of width to height when stretching
  bool SizeDlgOK = false;          // the Convert Size dialog was closed with OK
  std::int16_t PrevPhotoMode = 0;  // method index of the current result
  std::int16_t PrevLevel = 0;      // level of the current result
  float PlaceWidth = 0;            // dots covered by the (cropped, scaled) picture; whole numbers
  float PlaceHeight = 0;

  // Crop selection: corners in source-view pixels; scale in source pixels per view pixel.
  bool CropActive = false;
  float CropX1 = 0, CropY1 = 0, CropX2 = 0, CropY2 = 0;
  double ScaleX = 0, ScaleY = 0;

  // Folders and work files. The three work-file paths are built once at start-up from the
  // user-data folder of that moment and never change, although UserDataDir later follows
  // the folders the user picks.
  std::string InstallDir;
  std::string UserDataDir;
  std::string CacheDir;
  std::string WorkBmpFile;  // $$QDLBMP.$$$: copy of the source picture
  std::string WorkDspFile;  // $$QDLDSP.$$$: the converted result as a 1-bit bitmap
  std::string WorkClpFile;  // $$QDLCLP.BMP: the picture taken from the clipboard

  // Device transfer and the save pipeline's temporary file.
  bool UploadAfterSave = false;        // the save pipeline delivers to DevicePath instead
  std::string DevicePath;              // device-side path of the file being opened or saved
  HelpProvider* HelpDialog = nullptr;  // not owned; the window's help
  std::string SaveTarget;
  std::string TempDir;
  std::string TempFile;

  // Control flags.
  bool QuitAtStart = false;   // a second instance is shutting itself down
  bool ResultEdited = false;  // the result holds hand edits from the external editor
};

// The process's one instance.
AppState& TheState();

// The state half of the window's ResetPicture: back to "no picture". Leaves the source
// description (SrcIsQdl, SrcExt, SrcIsMono, SrcWidth, SrcHeight), SizeDlgOK, the folders and
// the work files as they are.
void ResetPictureState(AppState& state);

// Names of the three work files inside the user-data folder.
inline constexpr const char* kWorkBmpName = "$$QDLBMP.$$$";
inline constexpr const char* kWorkDspName = "$$QDLDSP.$$$";
inline constexpr const char* kWorkClpName = "$$QDLCLP.BMP";

// Sets WorkBmpFile, WorkDspFile and WorkClpFile from state.UserDataDir.
void BuildWorkFilePaths(AppState& state);

}  // namespace dotcaster
