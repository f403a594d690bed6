#include <sys/stat.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QtTest>
#include <algorithm>

#include "devicelink/folder_link.h"
#include "formats/probe.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"
#include "test_env.h"
#include "unprivileged.h"

namespace dotcaster::testing {
namespace {

struct CountingHelp : HelpProvider {
  int shown = 0;
  void ShowTopics() override { ++shown; }
};

// Whether each named action or control is enabled.
bool Enabled(QDLmain& w, std::initializer_list<const char*> names) {
  return std::all_of(names.begin(), names.end(), [&](const char* name) {
    return w.findChild<QObject*>(name)->property("enabled").toBool();
  });
}

QString Caption(QDLmain& w, const char* name) {
  return w.findChild<QLabel*>(name)->text();
}

struct FileRow {
  const char* name;
  const char* failure;  // the message, or null for a picture that loads
  int width = 0, height = 0, out_width = 0, out_height = 0, conversions = 0;
  bool conv_controls = false;
  const char* title = "Dotcaster";
};
const FileRow kFileRows[] = {
    {"notes.txt", kNotImageMessage},
    {"empty.jpg", "Read error!"},
    {"empty.qdl", "Read error!"},
    {"pipe.jpg", "Read error!"},  // a FIFO: no wait for a writer
    {"pipe.qdl", "Read error!"},
    {"cat.qdl", nullptr, 102, 64, 102, 64, 0, false, "Dotcaster - PC:cat.qdl"},
    {"wide.qdl", nullptr, 400, 30, 320, 30, 1, false, "Dotcaster - PC:wide.qdl"},
    {"mono.bmp", nullptr, 40, 30, 40, 30, 1, false, "Dotcaster - Untitled"},
    {"big.jpg", nullptr, 640, 480, 320, 240, 1, true, "Dotcaster - Untitled"},
};

struct CloseRow {
  const char* name;
  bool modified, refuse;
  std::vector<MsgAnswer> answers;  // none: the desktop session ends
  bool save_cancelled, closes, write_fails = false;
};
using enum MsgAnswer;
const CloseRow kCloseRows[] = {
    {"changed, Cancel", true, false, {Cancel}, false, false},
    {"changed, No", true, false, {No}, false, true},
    {"changed, Yes", true, false, {Yes}, false, true},
    {"changed, Yes, save dialog cancelled", true, false, {Yes}, true, false},
    {"changed, Yes, the write fails", true, false, {Yes, Ok, Ok}, false, false, true},
    {"link refuses, keep the window", false, true, {Ok, No}, false, false},
    {"link refuses, close anyway", false, true, {Ok, Yes}, false, true},
    {"link refuses, changed, session ends", true, true, {}, false, true},
};

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  // Without an installation the program ends silently; without its user-data folder the
  // message comes once and start-up goes on.
  void IncompleteInstallation() {
    {
      WindowEnv env(Install::kNone);
      QVERIFY(env.Start() == nullptr);
      QVERIFY(env.prompter.messages.empty());
    }
    WindowEnv env(Install::kNoUserData);
    auto w = env.Start();
    QCOMPARE(env.prompter.MessageTexts(),
             std::vector<std::string>{
                 "Directory does not exist.\r\nPlease install the PC Application again."});
    QVERIFY(w->isVisible());
  }

  // Leftover working files of an earlier run go, and the window starts empty.
  void EmptyStartShowsTheEmptyWindow() {
    WindowEnv env;
    for (const char* name : {kWorkBmpName, kWorkDspName, kWorkClpName})
      WriteAll(JoinPath(env.user_data, name), {1, 2, 3});
    auto w = env.Start();
    for (const char* name : {kWorkBmpName, kWorkDspName, kWorkClpName})
      QVERIFY2(!Exists(JoinPath(env.user_data, name)), name);
    QVERIFY(env.prompter.messages.empty());
    QCOMPARE(w->windowTitle(), QString("Dotcaster"));
    QCOMPARE(w->findChild<QSlider*>("MONOSikii")->value(), 128);
    QCOMPARE(Caption(*w, "LabelSikii"), QString("128"));
    // The reset's move of the slider counts as the level of the result to come, but not as
    // a change of the picture.
    QCOMPARE(TheState().PrevLevel, 128);
    QVERIFY(!TheState().Modified);
    QCOMPARE(w->findChild<QComboBox*>("PhotoMode")->currentText(), QString("Document"));
    QCOMPARE(Caption(*w, "Label1_0"), QString("Source image"));
    QCOMPARE(Caption(*w, "Label1_1"), QString("Vantro image"));
    // An access key reaches one entry of its menu at once, not each in turn.
    QList<QList<QAction*>> menus = {w->menuBar()->actions()};
    for (const QMenu* menu : w->findChildren<QMenu*>())
      menus.append(menu->actions());
    for (const QList<QAction*>& entries : menus) {
      QString keys;
      for (const QAction* entry : entries) {
        const QString text = entry->text();
        if (const qsizetype at = text.indexOf('&'); at >= 0 && at + 1 < text.size()) {
          QVERIFY2(!keys.contains(text[at + 1].toLower()), qPrintable(text));
          keys += text[at + 1].toLower();
        }
      }
    }
    // F1 opens the help, also from a control; Shift+F1 does not.
    CountingHelp help;
    TheState().HelpDialog = &help;
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_F1, Qt::ShiftModifier);
    QCOMPARE(help.shown, 0);
    QTest::keyClick(w.get(), Qt::Key_F1);
    QTest::keyClick(w->findChild<QSlider*>("MONOSikii"), Qt::Key_F1);
    QCOMPARE(help.shown, 2);
    TheState().HelpDialog = nullptr;
  }

  // A text file is refused by name and a picture that cannot be read fails to load: the
  // window stays empty. A picture converts once (a Quadrel file of the device's size not at
  // all), shows both sizes with the result in front, and enables the picture commands, and
  // the conversion controls unless it is 1-bit already; the other commands are always on.
  void EachKindOfFileOnTheCommandLine_data() { AddRows(kFileRows); }
  void EachKindOfFileOnTheCommandLine() {
    const FileRow& row = Row(kFileRows);
    WindowEnv env;
    const std::string path = env.File(row.name);
    if (QString(row.name).startsWith("pipe")) {
      QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
    } else {
      WriteAll(path, {});
    }
    if (!row.failure) WritePicture(path, row.width, row.height);
    auto w = env.Start({path});
    QVERIFY(w && w->isVisible());
    QCOMPARE(env.prompter.MessageTexts(),
             row.failure ? std::vector<std::string>{row.failure} : std::vector<std::string>{});
    QCOMPARE(TheState().ImageLoaded, !row.failure);
    QCOMPARE(Enabled(*w, {"UpdateBMP", "Toolbar1_UpdateBMP", "EditPicture", "CopyResult"}),
             !row.failure);
    QCOMPARE(Enabled(*w, {"MONOSikii", "PhotoMode", "Label2", "Label3", "LabelSikii"}),
             row.conv_controls);
    QVERIFY(Enabled(*w, {"FileOpen", "FileOverWrite", "PasteClipboard", "MenuVersion"}));
    QCOMPARE(w->windowTitle(), QString(row.title));
    QCOMPARE(TheState().Modified, QString(row.title).endsWith("Untitled"));
    QCOMPARE(TheState().CurFileName.empty(), row.failure != nullptr);
    if (row.failure) return;
    QCOMPARE(w->controller().ConversionCount(), row.conversions);
    QCOMPARE(Caption(*w, "Label1_0"),
             QString("Source image (%1 x %2)").arg(row.width).arg(row.height));
    QCOMPARE(Caption(*w, "Label1_1"),
             QString("Vantro image (%1 x %2)").arg(row.out_width).arg(row.out_height));
    QCOMPARE(w->findChild<QLabel*>("Image1_1")->pixmap().size(),
             QSize(row.out_width, row.out_height));
    QVERIFY(w->ResultInFront());
  }

  // The command line is one path, quoted or not: an unquoted path with blanks arrives in
  // pieces.
  void CommandLineWithBlanks() {
    WindowEnv env;
    const std::string photo = WritePicture(env.File("my photo.jpg"), 64, 48);
    auto w = env.Start({"\"" + photo + "\""});
    QCOMPARE(TheState().CurFileName, photo);
    const std::string bmp = WritePicture(env.File("a b c.bmp"), 10, 10);
    w = env.Start({env.File("a"), "b", "c.bmp"});
    QCOMPARE(TheState().CurFileName, bmp);
  }

  // Closing asks to save a changed picture (Yes writes first, unless the save dialog is
  // cancelled; a failed write keeps the picture, its name and title) and says when the link
  // refuses to disconnect; the user may still close. The end of the desktop session asks
  // nothing. Closing removes two work files and keeps the pasted picture.
  void Close_data() { AddRows(kCloseRows); }
  void Close() {
    const CloseRow& r = Row(kCloseRows);
    const bool session_ends = r.answers.empty(), asks = !session_ends;
    WindowEnv env;
    auto w = env.Start({WritePicture(env.File("dog.jpg"), 30, 20)});
    WriteAll(TheState().WorkClpFile, {1});
    env.prompter.disconnection_answers.push_back(r.refuse);
    if (r.refuse) w->findChild<QAction*>("Disconnection")->trigger();
    env.prompter.message_answers.assign(r.answers.begin(), r.answers.end());
    const std::string locked = env.File("locked");
    std::filesystem::create_directories(locked);
    ::chmod(locked.c_str(), 0555);
    const std::string target = JoinPath(r.write_fails ? locked : env.File(""), "dog.qdl");
    env.prompter.save_answers.push_back(r.save_cancelled ? std::nullopt
                                                         : std::optional<std::string>(target));
    if (r.write_fails) env.prompter.save_answers.push_back(target);
    TheState().Modified = r.modified;

    QSignalSpy shut_down(w.get(), &QDLmain::shutDown);
    if (session_ends) {
      w->EndSession(false);
    } else {
      std::optional<AsUnprivilegedUser> nobody;
      if (r.write_fails) nobody.emplace();
      QCOMPARE(w->close(), r.closes);
      if (r.write_fails) w->controller().SaveToPc();
    }
    std::vector<std::string> asked;
    if (asks && r.modified) asked = {"Do you want to save change?"};
    if (r.write_fails) asked.insert(asked.end(), 2, "Write error!");
    if (asks && r.refuse) {
      asked = {kRefuseMessage,
               "Dotcaster could not disconnect from the Vantro.\r\nClose Dotcaster anyway?"};
    }
    QCOMPARE(env.prompter.MessageTexts(), asked);
    QCOMPARE(env.prompter.unscripted, 0);
    if (asks && r.modified) QCOMPARE(env.prompter.messages[0].buttons, MsgButtons::YesNoCancel);
    QCOMPARE(Exists(target),
             asks && r.answers[0] == MsgAnswer::Yes && !r.save_cancelled && !r.write_fails);
    QCOMPARE(w->isVisible(), !r.closes);
    QCOMPARE(shut_down.count(), r.closes ? 1 : 0);
    QCOMPARE(Exists(TheState().WorkDspFile), !r.closes);
    QCOMPARE(Exists(TheState().WorkBmpFile), !r.closes);
    QVERIFY(Exists(TheState().WorkClpFile));
    if (!r.closes) {
      QCOMPARE(TheState().Modified, r.modified);
      QCOMPARE(TheState().CurFileName, env.File("dog.jpg"));
      QCOMPARE(w->windowTitle(), QString("Dotcaster - Untitled"));
    }
    if (r.closes) QVERIFY2(w->close(), "a closed window closes again without a question");
    QCOMPARE(env.prompter.MessageTexts(), asked);
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::StartupTest)
#include "startup_test.moc"
