#include "dialogs/device_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "devicelink/install.h"

namespace dotcaster {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The name after the last "\" of a device path.
std::string DeviceName(const std::string& device_path) {
  const auto cut = device_path.find_last_of("\\/");
  return cut == std::string::npos ? device_path : device_path.substr(cut + 1);
}

}  // namespace

DeviceFileDialog::DeviceFileDialog(const DeviceFileDialogRequest& request, QWidget* parent)
    : QDialog(parent), request_(request) {
  setWindowTitle(request.save ? tr("Save to Vantro") : tr("Open on Vantro"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(tr("Folder: %1").arg(Q(request.startFolder)), this));

  list_ = new QListWidget(this);
  list_->setObjectName("deviceFiles");
  for (const std::string& entry : request.entries) {
    auto* item = new QListWidgetItem(Q(DeviceName(entry)), list_);
    item->setData(Qt::UserRole, Q(entry));
  }
  layout->addWidget(list_);

  if (request.save) {
    layout->addWidget(new QLabel(tr("File &name:"), this));
    name_ = new QLineEdit(Q(request.proposedName), this);
    name_->setObjectName("fileName");
    layout->addWidget(name_);
    connect(name_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
      if (item) name_->setText(item->text());
    });
  } else {
    connect(list_, &QListWidget::currentItemChanged, this, [this] { UpdateOk(); });
  }
  connect(list_, &QListWidget::itemActivated, this, [this] {
    if (Choice()) accept();
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (Choice()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  UpdateOk();
}

std::optional<std::string> DeviceFileDialog::Choice() const {
  if (!request_.save) {
    const QListWidgetItem* item = list_->currentItem();
    if (!item) return std::nullopt;
    return item->data(Qt::UserRole).toString().toStdString();
  }
  std::string name = name_->text().trimmed().toStdString();
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return std::nullopt;
  if (name.find('.') == std::string::npos && !request_.fileType.empty())
    name += "." + request_.fileType;
  std::string folder = request_.startFolder;
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder + name;
}

void DeviceFileDialog::UpdateOk() {
  ok_->setEnabled(Choice().has_value());
}

DisconnectionSetupDialog::DisconnectionSetupDialog(bool refuse, QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Disconnection Setup"));
  auto* layout = new QVBoxLayout(this);
  check_ = new QCheckBox(tr("&Keep the Vantro connected: refuse to close while linked"), this);
  check_->setObjectName("refuseDisconnection");
  check_->setChecked(refuse);
  layout->addWidget(check_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

bool DisconnectionSetupDialog::refuse() const {
  return check_->isChecked();
}

std::optional<std::string> RunDeviceFileDialog(QWidget* parent,
                                               const DeviceFileDialogRequest& request) {
  DeviceFileDialog dialog(request, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Choice();
}

std::optional<bool> RunDisconnectionSetupDialog(QWidget* parent, bool refuse) {
  DisconnectionSetupDialog dialog(refuse, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.refuse();
}

}  // namespace dotcaster
