#include "dialogs/qt_prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include "dialogs/device_dialogs.h"

namespace dotcaster {
namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::StandardButtons ButtonsFor(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::Ok:
      return QMessageBox::Ok;
    case MsgButtons::OkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon IconFor(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::None:
      return QMessageBox::NoIcon;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Critical:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

void ConfigureMessageBox(QMessageBox& box, std::string_view text, std::string_view title,
                         MsgIcon icon, MsgButtons buttons) {
  // Texts come as written for the message boxes of old, lines joined by CR LF; Qt wants
  // plain line feeds, and a file name must never be taken for markup.
  QString plain = FromUtf8(text);
  plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box.setTextFormat(Qt::PlainText);
  box.setText(plain);
  box.setWindowTitle(FromUtf8(title));
  box.setIcon(IconFor(icon));
  box.setStandardButtons(ButtonsFor(buttons));
  const bool yes_first = buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel;
  box.setDefaultButton(yes_first ? QMessageBox::Yes : QMessageBox::Ok);
  if (buttons == MsgButtons::Ok) box.setEscapeButton(QMessageBox::Ok);
  if (buttons == MsgButtons::OkCancel || buttons == MsgButtons::YesNoCancel)
    box.setEscapeButton(QMessageBox::Cancel);
}

MsgAnswer AnswerFor(int clickedButton, MsgButtons buttons) {
  const auto allowed = ButtonsFor(buttons);
  const auto clicked = static_cast<QMessageBox::StandardButton>(clickedButton);
  if (allowed.testFlag(clicked)) {
    switch (clicked) {
      case QMessageBox::Ok:
        return MsgAnswer::Ok;
      case QMessageBox::Yes:
        return MsgAnswer::Yes;
      case QMessageBox::No:
        return MsgAnswer::No;
      default:
        break;
    }
  }
  return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

QStringList NameFilters(const std::vector<FileFilter>& filters) {
  QStringList out;
  for (const FileFilter& filter : filters) {
    QString patterns = FromUtf8(filter.patterns);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    out << FromUtf8(filter.description) + QStringLiteral(" (") + patterns.simplified() +
               QLatin1Char(')');
  }
  return out;
}

void ConfigureFileDialog(QFileDialog& dialog, const FileDialogRequest& request, bool save) {
  dialog.setWindowTitle(FromUtf8(request.title));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(!save && request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(save && request.confirmOverwrite));
  dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  dialog.setDefaultSuffix(QString());
  if (!request.startFolder.empty()) dialog.setDirectory(FromUtf8(request.startFolder));
  const QStringList filters = NameFilters(request.filters);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  dialog.selectFile(FromUtf8(request.fileName));
}

std::optional<std::string> ChosenPath(const QFileDialog& dialog) {
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  return QDir::toNativeSeparators(files.front()).toStdString();
}

QtPrompter::QtPrompter(QWidget* parent) : parent_(parent) {}

QWidget* QtPrompter::Owner() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return parent_;
}

MsgAnswer QtPrompter::Message(std::string_view text, std::string_view title, MsgIcon icon,
                              MsgButtons buttons) {
  QMessageBox box(Owner());
  ConfigureMessageBox(box, text, title, icon, buttons);
  box.exec();
  const QAbstractButton* clicked = box.clickedButton();
  return AnswerFor(
      clicked ? box.standardButton(const_cast<QAbstractButton*>(clicked)) : QMessageBox::NoButton,
      buttons);
}

std::optional<std::string> QtPrompter::RunFileDialog(const FileDialogRequest& request, bool save) {
  QFileDialog dialog(Owner());
  ConfigureFileDialog(dialog, request, save);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return ChosenPath(dialog);
}

std::optional<std::string> QtPrompter::OpenFileName(const FileDialogRequest& request) {
  return RunFileDialog(request, false);
}

std::optional<std::string> QtPrompter::SaveFileName(const FileDialogRequest& request) {
  return RunFileDialog(request, true);
}

std::optional<std::string> QtPrompter::DeviceFileName(const DeviceFileDialogRequest& request) {
  return RunDeviceFileDialog(Owner(), request);
}

std::optional<bool> QtPrompter::DisconnectionSetup(bool refuse) {
  return RunDisconnectionSetupDialog(Owner(), refuse);
}

}  // namespace dotcaster
