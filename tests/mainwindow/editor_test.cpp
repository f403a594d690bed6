// The round trip through an outside bitmap editor (editor_stub), and the question every
// control that converts asks after a take-back.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "devicelink/settings.h"
#include "dialogs/convert_size_dialog.h"
#include "formats/quadrel.h"
#include "link_env.h"
#include "mainwindow/editor_round_trip.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {

namespace fs = std::filesystem;

// A window with an 80 x 60 photo, the stand-in editor in `mode` named as `editor` says
// (the variable, the setting, installed as pinta beside a gimp that edits nothing, or
// missing), only the test's folder in the path, and the system's temporary folder in it
// (a name that needs quoting in a shell).
struct Editing {
  WindowEnv env;
  const std::string tmp_dir = env.File("t m \"p\""),
                    stub = qEnvironmentVariable("EDITOR_STUB").toStdString();
  ScopedEnv tmp{"TMPDIR", tmp_dir};
  ScopedEnv path{"PATH", FromFsPath(env.dir.path())};
  ScopedEnv variable, mode;
  ScopedEnv log{"EDITOR_STUB_LOG", env.File("editor.log")};
  ScopedEnv go{"EDITOR_STUB_GO", env.File("go")};
  std::unique_ptr<QDLmain> w;

  explicit Editing(const std::string& stub_mode, const std::string& editor = "variable")
      : variable(kBitmapEditorVariable, editor == "variable"  ? stub
                                        : editor == "missing" ? env.File("no editor")
                                                              : ""),
        mode("EDITOR_STUB_MODE", stub_mode) {
    if (editor == "setting") SaveSetting(kSettingsSection, kBitmapEditorKey, stub);
    if (editor == "installed") {
      fs::create_symlink(stub, env.File("pinta"));
      fs::create_symlink("/bin/true", env.File("gimp"));
    }
    fs::create_directories(tmp_dir);
    w = env.Start({WritePicture(env.File("photo.jpg"), 80, 60)});
  }
};

struct Outcome {
  const char* name;
  const char* mode;
  const char* from;    // the menu, the pop-up menu or a double click on the result
  const char* editor;  // named by the variable, the setting, or installed as pinta
  const char* message;
  bool taken_back;
};
const Outcome kOutcomes[] = {
    {"dot flipped in place", "flip", "menu", "variable", nullptr, true},
    {"124-byte header, white first", "v5", "double click", "setting", nullptr, true},
    {"24 bits", "rgb24", "pop-up", "installed", kEditedCopyRefusedMessage, false},
    {"a row shorter", "shorter", "menu", "variable", kEditedCopyRefusedMessage, false},
    {"not saved", "none", "pop-up", "variable", nullptr, false},
    {"not saved, after a while", "slow", "menu", "variable", nullptr, false},
    {"handed to another process", "handoff", "menu", "variable", nullptr, false},
    {"cannot be started", "none", "menu", "missing", kCannotRunEditorMessage, false},
};

// Counts the paints of the widget it watches.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    paints += e->type() == QEvent::Paint;
    return false;
  }
};

}  // namespace

class EditorTest : public QObject {
  Q_OBJECT

 private slots:
  void Outcomes_data() { AddRows(kOutcomes); }
  void Outcomes() {
    const Outcome& o = Row(kOutcomes);
    const std::string mode = o.mode, from = o.from, editor = o.editor;
    Editing t(mode, editor);
    TheState().Modified = false;
    const std::vector<std::uint8_t> before = ReadAll(TheState().WorkDspFile);
    auto* result = t.w->findChild<QLabel*>("Image1_1");
    const QImage shown_before = result->pixmap().toImage();
    // While a slow editor runs the window is disabled, paints, refuses to close and leaves
    // the processor to others.
    PaintCounter counter;
    QWidget* client = t.w->findChild<QWidget*>("Client");
    client->installEventFilter(&counter);
    int paints_before = -1;
    bool refused = false;
    if (mode == "slow") {
      QTimer::singleShot(300, [&] {
        paints_before = counter.paints;
        client->update();
      });
      QTimer::singleShot(1000, [&] {
        refused = !t.w->isEnabled() && !t.w->close();
        std::ofstream(t.env.File("go"));
      });
    }
    const std::clock_t cpu = std::clock();
    const auto wall = std::chrono::steady_clock::now();
    if (from == "menu") t.w->findChild<QAction*>("EditPicture")->trigger();
    if (from == "pop-up") t.w->findChild<QAction*>("EditPicture2")->trigger();
    if (from == "double click") QTest::mouseDClick(result, Qt::LeftButton, {}, {5, 5});
    const double cpu_s = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    const std::chrono::duration<double> wall_s = std::chrono::steady_clock::now() - wall;
    std::ofstream(t.env.File("go"));  // a process the editor handed the copy to goes on
    if (mode == "slow") {
      QVERIFY(paints_before >= 0 && counter.paints > paints_before);
      QVERIFY(refused);
      QVERIFY2(cpu_s < 0.1 * wall_s.count(), qPrintable(QString("%1 s busy").arg(cpu_s)));
    }

    QCOMPARE(t.env.prompter.MessageTexts(),
             o.message ? std::vector<std::string>{o.message} : std::vector<std::string>{});
    QVERIFY(t.w->isEnabled() && t.w->isVisible());
    QVERIFY(fs::is_empty(t.tmp_dir));
    // The editor started once, on $$hhnnss.bmp in the temporary folder, named at the start.
    std::ifstream log(t.env.File("editor.log"));
    std::string copy, again;
    std::getline(log, copy);
    QVERIFY(!std::getline(log, again));
    QCOMPARE(copy.empty(), editor == "missing");
    if (!copy.empty()) {
      QCOMPARE(FolderPart(copy), JoinPath(t.tmp_dir, ""));
      const QTime time =
          QTime::fromString(QString::fromStdString(FileNamePart(copy)), "'$$'HHmmss'.bmp'");
      QVERIFY2(time.isValid() && (time.secsTo(QTime::currentTime()) + 86400) % 86400 < 10,
               copy.c_str());
    }

    const std::vector<std::uint8_t> after = ReadAll(TheState().WorkDspFile);
    QCOMPARE(TheState().Modified, o.taken_back);
    QCOMPARE(TheState().ResultEdited, o.taken_back);
    QCOMPARE(after == before, !o.taken_back);
    if (!o.taken_back) return;
    // The program's own bitmap again with exactly the top-left dot changed (the first byte
    // of the last of 60 rows of 12 bytes), in the view too.
    std::vector<std::uint8_t> expected = before;
    expected[kBmpHeaderSize + 59 * 12] ^= 0x80;
    QCOMPARE(after, expected);
    const QImage shown = result->pixmap().toImage();
    QVERIFY(shown.pixel(0, 0) != shown_before.pixel(0, 0));
    QCOMPARE(shown.pixel(1, 0), shown_before.pixel(1, 0));
  }

  // After a take-back every control that converts again asks first; Cancel keeps the edits
  // and puts the control back, OK converts.
  void ControlsAskAfterATakeBack_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("answer");
    for (const char* control : {"slider", "method", "crop", "size"}) {
      for (const char* answer : {"ok", "cancel"})
        QTest::addRow("%s %s", control, answer) << control << answer;
    }
  }
  void ControlsAskAfterATakeBack() {
    QFETCH(QString, control);
    QFETCH(QString, answer);
    const bool go_on = answer == "ok";
    Editing t("flip");
    t.w->controller().EditResultImage();
    const std::vector<std::uint8_t> result = ReadAll(TheState().WorkDspFile);
    const int conversions = t.w->controller().ConversionCount();
    auto* slider = t.w->findChild<QSlider*>("MONOSikii");
    auto* method = t.w->findChild<QComboBox*>("PhotoMode");
    const int level = slider->value();
    TheState().Modified = false;
    t.env.prompter.message_answers.push_back(go_on ? MsgAnswer::Ok : MsgAnswer::Cancel);

    if (control == "slider") slider->setValue(level + 20);
    if (control == "method") method->setCurrentIndex(1);
    if (control == "crop") {
      QWidget* image = t.w->findChild<QLabel*>("Image1_0");
      QTest::mousePress(image, Qt::LeftButton, {}, {10, 20});
      QTest::mouseMove(image, {40, 30});
      QTest::mouseRelease(image, Qt::LeftButton, {}, {40, 30});
    }
    if (control == "size") {
      QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDLChange*>(QApplication::activeModalWidget());
        if (!dialog) qFatal("the Convert Size dialog did not open");
        dialog->findChild<QRadioButton*>("QDLSize_1")->click();
        dialog->findChild<QPushButton*>("Command1")->click();
      });
      t.w->findChild<QAction*>("UpdateBMP")->trigger();
    }

    QCOMPARE(t.env.prompter.MessageTexts(),
             std::vector<std::string>{"Converted image is being edited.\r\n"
                                      "Do you want to update graphical image after edited?"});
    QCOMPARE(t.env.prompter.messages[0].buttons, MsgButtons::OkCancel);
    QCOMPARE(TheState().ResultEdited, !go_on);
    QCOMPARE(TheState().Modified, go_on);
    QCOMPARE(t.w->controller().ConversionCount(), conversions + (go_on ? 1 : 0));
    QCOMPARE(ReadAll(TheState().WorkDspFile) == result, !go_on);
    QCOMPARE(slider->value(), control == "slider" && go_on ? level + 20 : level);
    QCOMPARE(t.w->findChild<QLabel*>("LabelSikii")->text().toInt(), slider->value());
    QCOMPARE(method->currentIndex(), control == "method" && go_on ? 1 : 0);
    QCOMPARE(TheState().PrevPhotoMode, method->currentIndex());
    QCOMPARE(TheState().CropActive, control == "crop" && go_on);
    QCOMPARE(TheState().SizeMode, control == "size" && go_on ? kSizeFull : kSizeCustom);
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::EditorTest)
#include "editor_test.moc"
