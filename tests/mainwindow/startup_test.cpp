// Start-up, shutdown, the title and the enabling rules of the main window.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QtTest>
#include <filesystem>
#include <map>

#include "devicelink/folder_link.h"
#include "formats/probe.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {

constexpr const char* kMissingFolder =
    "Directory does not exist.\r\nPlease install the PC Application again.";

class CountingHelp : public HelpProvider {
 public:
  int shown = 0;
  void ShowTopics() override { ++shown; }
};

bool Enabled(QDLmain& w, const char* action) {
  auto* a = w.findChild<QAction*>(action);
  if (!a) qFatal("no action %s", action);
  return a->isEnabled();
}

bool ConvEnabled(QDLmain& w) {
  return w.findChild<QSlider*>("MONOSikii")->isEnabled() &&
         w.findChild<QComboBox*>("PhotoMode")->isEnabled() &&
         w.findChild<QLabel*>("Label2")->isEnabled() &&
         w.findChild<QLabel*>("Label3")->isEnabled() &&
         w.findChild<QLabel*>("LabelSikii")->isEnabled();
}

QString Caption(QDLmain& w, const char* name) {
  return w.findChild<QLabel*>(name)->text();
}

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
    QVERIFY(w);
    QCOMPARE(env.prompter.MessageTexts(), std::vector<std::string>{kMissingFolder});
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("Dotcaster"));
  }

  // Leftover working files of an earlier run go, and the window starts empty.
  void EmptyStartShowsTheEmptyWindow() {
    WindowEnv env;
    for (const char* name : {kWorkBmpName, kWorkDspName, kWorkClpName})
      WriteAll(JoinPath(env.UserData(), name), {1, 2, 3});
    auto w = env.Start();
    QVERIFY(w);
    for (const char* name : {kWorkBmpName, kWorkDspName, kWorkClpName})
      QVERIFY2(!Exists(JoinPath(env.UserData(), name)), name);
    QVERIFY(env.prompter.messages.empty());
    QCOMPARE(w->windowTitle(), QString("Dotcaster"));
    QVERIFY(!Enabled(*w, "UpdateBMP"));
    QVERIFY(!Enabled(*w, "Toolbar1_UpdateBMP"));
    QVERIFY(!Enabled(*w, "EditPicture"));
    QVERIFY(!Enabled(*w, "CopyResult"));
    QVERIFY(!ConvEnabled(*w));
    QCOMPARE(w->findChild<QSlider*>("MONOSikii")->value(), 128);
    QCOMPARE(Caption(*w, "LabelSikii"), QString("128"));
    // The reset's move of the slider counts as the level of the result to come.
    QCOMPARE(TheState().PrevLevel, 128);
    QCOMPARE(w->findChild<QComboBox*>("PhotoMode")->currentText(), QString("Document"));
    QCOMPARE(Caption(*w, "Label1_0"), QString("Source image"));
    QCOMPARE(Caption(*w, "Label1_1"), QString("Vantro image"));
    // The reset's own slider and list changes do not count as a change of the picture.
    QVERIFY(!TheState().Modified);
    QCOMPARE(TheState().OutWidth, 102);
    QCOMPARE(TheState().OutHeight, 64);
  }

  void QuotedCommandLinePictureIsLoaded() {
    WindowEnv env;
    const std::string photo = WriteJpeg(env.File("my photo.jpg"), 64, 48);
    auto w = env.Start({"\"" + photo + "\""});
    QVERIFY(w);
    QVERIFY(env.prompter.messages.empty());
    QVERIFY(TheState().ImageLoaded);
    QCOMPARE(TheState().CurFileName, photo);
    QCOMPARE(TheState().FileOnPC, 1);
    QCOMPARE(w->windowTitle(), QString("Dotcaster - Untitled"));
    QCOMPARE(Caption(*w, "Label1_0"), QString("Source image (64 x 48)"));
    QCOMPARE(Caption(*w, "Label1_1"), QString("Vantro image (64 x 48)"));
    QVERIFY(w->ResultInFront());
    QVERIFY(TheState().Modified);

    // The command line is one path; an unquoted path with blanks arrives in pieces.
    const std::string bmp = WriteBmp24(env.File("a b c.bmp"), 10, 10);
    w = env.Start({env.File("a"), "b", "c.bmp"});
    QVERIFY(TheState().ImageLoaded);
    QCOMPARE(TheState().CurFileName, bmp);
  }

  // A text file is refused by name and a picture that cannot be read fails to load: the
  // window stays empty. A picture enables the picture commands, and the conversion controls
  // unless it is 1-bit already; the other commands are always enabled.
  void EachKindOfFileOnTheCommandLine() {
    const struct {
      const char* name;
      const char* failure;  // the message, or null for a picture that loads
      bool conv_controls = false;
    } rows[] = {
        {"notes.txt", kNotImageMessage}, {"empty.jpg", "Read error!"},
        {"garbage.gif", "Read error!"},  {"truncated.jpg", "Read error!"},
        {"short.qdl", "Read error!"},    {"cat.qdl", nullptr, false},
        {"mono.bmp", nullptr, false},    {"photo.jpg", nullptr, true},
        {"colour.bmp", nullptr, true},   {"anim.gif", nullptr, true},
    };
    const std::map<std::string, std::vector<std::uint8_t>> broken = {
        {"notes.txt", {'h', 'i'}},
        {"empty.jpg", {}},
        {"garbage.gif", {'G', 'I', 'F', '8', '9', 'a', 1}},
        {"truncated.jpg", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x10, 0x00, 0x10}},
        {"short.qdl", {5}}};
    for (const auto& row : rows) {
      WindowEnv env;
      const std::string name = row.name, path = env.File(name);
      if (row.failure) WriteAll(path, broken.at(name));
      if (name == "cat.qdl") WriteQdl(path, 102, 64);
      if (name == "mono.bmp") WriteMonoBmp(path, 40, 30);
      if (name == "photo.jpg") WriteJpeg(path, 50, 40);
      if (name == "colour.bmp") WriteBmp24(path, 50, 40);
      if (name == "anim.gif") WriteGif(path, 50, 40);
      auto w = env.Start({path});
      QVERIFY(w && w->isVisible());
      QCOMPARE(env.prompter.MessageTexts(),
               row.failure ? std::vector<std::string>{row.failure} : std::vector<std::string>{});
      QVERIFY2(TheState().ImageLoaded == !row.failure, row.name);
      for (const char* action : {"UpdateBMP", "Toolbar1_UpdateBMP", "EditPicture", "CopyResult"})
        QVERIFY2(Enabled(*w, action) == !row.failure, row.name);
      QVERIFY2(ConvEnabled(*w) == row.conv_controls, row.name);
      QVERIFY(Enabled(*w, "FileOpen") && Enabled(*w, "FileOverWrite") &&
              Enabled(*w, "PasteClipboard") && Enabled(*w, "MenuVersion"));
      if (!row.failure) continue;
      QVERIFY(TheState().CurFileName.empty());
      QCOMPARE(w->windowTitle(), QString("Dotcaster"));
      QVERIFY(!TheState().Modified);
    }
  }

  void F1OpensTheHelpAndShiftF1DoesNot() {
    WindowEnv env;
    auto w = env.Start();
    QVERIFY(w);
    CountingHelp help;
    TheState().HelpDialog = &help;
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QTest::keyClick(w.get(), Qt::Key_F1, Qt::ShiftModifier);
    QCOMPARE(help.shown, 0);
    QTest::keyClick(w.get(), Qt::Key_F1);
    QCOMPARE(help.shown, 1);
    QTest::keyClick(w->findChild<QSlider*>("MONOSikii"), Qt::Key_F1);
    QCOMPARE(help.shown, 2);
    TheState().HelpDialog = nullptr;
  }

  // The save prompt on close: Cancel keeps the window, No closes without writing, Yes
  // writes first, unless the save dialog is cancelled. Closing removes two work files and
  // keeps the pasted picture.
  void CloseAsksToSaveChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("dialogCancelled");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("written");
    QTest::newRow("cancel") << int(MsgAnswer::Cancel) << false << false << false;
    QTest::newRow("no") << int(MsgAnswer::No) << false << true << false;
    QTest::newRow("yes") << int(MsgAnswer::Yes) << false << true << true;
    QTest::newRow("yes, save dialog cancelled") << int(MsgAnswer::Yes) << true << false << false;
  }
  void CloseAsksToSaveChanges() {
    QFETCH(int, answer);
    QFETCH(bool, dialogCancelled);
    QFETCH(bool, closes);
    QFETCH(bool, written);
    WindowEnv env;
    auto w = env.Start({WriteJpeg(env.File("dog.jpg"), 30, 20)});
    QVERIFY(w);
    WriteAll(TheState().WorkClpFile, {1});
    const std::string target = env.File("dog.qdl");
    env.prompter.message_answers.push_back(static_cast<MsgAnswer>(answer));
    env.prompter.save_answers.push_back(dialogCancelled ? std::nullopt
                                                        : std::optional<std::string>(target));

    QCOMPARE(w->close(), closes);
    QCOMPARE(env.prompter.MessageTexts(), std::vector<std::string>{"Do you want to save change?"});
    QCOMPARE(env.prompter.messages[0].buttons, MsgButtons::YesNoCancel);
    QCOMPARE(Exists(target), written);
    QCOMPARE(w->isVisible(), !closes);
    QCOMPARE(Exists(TheState().WorkDspFile), !closes);
    QCOMPARE(Exists(TheState().WorkBmpFile), !closes);
    QVERIFY(Exists(TheState().WorkClpFile));
    if (!closes) QVERIFY(TheState().Modified);
  }

  // The link refuses to disconnect once its setup says so: it tells why, and the user may
  // still close. The end of the desktop session is never refused and asks nothing.
  void DisconnectionRefusal_data() {
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("sessionEnds");
    QTest::addColumn<bool>("closes");
    QTest::newRow("allowed") << false << -1 << false << true;
    QTest::newRow("refused, keep the window") << true << int(MsgAnswer::No) << false << false;
    QTest::newRow("refused, close anyway") << true << int(MsgAnswer::Yes) << false << true;
    QTest::newRow("refused, session ends") << true << -1 << true << true;
  }
  void DisconnectionRefusal() {
    QFETCH(bool, refuse);
    QFETCH(int, answer);
    QFETCH(bool, sessionEnds);
    QFETCH(bool, closes);
    WindowEnv env;
    auto w = env.Start({WriteQdl(env.File("cat.qdl"), 16, 16)});
    QVERIFY(w);
    env.prompter.disconnection_answers.push_back(refuse);
    w->findChild<QAction*>("Disconnection")->trigger();
    QCOMPARE(env.prompter.disconnection_requests, 1);
    if (answer >= 0) env.prompter.message_answers = {MsgAnswer::Ok, static_cast<MsgAnswer>(answer)};
    TheState().Modified = sessionEnds;  // the silent end of a session asks nothing

    QSignalSpy shut_down(w.get(), &QDLmain::shutDown);
    if (sessionEnds) {
      w->EndSession(false);
    } else {
      QCOMPARE(w->close(), closes);
    }
    const std::vector<std::string> asked =
        refuse && !sessionEnds
            ? std::vector<std::string>{kRefuseMessage,
                                       "Dotcaster could not disconnect from the Vantro.\r\n"
                                       "Close Dotcaster anyway?"}
            : std::vector<std::string>{};
    QCOMPARE(env.prompter.MessageTexts(), asked);
    QCOMPARE(env.prompter.unscripted, 0);
    QCOMPARE(w->isVisible(), !closes);
    QCOMPARE(shut_down.count(), closes ? 1 : 0);
    QCOMPARE(Exists(TheState().WorkDspFile), !closes);
    QCOMPARE(Exists(TheState().WorkBmpFile), !closes);
    if (closes) QVERIFY2(w->close(), "a closed window closes again without a question");
    QCOMPARE(env.prompter.MessageTexts(), asked);
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::StartupTest)
#include "startup_test.moc"
