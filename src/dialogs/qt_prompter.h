#pragma once

// QtPrompter: the window's implementation of Prompter. Message boxes and the PC file
// dialogs are Qt's; the device's file dialog and the disconnection setup are the device
// link's own.
//
// The Configure* functions build each dialog from its request so that tests can inspect
// the dialog without running it.

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "state/prompter.h"

class QFileDialog;

namespace dotcaster {

// Buttons, default button, icon, title and text of a message box. The default is the
// first button (OK or Yes). The text is plain (never markup); CR LF line breaks become LF.
void ConfigureMessageBox(QMessageBox& box, std::string_view text, std::string_view title,
                         MsgIcon icon, MsgButtons buttons);

// The answer for the button that closed a box with `buttons`; closing it otherwise (the
// close box, or a button the set does not hold) is Cancel, or Ok for a lone OK button.
MsgAnswer AnswerFor(int clickedButton, MsgButtons buttons);

// Qt name filters for a filter list: the description as written (the patterns are hidden
// in the dialog) followed by the patterns with ";" turned into spaces.
QStringList NameFilters(const std::vector<FileFilter>& filters);

// Title, start folder, proposed name, filters (the filterIndex-th selected), the open or
// save mode, must-exist and overwrite confirmation. No default suffix: a name typed
// without an extension comes back exactly as typed.
void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save);

// The dialog's chosen file as a UTF-8 path with native separators; nothing if none.
std::optional<std::string> ChosenPath(const QFileDialog& dialog);

class QtPrompter : public Prompter {
 public:
  // parent (may be null) owns the boxes, unless a modal dialog is up: then that dialog does.
  explicit QtPrompter(QWidget* parent = nullptr);

  MsgAnswer Message(std::string_view text, std::string_view title, MsgIcon icon,
                    MsgButtons buttons) override;
  std::optional<std::string> OpenFileName(const FileDialogRequest& request) override;
  std::optional<std::string> SaveFileName(const FileDialogRequest& request) override;
  std::optional<std::string> DeviceFileName(const DeviceFileDialogRequest& request) override;
  std::optional<bool> DisconnectionSetup(bool refuse) override;

 private:
  QWidget* Owner() const;
  std::optional<std::string> RunFileDialog(const FileDialogRequest& request, bool save);

  QPointer<QWidget> parent_;
};

}  // namespace dotcaster
