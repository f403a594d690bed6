#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <functional>

#include "dialogs/device_dialogs.h"
#include "dialogs/qt_prompter.h"
#include "temp_dir.h"

using dotcaster::DeviceFileDialog;
using dotcaster::DisconnectionSetupDialog;
using dotcaster::FileDialogRequest;
using dotcaster::MsgAnswer;
using dotcaster::MsgButtons;

namespace {

// Runs `act` on the modal widget of type W once the next modal loop runs.
template <class W>
void WhenModal(std::function<void(W*)> act) {
  QTimer::singleShot(0, [act] {
    auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
    w ? act(w) : qFatal("the dialog did not open");
  });
}

}  // namespace

class QtPrompterTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

  // The box shows the text as plain text with line feeds (nothing in a message is markup),
  // offers its buttons, and answers with the one pressed: Return, Escape, or No clicked. A box
  // closed without a button, or with one the question did not offer, is the safe answer: OK
  // for a lone OK, otherwise Cancel.
  void messageAnswersTheButtonPressed() {
    using B = MsgButtons;
    using A = MsgAnswer;
    const std::tuple<const char*, MsgButtons, int, int, MsgAnswer> rows[] = {
        {"ok, Escape", B::Ok, 1, Qt::Key_Escape, A::Ok},
        {"ok cancel, Return", B::OkCancel, 2, Qt::Key_Return, A::Ok},
        {"ok cancel, Escape", B::OkCancel, 2, Qt::Key_Escape, A::Cancel},
        {"yes no, Return", B::YesNo, 2, Qt::Key_Return, A::Yes},
        {"yes no, No", B::YesNo, 2, 0, A::No},
        {"yes no cancel, Escape", B::YesNoCancel, 3, Qt::Key_Escape, A::Cancel},
    };
    dotcaster::QtPrompter prompter;
    for (const auto& [name, buttons, offered, key, answer] : rows) {
      bool shown_right = false;
      WhenModal<QMessageBox>([&](QMessageBox* box) {
        shown_right = box->text() == "Converted image is being edited.\n<b>Update?</b>" &&
                      box->textFormat() == Qt::PlainText && box->windowTitle() == "Dotcaster" &&
                      box->icon() == QMessageBox::Warning && box->buttons().size() == offered;
        key ? QTest::keyClick(box, static_cast<Qt::Key>(key))
            : box->button(QMessageBox::No)->click();
      });
      const MsgAnswer got = prompter.Message("Converted image is being edited.\r\n<b>Update?</b>",
                                             "Dotcaster", dotcaster::MsgIcon::Exclamation, buttons);
      QVERIFY2(shown_right && got == answer, name);
    }
    QCOMPARE(dotcaster::AnswerFor(QMessageBox::NoButton, MsgButtons::Ok), MsgAnswer::Ok);
    QCOMPARE(dotcaster::AnswerFor(QMessageBox::NoButton, MsgButtons::YesNo), MsgAnswer::Cancel);
    QCOMPARE(dotcaster::AnswerFor(QMessageBox::Yes, MsgButtons::OkCancel), MsgAnswer::Cancel);
  }

  // The dialog shows each filter's description exactly as written, and an index out of range
  // selects the first. Save asks before it overwrites only when the request says so. Cancel
  // is nothing; an open name comes back as the existing file, a save name exactly as typed.
  void fileDialogsShowTheRequestAndAnswerTheName() {
    dotcaster::testing::TempDir dir;
    dotcaster::testing::WriteAll(dir.File("cat.qdl"), {1, 0, 1, 0, 0});
    dotcaster::QtPrompter prompter;
    // Rows: filter index, save, confirm overwrite, filter selected, name typed (none: Cancel).
    const std::tuple<int, bool, bool, const char*, const char*> rows[] = {
        {2, false, true, "Quadrel(*.qdl)", "cat.qdl"}, {9, false, true, "Pictures", nullptr},
        {0, false, true, "Pictures", "cat.qdl"},       {1, true, true, "Pictures", "dog"},
        {1, true, false, "Pictures", nullptr},
    };
    for (const auto& [index, save, confirm, filter, typed] : rows) {
      const FileDialogRequest request{
          "Open on PC", dir.path().string(),
          "cat.",       {{"Pictures", "*.qdl;*.bmp;*.jpg"}, {"Quadrel(*.qdl)", "*.qdl"}},
          index,        true,
          confirm};
      WhenModal<QFileDialog>([&](QFileDialog* d) {
        const auto close = qScopeGuard([d] { d->isVisible() ? d->reject() : void(); });
        QCOMPARE(d->fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        QCOMPARE(d->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        QCOMPARE(d->testOption(QFileDialog::DontConfirmOverwrite), !(save && confirm));
        QCOMPARE(d->directory().canonicalPath(), QDir(dir.path()).canonicalPath());
        QCOMPARE(d->nameFilters(),
                 (QStringList{"Pictures (*.qdl *.bmp *.jpg)", "Quadrel(*.qdl) (*.qdl)"}));
        QVERIFY(d->testOption(QFileDialog::HideNameFilterDetails));
        QCOMPARE(d->selectedNameFilter(), QString(filter));
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        QCOMPARE(name->text(), QStringLiteral("cat."));
        if (!typed) return d->reject();
        name->setText(typed);
        QMetaObject::invokeMethod(d, "accept");
      });
      const auto got = save ? prompter.SaveFileName(request) : prompter.OpenFileName(request);
      QCOMPARE(got, typed ? std::optional(dir.File(typed)) : std::nullopt);
    }
  }

  // The device's questions go to its own dialogs. The disconnection box opens showing the
  // current setting; OK reports the new one, Cancel nothing.
  void deviceQuestionsGoToTheDeviceDialogs() {
    dotcaster::QtPrompter prompter;
    const dotcaster::DeviceFileDialogRequest request{
        false, "qdl", "B:\\graphics\\", "", [](const std::string&) {
          return std::optional<std::vector<dotcaster::DeviceEntry>>({{"dog.qdl"}});
        }};
    WhenModal<DeviceFileDialog>([](DeviceFileDialog* dialog) {
      dialog->nameField()->setText("dog");
      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(prompter.DeviceFileName(request), std::optional<std::string>("B:\\graphics\\dog.qdl"));
    for (const bool ok : {true, false}) {
      bool shown = ok;
      WhenModal<DisconnectionSetupDialog>([&](DisconnectionSetupDialog* d) {
        shown = d->refuse();
        d->checkBox()->setChecked(ok);
        ok ? d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click() : d->reject();
      });
      QCOMPARE(prompter.DisconnectionSetup(!ok), ok ? std::optional<bool>(true) : std::nullopt);
      QCOMPARE(shown, !ok);
    }
  }
};

QTEST_MAIN(QtPrompterTest)
#include "qt_prompter_test.moc"
