#pragma once

// The link layer's own small dialogs, shown by the window's Qt prompter for
// Prompter::DeviceFileName and Prompter::DisconnectionSetup. Both are modal and own
// nothing of the caller's.

#include <optional>
#include <string>

#include <QDialog>

#include "state/prompter.h"

class QCheckBox;
class QLineEdit;
class QListWidget;

namespace dotcaster {

// Lists request.entries (device paths, shown by their names) under the device folder
// request.startFolder. Open: OK takes the selected entry. Save: a name field, filled with
// request.proposedName and with the selected entry's name; a name without an extension gets
// "." + request.fileType. Result: the chosen device path.
class DeviceFileDialog : public QDialog {
  Q_OBJECT
 public:
  DeviceFileDialog(const DeviceFileDialogRequest& request, QWidget* parent = nullptr);
  // The device path the dialog would return now, or nothing (no choice yet).
  std::optional<std::string> Choice() const;

  QListWidget* list() const { return list_; }
  QLineEdit* nameField() const { return name_; }  // null for an open dialog

 private:
  void UpdateOk();

  DeviceFileDialogRequest request_;
  QListWidget* list_ = nullptr;
  QLineEdit* name_ = nullptr;
  QWidget* ok_ = nullptr;
};

// One check box: refuse to disconnect (closing Dotcaster is then refused).
class DisconnectionSetupDialog : public QDialog {
  Q_OBJECT
 public:
  DisconnectionSetupDialog(bool refuse, QWidget* parent = nullptr);
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
