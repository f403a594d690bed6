#pragma once

// The link layer's own small dialogs, shown by the window's Qt prompter for
// Prompter::DeviceFileName and Prompter::DisconnectionSetup. Both are modal and own
// nothing of the caller's.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "state/prompter.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace dotcaster {

// A file dialog over the device's storage, which it sees only through request.list. It
// shows the current device folder, its folders and its files of request.fileType with size
// and date, and a name field. Double click or Enter on a folder goes into it; Backspace,
// Alt+Up or the Up button go back out. Double click or Enter on a file, or OK with a name
// typed, chooses; Escape cancels. Open takes only a listed file. Save takes any plain name
// (without "\", "/" or ":"), adds "." + fileType to a name without an extension and asks
// through ThePrompter() before it returns a file that exists.
class DeviceFileDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DeviceFileDialog(DeviceFileDialogRequest request, QWidget* parent = nullptr);

  // The chosen device path once the dialog has been accepted; nothing before.
  const std::optional<std::string>& Choice() const { return choice_; }
  // The device folder shown, ending in "\".
  const std::string& Folder() const { return folder_; }

  QTreeWidget* list() const { return list_; }
  QLineEdit* nameField() const { return name_; }
  QLineEdit* folderField() const { return folder_field_; }
  QToolButton* upButton() const { return up_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows a device folder; false (and nothing changes) when it cannot be listed.
  bool Show(const std::string& folder);
  void GoUp();
  void Activate(QTreeWidgetItem* item);
  void TryAccept();
  void UpdateOk();
  QTreeWidgetItem* CurrentFolderItem() const;
  // The entry whose name is `name`, ignoring case; null when there is none.
  const DeviceEntry* Find(const std::string& name, bool folder) const;
  // The file the typed name stands for (save: with the type added), or nothing when the
  // text cannot name a file here.
  std::optional<std::string> TypedFile() const;

  DeviceFileDialogRequest request_;
  std::string folder_;
  std::vector<DeviceEntry> entries_;
  std::optional<std::string> choice_;

  QLineEdit* folder_field_ = nullptr;
  QToolButton* up_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QLineEdit* name_ = nullptr;
  QPushButton* ok_ = nullptr;
};

// One check box: refuse to disconnect (closing Dotcaster is then refused).
class DisconnectionSetupDialog : public QDialog {
  Q_OBJECT
 public:
  explicit DisconnectionSetupDialog(bool refuse, QWidget* parent = nullptr);
  bool refuse() const;
  QCheckBox* checkBox() const { return check_; }

 private:
  QCheckBox* check_ = nullptr;
};

// Shows the dialog modally: the chosen device path, or nothing for Cancel.
std::optional<std::string> RunDeviceFileDialog(QWidget* parent,
                                               const DeviceFileDialogRequest& request);
// Shows the dialog modally: the new refusal setting, or nothing for Cancel.
std::optional<bool> RunDisconnectionSetupDialog(QWidget* parent, bool refuse);

}  // namespace dotcaster
