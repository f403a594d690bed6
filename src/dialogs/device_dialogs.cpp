#include "dialogs/device_dialogs.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace dotcaster {
namespace {

constexpr char kRoot[] = "B:\\";
enum Column { kName, kSize, kModified };
constexpr int kIsFolder = Qt::UserRole;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

bool SameName(const std::string& a, const std::string& b) {
  return Q(a).compare(Q(b), Qt::CaseInsensitive) == 0;
}

// The folder above a device folder ("B:\a\b\" -> "B:\a\"); the root stays itself.
std::string Parent(std::string folder) {
  if (folder.size() <= sizeof kRoot - 1) return kRoot;
  folder.pop_back();
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

QString ReplaceQuestion(const std::string& path) {
  return QString("%1 already exists.\r\nDo you want to replace it?").arg(Q(path));
}

}  // namespace

DeviceFileDialog::DeviceFileDialog(DeviceFileDialogRequest request, QWidget* parent)
    : QDialog(parent), request_(std::move(request)) {
  setWindowTitle(request_.save ? tr("Save to Vantro") : tr("Open on Vantro"));
  auto* grid = new QGridLayout(this);

  auto* look_in = new QLabel(tr("Look &in:"), this);
  folder_field_ = new QLineEdit(this);
  folder_field_->setObjectName("devicePath");
  folder_field_->setReadOnly(true);
  look_in->setBuddy(folder_field_);
  up_ = new QToolButton(this);
  up_->setObjectName("up");
  up_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  up_->setToolTip(tr("Up One Level (Backspace)"));
  up_->setAccessibleName(tr("Up One Level"));
  up_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
  connect(up_, &QToolButton::clicked, this, [this] { GoUp(); });
  grid->addWidget(look_in, 0, 0);
  grid->addWidget(folder_field_, 0, 1);
  grid->addWidget(up_, 0, 2);

  list_ = new QTreeWidget(this);
  list_->setObjectName("deviceFiles");
  list_->setHeaderLabels({tr("Name"), tr("Size"), tr("Modified")});
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(kName, QHeaderView::Stretch);
  list_->header()->setSectionResizeMode(kSize, QHeaderView::ResizeToContents);
  list_->header()->setSectionResizeMode(kModified, QHeaderView::ResizeToContents);
  list_->installEventFilter(this);
  connect(list_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { Activate(item); });
  connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item && !item->data(kName, kIsFolder).toBool()) name_->setText(item->text(kName));
    UpdateOk();
  });
  grid->addWidget(list_, 1, 0, 1, 3);

  auto* name_label = new QLabel(tr("File &name:"), this);
  name_ = new QLineEdit(Q(request_.save ? request_.proposedName : std::string()), this);
  name_->setObjectName("fileName");
  name_label->setBuddy(name_);
  connect(name_, &QLineEdit::textChanged, this, [this] { UpdateOk(); });
  grid->addWidget(name_label, 2, 0);
  grid->addWidget(name_, 2, 1, 1, 2);

  // Enter anywhere but in the list presses OK, which decides what the typed name means.
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setText(request_.save ? tr("&Save") : tr("&Open"));
  ok_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { TryAccept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 3, 0, 1, 3);
  grid->setColumnStretch(1, 1);

  // A start folder that is not on the device falls back to the nearest one that is.
  std::string start = request_.startFolder;
  if (start.empty() || start.back() != '\\') start += '\\';
  if (!start.starts_with(kRoot)) start = kRoot;
  while (!Show(start) && start != kRoot)
    start = Parent(start);
  if (folder_.empty()) {
    folder_ = kRoot;
    folder_field_->setText(Q(folder_));
    up_->setEnabled(false);
  }

  const QFontMetrics metrics(font());
  resize(metrics.averageCharWidth() * 64, metrics.height() * 20);
  name_->setFocus();
  name_->selectAll();
  UpdateOk();
}

bool DeviceFileDialog::Show(const std::string& folder) {
  std::optional<std::vector<DeviceEntry>> listed;
  if (request_.list) listed = request_.list(folder);
  if (!listed) return false;
  folder_ = folder;
  entries_.clear();
  const std::string extension = "." + request_.fileType;
  for (DeviceEntry& entry : *listed) {
    if (entry.name.empty() || entry.name.find_first_of("\\/") != std::string::npos) continue;
    const bool wanted =
        entry.folder || request_.fileType.empty() ||
        (entry.name.size() > extension.size() &&
         SameName(entry.name.substr(entry.name.size() - extension.size()), extension));
    if (wanted) entries_.push_back(std::move(entry));
  }
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const DeviceEntry& a, const DeviceEntry& b) {
                     if (a.folder != b.folder) return a.folder;
                     return Q(a.name).compare(Q(b.name), Qt::CaseInsensitive) < 0;
                   });

  list_->clear();
  const QLocale locale;
  const QIcon folder_icon = style()->standardIcon(QStyle::SP_DirIcon);
  const QIcon file_icon = style()->standardIcon(QStyle::SP_FileIcon);
  for (const DeviceEntry& entry : entries_) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(kName, Q(entry.name));
    item->setIcon(kName, entry.folder ? folder_icon : file_icon);
    item->setData(kName, kIsFolder, entry.folder);
    if (!entry.folder) {
      item->setText(kSize, locale.formattedDataSize(static_cast<qint64>(entry.size), 1,
                                                    QLocale::DataSizeTraditionalFormat));
      item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (entry.modified != 0) {
      item->setText(kModified, locale.toString(QDateTime::fromSecsSinceEpoch(entry.modified),
                                               QLocale::ShortFormat));
    }
  }
  folder_field_->setText(Q(folder_));
  up_->setEnabled(folder_ != kRoot);
  UpdateOk();
  return true;
}

void DeviceFileDialog::GoUp() {
  const std::string child = folder_;
  if (child == kRoot || !Show(Parent(child))) return;
  // The folder just left is selected, as a user going back expects.
  const std::string name = child.substr(folder_.size(), child.size() - folder_.size() - 1);
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(i);
    if (item->data(kName, kIsFolder).toBool() && item->text(kName) == Q(name)) {
      list_->setCurrentItem(item);
      break;
    }
  }
}

void DeviceFileDialog::Activate(QTreeWidgetItem* item) {
  if (!item) return;
  if (item->data(kName, kIsFolder).toBool()) {
    Show(folder_ + item->text(kName).toStdString() + "\\");
    return;
  }
  name_->setText(item->text(kName));
  TryAccept();
}

const DeviceEntry* DeviceFileDialog::Find(const std::string& name, bool folder) const {
  for (const DeviceEntry& entry : entries_)
    if (entry.folder == folder && SameName(entry.name, name)) return &entry;
  return nullptr;
}

std::optional<std::string> DeviceFileDialog::TypedFile() const {
  const std::string typed = name_->text().trimmed().toStdString();
  if (typed.empty() || typed == "." || typed == ".." ||
      typed.find_first_of("\\/:") != std::string::npos) {
    return std::nullopt;
  }
  std::string with_type = typed;
  if (typed.find('.') == std::string::npos && !request_.fileType.empty())
    with_type += "." + request_.fileType;
  if (request_.save) {
    const DeviceEntry* existing = Find(with_type, false);
    return existing ? existing->name : with_type;
  }
  for (const std::string& name : {typed, with_type})
    if (const DeviceEntry* entry = Find(name, false)) return entry->name;
  return std::nullopt;
}

QTreeWidgetItem* DeviceFileDialog::CurrentFolderItem() const {
  QTreeWidgetItem* item = list_->currentItem();
  return item && item->data(kName, kIsFolder).toBool() ? item : nullptr;
}

void DeviceFileDialog::UpdateOk() {
  const std::string typed = name_->text().trimmed().toStdString();
  ok_->setEnabled(Find(typed, true) || TypedFile() || (typed.empty() && CurrentFolderItem()));
}

void DeviceFileDialog::TryAccept() {
  const std::string typed = name_->text().trimmed().toStdString();
  if (const DeviceEntry* folder = Find(typed, true)) {
    Show(folder_ + folder->name + "\\");
    name_->clear();
    return;
  }
  const std::optional<std::string> file = TypedFile();
  if (!file) {
    if (typed.empty()) Activate(CurrentFolderItem());
    return;
  }
  const std::string path = folder_ + *file;
  if (request_.save && Find(*file, false)) {
    const MsgAnswer answer =
        ThePrompter().Message(ReplaceQuestion(path).toStdString(), windowTitle().toStdString(),
                              MsgIcon::Exclamation, MsgButtons::YesNo);
    if (answer != MsgAnswer::Yes) return;
  }
  choice_ = path;
  accept();
}

bool DeviceFileDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    // Enter belongs to the list, not to the OK button: it opens a folder or takes a file.
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        Activate(list_->currentItem());
        return true;
      case Qt::Key_Backspace:
        GoUp();
        return true;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
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
