// The Qt prompter: the message boxes and the PC file dialogs it sets up from a request, run
// and closed as a user would, and what it answers.

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "dialogs/device_dialogs.h"
#include "dialogs/qt_prompter.h"
#include "temp_dir.h"

using dotcaster::FileDialogRequest;
using dotcaster::MsgAnswer;
using dotcaster::MsgButtons;
using dotcaster::MsgIcon;

namespace {

// A request of the shape the window makes, with filters of its own.
FileDialogRequest Request(const std::string& folder, int filter_index = 1) {
  FileDialogRequest r;
  r.title = "Open on PC";
  r.startFolder = folder;
  r.filters = {{"Pictures", "*.qdl;*.bmp;*.jpg"}, {"Quadrel(*.qdl)", "*.qdl"}};
  r.filterIndex = filter_index;
  r.mustExist = true;
  return r;
}

// Runs `act` on the modal widget of type W once it is up.
template <class W>
void WhenModal(std::function<void(W*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(w);
    }
  });
  timer->start();
}

QString Canonical(const std::string& path) {
  return QDir(QString::fromStdString(path)).canonicalPath();
}

struct MessageRow {
  const char* name;
  MsgButtons buttons;
  int offered;                        // buttons shown
  int key;                            // Return or Escape pressed, or 0 and
  QMessageBox::StandardButton click;  // this button clicked
  MsgAnswer answer;
};
const MessageRow kMessages[] = {
    {"ok, Return", MsgButtons::Ok, 1, Qt::Key_Return, {}, MsgAnswer::Ok},
    {"ok, Escape", MsgButtons::Ok, 1, Qt::Key_Escape, {}, MsgAnswer::Ok},
    {"ok cancel, Return", MsgButtons::OkCancel, 2, Qt::Key_Return, {}, MsgAnswer::Ok},
    {"ok cancel, Escape", MsgButtons::OkCancel, 2, Qt::Key_Escape, {}, MsgAnswer::Cancel},
    {"yes no, Return", MsgButtons::YesNo, 2, Qt::Key_Return, {}, MsgAnswer::Yes},
    {"yes no, No", MsgButtons::YesNo, 2, 0, QMessageBox::No, MsgAnswer::No},
    {"yes no cancel, Return", MsgButtons::YesNoCancel, 3, Qt::Key_Return, {}, MsgAnswer::Yes},
    {"yes no cancel, No", MsgButtons::YesNoCancel, 3, 0, QMessageBox::No, MsgAnswer::No},
    {"yes no cancel, Escape", MsgButtons::YesNoCancel, 3, Qt::Key_Escape, {}, MsgAnswer::Cancel},
};

}  // namespace

class QtPrompterTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

  // The box shows the text as plain text with line feeds (nothing in a message is markup),
  // offers its buttons, and answers with the one pressed.
  void messageAnswersTheButtonPressed_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kMessages)); ++i)
      QTest::newRow(kMessages[i].name) << i;
  }
  void messageAnswersTheButtonPressed() {
    QFETCH(int, row);
    const MessageRow& m = kMessages[row];
    dotcaster::QtPrompter prompter;
    bool shown_right = false;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      shown_right = box->text() == "Converted image is being edited.\n<b>Update?</b>" &&
                    box->textFormat() == Qt::PlainText && box->windowTitle() == "Dotcaster" &&
                    box->icon() == QMessageBox::Warning && box->buttons().size() == m.offered;
      if (m.key) {
        QTest::keyClick(box, static_cast<Qt::Key>(m.key));
      } else if (QAbstractButton* button = box->button(m.click)) {
        button->click();
      } else {
        box->reject();
      }
    });
    QCOMPARE(prompter.Message("Converted image is being edited.\r\n<b>Update?</b>", "Dotcaster",
                              MsgIcon::Exclamation, m.buttons),
             m.answer);
    QVERIFY(shown_right);
  }

  // A box closed without a button, or a button the question did not offer, is the safe
  // answer: OK for a lone OK, otherwise Cancel.
  void answerWithoutAnOfferedButton() {
    QCOMPARE(dotcaster::AnswerFor(QMessageBox::NoButton, MsgButtons::Ok), MsgAnswer::Ok);
    QCOMPARE(dotcaster::AnswerFor(QMessageBox::NoButton, MsgButtons::YesNo), MsgAnswer::Cancel);
    QCOMPARE(dotcaster::AnswerFor(QMessageBox::Yes, MsgButtons::OkCancel), MsgAnswer::Cancel);
  }

  // The patterns are hidden: the dialog shows each description exactly as written, and an
  // index out of range selects the first filter.
  void openDialogSetup_data() {
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("selected");
    QTest::newRow("first") << 1 << "Pictures";
    QTest::newRow("last") << 2 << "Quadrel(*.qdl)";
    QTest::newRow("beyond the last") << 9 << "Pictures";
    QTest::newRow("zero") << 0 << "Pictures";
  }
  void openDialogSetup() {
    QFETCH(int, filterIndex);
    QFETCH(QString, selected);
    dotcaster::testing::TempDir dir;
    QFileDialog dialog;
    dotcaster::ConfigureFileDialog(dialog, Request(dir.path().string(), filterIndex), false);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Open on PC"));
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(dialog.directory().canonicalPath(), Canonical(dir.path().string()));
    QCOMPARE(dialog.nameFilters(),
             (QStringList{"Pictures (*.qdl *.bmp *.jpg)", "Quadrel(*.qdl) (*.qdl)"}));
    QCOMPARE(dialog.selectedNameFilter(), selected);
    QVERIFY(dialog.testOption(QFileDialog::HideNameFilterDetails));
  }

  void saveDialogSetup() {
    dotcaster::testing::TempDir dir;
    FileDialogRequest request = Request(dir.path().string());
    request.fileName = "cat.";
    request.confirmOverwrite = true;
    QFileDialog dialog;
    dotcaster::ConfigureFileDialog(dialog, request, true);
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog.fileMode(), QFileDialog::AnyFile);
    QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
    QVERIFY(dialog.defaultSuffix().isEmpty());
    QCOMPARE(dialog.directory().canonicalPath(), Canonical(dir.path().string()));
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(),
             QStringLiteral("cat."));

    request.confirmOverwrite = false;
    QFileDialog quiet;
    dotcaster::ConfigureFileDialog(quiet, request, true);
    QVERIFY(quiet.testOption(QFileDialog::DontConfirmOverwrite));
  }

  void typedNameWithoutExtensionComesBackAsTyped() {
    dotcaster::testing::TempDir dir;
    dotcaster::QtPrompter prompter;
    WhenModal<QFileDialog>([](QFileDialog* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("dog");
      QMetaObject::invokeMethod(dialog, "accept");
    });
    FileDialogRequest request = Request(dir.path().string());
    request.fileName = "cat";
    const auto chosen = prompter.SaveFileName(request);
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(QString::fromStdString(*chosen)).fileName(), QStringLiteral("dog"));
    QCOMPARE(QFileInfo(QString::fromStdString(*chosen)).dir().canonicalPath(),
             Canonical(dir.path().string()));
  }

  void openReturnsAnExistingFileOrNothingWhenCancelled() {
    dotcaster::testing::TempDir dir;
    const std::string path = dir.File("cat.qdl");
    dotcaster::testing::WriteAll(path, {1, 0, 1, 0, 0});
    dotcaster::QtPrompter prompter;
    WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QVERIFY(!prompter.OpenFileName(Request(dir.path().string())).has_value());
    WhenModal<QFileDialog>([](QFileDialog* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("cat.qdl");
      QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto chosen = prompter.OpenFileName(Request(dir.path().string()));
    QVERIFY(chosen.has_value());
    QCOMPARE(QFileInfo(QString::fromStdString(*chosen)).canonicalFilePath(),
             QFileInfo(QString::fromStdString(path)).canonicalFilePath());
  }

  void deviceQuestionsGoToTheDeviceDialogs() {
    dotcaster::QtPrompter prompter;
    dotcaster::DeviceFileDialogRequest request;
    request.fileType = "qdl";
    request.startFolder = "B:\\graphics\\";
    request.list = [](const std::string&) {
      return std::optional<std::vector<dotcaster::DeviceEntry>>({{"dog.qdl"}});
    };
    WhenModal<dotcaster::DeviceFileDialog>([](dotcaster::DeviceFileDialog* dialog) {
      dialog->nameField()->setText("dog");
      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(prompter.DeviceFileName(request), std::optional<std::string>("B:\\graphics\\dog.qdl"));
    request.save = true;
    WhenModal<dotcaster::DeviceFileDialog>(
        [](dotcaster::DeviceFileDialog* dialog) { dialog->close(); });
    QCOMPARE(prompter.DeviceFileName(request), std::nullopt);

    // The box opens showing the current setting; OK reports the new one, Cancel nothing.
    bool shown = true;
    WhenModal<dotcaster::DisconnectionSetupDialog>([&](dotcaster::DisconnectionSetupDialog* d) {
      shown = d->checkBox()->isChecked() || d->refuse();
      d->checkBox()->setChecked(true);
      d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(prompter.DisconnectionSetup(false), std::optional<bool>(true));
    QVERIFY(!shown);
    WhenModal<dotcaster::DisconnectionSetupDialog>([&](dotcaster::DisconnectionSetupDialog* d) {
      shown = d->checkBox()->isChecked();
      d->checkBox()->setChecked(false);
      d->reject();
    });
    QCOMPARE(prompter.DisconnectionSetup(true), std::nullopt);
    QVERIFY(shown);
  }
};

QTEST_MAIN(QtPrompterTest)
#include "qt_prompter_test.moc"
