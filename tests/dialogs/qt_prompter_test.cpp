// The Qt prompter: how it sets up message boxes and the PC file dialogs from a request, and
// what it answers when those are run and closed.

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

Q_DECLARE_METATYPE(MsgButtons)
Q_DECLARE_METATYPE(MsgAnswer)

namespace {

FileDialogRequest OpenRequest(const std::string& folder) {
  FileDialogRequest r;
  r.title = "Open on PC";
  r.startFolder = folder;
  r.filters = {{"Graphic Files", "*.qdl;*.bmp;*.jpg;*.jpeg;*.jpe;*.jfif;*.gif"},
               {"Quadrel Files(*.qdl)", "*.qdl"},
               {"Bitmap Files(*.bmp)", "*.bmp"},
               {"JPEG Files(*.jpg,*.jpe,*.jpeg,*.jfif)", "*.jpg;*.jpe;*.jpeg;*.jfif"},
               {"GIF Files(*.gif)", "*.gif"}};
  r.mustExist = true;
  return r;
}

FileDialogRequest SaveRequest(const std::string& folder, const std::string& name) {
  FileDialogRequest r;
  r.title = "Save to PC";
  r.startFolder = folder;
  r.fileName = name;
  r.filters = {{"Quadrel(*.qdl)", "*.qdl"}, {"Bitmap(*.bmp)", "*.bmp"}};
  r.confirmOverwrite = true;
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

}  // namespace

class QtPrompterTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }

  void messageBoxSetup_data() {
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<int>("standardButtons");
    QTest::addColumn<int>("defaultButton");
    QTest::newRow("ok") << MsgButtons::Ok << int(QMessageBox::Ok) << int(QMessageBox::Ok);
    QTest::newRow("ok cancel") << MsgButtons::OkCancel << int(QMessageBox::Ok | QMessageBox::Cancel)
                               << int(QMessageBox::Ok);
    QTest::newRow("yes no") << MsgButtons::YesNo << int(QMessageBox::Yes | QMessageBox::No)
                            << int(QMessageBox::Yes);
    QTest::newRow("yes no cancel")
        << MsgButtons::YesNoCancel << int(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)
        << int(QMessageBox::Yes);
  }
  void messageBoxSetup() {
    QFETCH(MsgButtons, buttons);
    QFETCH(int, standardButtons);
    QFETCH(int, defaultButton);
    QMessageBox box;
    dotcaster::ConfigureMessageBox(box, "Converted image is being edited.\r\n<b>Update?</b>",
                                   "Dotcaster", MsgIcon::Exclamation, buttons);
    // Plain text with line feeds: nothing in a message is markup.
    QCOMPARE(box.text(), QStringLiteral("Converted image is being edited.\n<b>Update?</b>"));
    QCOMPARE(box.textFormat(), Qt::PlainText);
    QCOMPARE(box.windowTitle(), QStringLiteral("Dotcaster"));
    QCOMPARE(box.icon(), QMessageBox::Warning);
    QCOMPARE(int(box.standardButtons()), standardButtons);
    QVERIFY(box.defaultButton());
    QCOMPARE(int(box.standardButton(box.defaultButton())), defaultButton);
  }

  void answers_data() {
    QTest::addColumn<int>("clicked");
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<MsgAnswer>("answer");
    QTest::newRow("yes") << int(QMessageBox::Yes) << MsgButtons::YesNoCancel << MsgAnswer::Yes;
    QTest::newRow("no") << int(QMessageBox::No) << MsgButtons::YesNo << MsgAnswer::No;
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << MsgButtons::OkCancel
                            << MsgAnswer::Cancel;
    QTest::newRow("ok") << int(QMessageBox::Ok) << MsgButtons::OkCancel << MsgAnswer::Ok;
    QTest::newRow("closed, lone ok")
        << int(QMessageBox::NoButton) << MsgButtons::Ok << MsgAnswer::Ok;
    QTest::newRow("closed, yes/no")
        << int(QMessageBox::NoButton) << MsgButtons::YesNo << MsgAnswer::Cancel;
    QTest::newRow("button not offered")
        << int(QMessageBox::Yes) << MsgButtons::OkCancel << MsgAnswer::Cancel;
  }
  void answers() {
    QFETCH(int, clicked);
    QFETCH(MsgButtons, buttons);
    QFETCH(MsgAnswer, answer);
    QCOMPARE(dotcaster::AnswerFor(clicked, buttons), answer);
  }

  void messageRunsModallyAndReturnsTheButton() {
    dotcaster::QtPrompter prompter;
    WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    QCOMPARE(prompter.Message("Do you want to save change?", "Dotcaster", MsgIcon::Exclamation,
                              MsgButtons::YesNoCancel),
             MsgAnswer::No);
    WhenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(prompter.Message("q", "Dotcaster", MsgIcon::Question, MsgButtons::YesNoCancel),
             MsgAnswer::Cancel);
    WhenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(prompter.Message("q", "Dotcaster", MsgIcon::Question, MsgButtons::YesNoCancel),
             MsgAnswer::Yes);
    WhenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(prompter.Message("Read error!", "Dotcaster", MsgIcon::Exclamation, MsgButtons::Ok),
             MsgAnswer::Ok);
  }

  void nameFiltersKeepTheOrderAndDescriptions() {
    const QStringList filters = dotcaster::NameFilters(OpenRequest("").filters);
    QCOMPARE(filters, (QStringList{
                          "Graphic Files (*.qdl *.bmp *.jpg *.jpeg *.jpe *.jfif *.gif)",
                          "Quadrel Files(*.qdl) (*.qdl)",
                          "Bitmap Files(*.bmp) (*.bmp)",
                          "JPEG Files(*.jpg,*.jpe,*.jpeg,*.jfif) (*.jpg *.jpe *.jpeg *.jfif)",
                          "GIF Files(*.gif) (*.gif)",
                      }));
  }

  void openDialogSetup_data() {
    QTest::addColumn<int>("filterIndex");
    QTest::addColumn<QString>("selected");  // the filter the dialog shows
    // The patterns stay hidden: the dialog shows each description exactly as written.
    QTest::newRow("first") << 1 << "Graphic Files";
    QTest::newRow("third") << 3 << "Bitmap Files(*.bmp)";
    QTest::newRow("last") << 5 << "GIF Files(*.gif)";
    QTest::newRow("out of range falls back to the first") << 9 << "Graphic Files";
    QTest::newRow("zero falls back to the first") << 0 << "Graphic Files";
  }
  void openDialogSetup() {
    QFETCH(int, filterIndex);
    QFETCH(QString, selected);
    dotcaster::testing::TempDir dir;
    FileDialogRequest request = OpenRequest(dir.path().string());
    request.filterIndex = filterIndex;
    QFileDialog dialog;
    dotcaster::ConfigureFileDialog(dialog, request, false);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Open on PC"));
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(dialog.directory().canonicalPath(), Canonical(dir.path().string()));
    const QStringList filters = dotcaster::NameFilters(request.filters);
    QCOMPARE(dialog.nameFilters(), filters);
    QCOMPARE(dialog.selectedNameFilter(), selected);
    QVERIFY(dialog.testOption(QFileDialog::HideNameFilterDetails));
  }

  void saveDialogSetup() {
    dotcaster::testing::TempDir dir;
    QFileDialog dialog;
    dotcaster::ConfigureFileDialog(dialog, SaveRequest(dir.path().string(), "cat."), true);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Save to PC"));
    QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(dialog.fileMode(), QFileDialog::AnyFile);
    QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
    QVERIFY(dialog.defaultSuffix().isEmpty());
    QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Quadrel(*.qdl)"));
    QCOMPARE(dialog.directory().canonicalPath(), Canonical(dir.path().string()));
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    QCOMPARE(name->text(), QStringLiteral("cat."));

    FileDialogRequest no_confirm = SaveRequest(dir.path().string(), "");
    no_confirm.confirmOverwrite = false;
    QFileDialog quiet;
    dotcaster::ConfigureFileDialog(quiet, no_confirm, true);
    QVERIFY(quiet.testOption(QFileDialog::DontConfirmOverwrite));
  }

  void typedNameWithoutExtensionComesBackAsTyped() {
    dotcaster::testing::TempDir dir;
    dotcaster::QtPrompter prompter;
    WhenModal<QFileDialog>([](QFileDialog* dialog) {
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      name->setText(QStringLiteral("dog"));
      QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto chosen = prompter.SaveFileName(SaveRequest(dir.path().string(), "cat"));
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
    QVERIFY(!prompter.OpenFileName(OpenRequest(dir.path().string())).has_value());
    WhenModal<QFileDialog>([](QFileDialog* dialog) {
      dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
          ->setText(QStringLiteral("cat.qdl"));
      QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto chosen = prompter.OpenFileName(OpenRequest(dir.path().string()));
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
