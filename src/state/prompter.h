#pragma once

// Every modal question Dotcaster asks the user (message boxes, the PC file dialogs, the
// device's file dialogs and its disconnection settings) goes through Prompter. The window
// installs a Qt implementation at start-up; tests install scripted answers; without a
// window the default prints messages to standard error and cancels every dialog.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dotcaster {

enum class MsgIcon { None, Exclamation, Information, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// The application title: every message box and the window carry it.
inline constexpr const char* kAppTitle = "Dotcaster";

struct FileFilter {
  std::string description;  // "Graphic Files"
  std::string patterns;     // "*.qdl;*.bmp"
};

struct FileDialogRequest {
  std::string title;
  std::string startFolder;
  std::string fileName;  // proposed name, may be empty
  std::vector<FileFilter> filters;
  int filterIndex = 1;  // 1-based entry selected when the dialog opens
  bool mustExist = false;
  bool confirmOverwrite = false;
};

// One entry of a device folder.
struct DeviceEntry {
  std::string name;  // no separators
  bool folder = false;
  std::uint64_t size = 0;     // bytes; 0 for a folder
  std::int64_t modified = 0;  // seconds since 1970-01-01 UTC; 0 when unknown
};

// Lists a device folder given as a device path ending in "\" ("B:\graphics\"): its
// folders and files, or nothing when there is no such folder on the device.
using DeviceFolderLister =
    std::function<std::optional<std::vector<DeviceEntry>>(const std::string& device_folder)>;

// A device file dialog over the device's folders, starting in one of them. The dialog lists
// the folders and the files of one type; it reaches the device only through `list`, which
// the link supplies and which stays valid while the question is open.
struct DeviceFileDialogRequest {
  bool save = false;
  std::string fileType;      // "qdl"
  std::string startFolder;   // device path ending in "\"
  std::string proposedName;  // save only: name without extension
  DeviceFolderLister list;
};

class Prompter {
 public:
  virtual ~Prompter() = default;

  // A modal message box; returns the button chosen (closing the box counts as Cancel, or
  // as Ok when Ok is the only button).
  virtual MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon,
                            MsgButtons buttons) = 0;

  // The PC's standard file dialogs: the chosen path, or nothing for Cancel.
  virtual std::optional<std::string> OpenFileName(const FileDialogRequest& request) = 0;
  virtual std::optional<std::string> SaveFileName(const FileDialogRequest& request) = 0;

  // The device's file dialog: the chosen device path, or nothing for Cancel. A save dialog
  // has asked before it returns the path of a file that exists.
  virtual std::optional<std::string> DeviceFileName(const DeviceFileDialogRequest& request) = 0;

  // The link's disconnection settings: the new "refuse to disconnect" setting, or nothing
  // when the dialog was cancelled.
  virtual std::optional<bool> DisconnectionSetup(bool refuse) = 0;
};

// The prompter in force. Never null: without one installed, a console fallback answers.
Prompter& ThePrompter();

// Installs p (not owned; nullptr restores the console fallback). Returns the previous one
// so that a scope can put it back.
Prompter* SetPrompter(Prompter* p);

// Shorthand for the usual "Dotcaster" box with the exclamation icon and an OK button.
void ShowError(std::string_view text);

}  // namespace dotcaster
