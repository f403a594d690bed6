// The conversion-setting handlers, the conversion driver's window side and the PC file
// commands, driven through the controller as the menus and controls drive them.

#include <sys/stat.h>

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QSlider>
#include <QtTest>
#include <filesystem>

#include "convert/random.h"
#include "devicelink/settings.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"
#include "test_env.h"
#include "unprivileged.h"

namespace dotcaster::testing {
namespace {

QSlider* Slider(QDLmain& w) {
  return w.findChild<QSlider*>("MONOSikii");
}
QComboBox* Method(QDLmain& w) {
  return w.findChild<QComboBox*>("PhotoMode");
}
QString LevelText(QDLmain& w) {
  return w.findChild<QLabel*>("LabelSikii")->text();
}

// A window with a photo loaded (one conversion already ran).
struct Loaded {
  WindowEnv env;
  std::unique_ptr<QDLmain> w = env.Start({WritePicture(env.File("photo.jpg"), 80, 60)});
  MainController& c() { return w->controller(); }
  int conversions() { return w->controller().ConversionCount(); }
};

struct DotsRow {
  const char* name;
  const char* file;
  int width, height, method;
  bool crop = false;  // a frame dragged over the source view first
};
const DotsRow kDotsRows[] = {
    {"jpeg document", "p.jpg", 90, 70, 0},
    {"jpeg sharp", "p.jpg", 90, 70, 1},
    {"large jpeg soft", "big.jpeg", 700, 500, 2},
    {"bitmap sharp", "p.bmp", 77, 33, 1},
    {"gif soft", "p.gif", 60, 45, 2},
    {"quadrel", "p.qdl", 500, 40, 0},
    {"mono bitmap", "mono.bmp", 60, 20, 0},
    // A camera's colour profile before the frame (an APP2 segment of 40,000 bytes) that a
    // 16-bit measure of the header misreads.
    {"jpeg with a large profile", "profile.jpg", 640, 480, 0},
    {"large jpeg cropped, sharp", "crop.jpg", 700, 500, 1, true},
};

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  // The slider converts once its value settles, not while the thumb is held, and the
  // method list when its choice changes; a value equal to the last one's is no change.
  void SettingsConvertOnlyWhenTheyChange() {
    Loaded t;
    QSlider* s = Slider(*t.w);
    s->setSliderDown(true);
    for (int position : {130, 150, 170})
      s->setSliderPosition(position);
    s->setSliderDown(false);
    QCOMPARE(LevelText(*t.w), QString("170"));
    QCOMPARE(t.conversions(), 2);
    QCOMPARE(TheState().PrevLevel, 170);
    s->setSliderDown(true);
    s->setSliderPosition(90);
    QCOMPARE(LevelText(*t.w), QString("90"));
    s->setSliderPosition(170);
    s->setSliderDown(false);
    QCOMPARE(LevelText(*t.w), QString("170"));
    QCOMPARE(t.conversions(), 2);
    // Keyboard and page steps settle at once.
    QTest::keyClick(s, Qt::Key_Right);
    QCOMPARE(LevelText(*t.w), QString("171"));
    QTest::keyClick(s, Qt::Key_PageUp);
    QCOMPARE(s->value(), 187);
    QCOMPARE(t.conversions(), 4);
    QVERIFY(TheState().Modified);
    t.c().OnSliderChange(187);
    QCOMPARE(t.conversions(), 4);

    Method(*t.w)->setCurrentIndex(0);
    QCOMPARE(t.conversions(), 4);
    Method(*t.w)->setCurrentIndex(5);
    QCOMPARE(t.conversions(), 5);
    QCOMPARE(TheState().PrevPhotoMode, 5);
    t.c().OnMethodSelected(5);
    QCOMPARE(t.conversions(), 5);
  }

  // Edit > Auto Level moves the slider to Otsu's level through the slider's own handler:
  // grey 60 and grey 180 split at 119, and a second time there is nothing to do.
  void AutoLevelMovesTheSliderAsTheUserWould() {
    WindowEnv env;
    QImage two(80, 40, QImage::Format_RGB32);
    two.fill(qRgb(180, 180, 180));
    QPainter(&two).fillRect(0, 0, 80, 10, QColor(60, 60, 60));
    QVERIFY(two.save(QString::fromStdString(env.File("two.bmp"))));
    auto w = env.Start({env.File("two.bmp")});
    QAction* auto_level = w->findChild<QAction*>("AutoLevel");
    QCOMPARE(auto_level->shortcut(), QKeySequence("Ctrl+L"));
    for (int round = 0; round < 2; ++round) {
      auto_level->trigger();
      QCOMPARE(Slider(*w)->value(), 119);
      QCOMPARE(LevelText(*w), QString("119"));
      QCOMPARE(w->controller().ConversionCount(), 2);
    }
    w = env.Start({WritePicture(env.File("cat.qdl"), 102, 64)});
    QVERIFY(!w->findChild<QAction*>("AutoLevel")->isEnabled());
  }

  void ThinPictureFailsWithError() {
    // Shrunk to fit 320 x 240, a 2 x 400 picture is 1 pixel wide: the view scale divides
    // by zero.
    WindowEnv env;
    auto w = env.Start({WritePicture(env.File("thin.bmp"), 2, 400)});
    QCOMPARE(env.prompter.MessageTexts(), std::vector<std::string>{"Error!"});
    QVERIFY(!TheState().ImageLoaded);
    const int count = w->controller().ConversionCount();
    Slider(*w)->setValue(30);
    QCOMPARE(w->controller().ConversionCount(), count);
  }

  // The window's dots for each kind of picture are dotcast's for the same settings (and the
  // engine's tests say what those are): a fresh generator, the first output size, and the
  // crop range the label shows, in source pixels.
  void WindowGivesTheDotsOfDotcast_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kDotsRows)); ++i)
      QTest::newRow(kDotsRows[i].name) << i;
  }
  void WindowGivesTheDotsOfDotcast() {
    QFETCH(int, row);
    const DotsRow& r = kDotsRows[row];
    WindowEnv env;
    const std::string path = WritePicture(env.File(r.file), r.width, r.height);
    if (QString(r.file).startsWith("profile")) {
      std::vector<std::uint8_t> jpeg = ReadAll(path);
      jpeg.insert(jpeg.begin() + 2, {0xFF, 0xE2, 0x9C, 0x40});
      jpeg.insert(jpeg.begin() + 6, 39998, 0xC0);
      WriteAll(path, jpeg);
    }
    convert::DotRandom random;
    auto w = std::make_unique<QDLmain>();
    w->controller().SetDotRandom(&random);
    QVERIFY(w->controller().Startup({}));
    // Document draws no numbers, so the generator is still fresh when the method changes.
    Slider(*w)->setValue(100);
    TheState().CurFileName = path;
    QVERIFY(w->controller().LoadSourcePicture());
    QCOMPARE(w->findChild<QLabel*>("Label1_0")->text(),
             QString("Source image (%1 x %2)").arg(r.width).arg(r.height));
    const QString methods[] = {"document", "photo-sharp", "photo-soft"};
    QStringList options = {"--method", methods[r.method], "--level", "100"};
    if (r.crop) {
      QWidget* image = w->findChild<QLabel*>("Image1_0");
      QTest::mousePress(image, Qt::LeftButton, {}, {201, 143});
      QTest::mouseMove(image, {90, 90});
      QTest::mouseRelease(image, Qt::LeftButton, {}, {37, 21});
      const QStringList n = w->findChild<QLabel*>("切り出し座標")
                                ->text()
                                .split(QRegularExpression("\\D+"), Qt::SkipEmptyParts);
      QCOMPARE(n.size(), 4);
      options << "--crop"
              << QString("%1,%2,%3,%4")
                     .arg(n[0])
                     .arg(n[1])
                     .arg(n[2].toInt() - n[0].toInt() + 1)
                     .arg(n[3].toInt() - n[1].toInt() + 1);
    }
    Method(*w)->setCurrentIndex(r.method);
    QVERIFY(env.prompter.messages.empty());
    QCOMPARE(ReadAll(TheState().WorkDspFile), DotcastBitmap(path, options));
    w->controller().SetDotRandom(nullptr);
  }

  // Open on PC asks in the user-data folder, then in the folder of the last choice, and
  // not at all after Cancel in the save prompt.
  void OpenOnPcAsksWithTheOpenDialog() {
    WindowEnv env;
    auto w = env.Start();
    const std::string folder = env.File("pics");
    std::filesystem::create_directories(folder);
    const std::string cat = WritePicture(JoinPath(folder, "cat.qdl"), 102, 64);
    env.prompter.open_answers.push_back(cat);
    w->controller().OpenOnPc();
    const FileDialogRequest& r = env.prompter.open_requests.at(0);
    QCOMPARE(r.title, std::string("Open on PC"));
    QCOMPARE(r.startFolder, env.UserData());
    QVERIFY(r.mustExist);
    QCOMPARE(r.filters.at(0).patterns, std::string("*.qdl;*.bmp;*.jpg;*.jpeg;*.jpe;*.jfif;*.gif"));
    QCOMPARE(w->windowTitle(), QString("Dotcaster - PC:cat.qdl"));
    // The work files stay where start-up put them.
    QCOMPARE(TheState().WorkDspFile, JoinPath(env.UserData(), kWorkDspName));
    QCOMPARE(GetSetting(kSettingsSection, kLastFileKey), "1,PC:cat.qdl," + cat);

    TheState().Modified = true;
    env.prompter.message_answers = {MsgAnswer::Cancel, MsgAnswer::No};
    w->controller().OpenOnPc();
    QCOMPARE(env.prompter.open_requests.size(), std::size_t(1));
    w->controller().OpenOnPc();
    QCOMPARE(env.prompter.open_requests.back().startFolder, JoinPath(folder, ""));
  }

  // A file that is no picture by name is refused and the picture stays; one that cannot be
  // read empties the window.
  void FailedOpen() {
    Loaded t;
    TheState().Modified = false;
    t.env.prompter.open_answers.push_back(t.env.File("notes.txt"));
    t.c().OpenOnPc();
    QCOMPARE(t.env.prompter.MessageTexts(), std::vector<std::string>{"This is not an image file."});
    QVERIFY(TheState().ImageLoaded);
    QCOMPARE(t.w->windowTitle(), QString("Dotcaster - Untitled"));

    t.env.prompter.messages.clear();
    const std::string broken = t.env.File("broken.jpg");
    WriteAll(broken, {0xFF, 0xD8, 0xFF});
    t.env.prompter.open_answers.push_back(broken);
    t.c().OpenOnPc();
    QCOMPARE(t.env.prompter.MessageTexts(), std::vector<std::string>{"Read error!"});
    QVERIFY(!TheState().ImageLoaded);
    QVERIFY(TheState().CurFileName.empty());
    QCOMPARE(t.w->windowTitle(), QString("Dotcaster"));
    QVERIFY(t.w->findChild<QLabel*>("Image1_0")->pixmap().isNull());
  }

  // Save proposes the picture's name in its folder; Cancel changes nothing; a name typed
  // with the bitmap's ending saves the bitmap, and the picture is that file from now on. A
  // Quadrel file is saved in place without a dialog.
  void SaveToPc() {
    Loaded t;
    TheState().Modified = false;
    const std::string folder = t.env.File("pics");
    std::filesystem::create_directories(folder);
    t.env.prompter.open_answers.push_back(WritePicture(JoinPath(folder, "cat.jpeg"), 20, 20));
    t.c().OpenOnPc();
    t.env.prompter.save_answers.push_back(std::nullopt);
    t.c().SaveToPc();
    const FileDialogRequest& r = t.env.prompter.save_requests.at(0);
    QCOMPARE(r.title, std::string("Save to PC"));
    QCOMPARE(r.fileName, std::string("cat."));
    QCOMPARE(r.startFolder, JoinPath(folder, ""));
    QVERIFY(r.confirmOverwrite);
    QVERIFY(TheState().Modified && !TheState().HasName);
    QCOMPARE(t.w->windowTitle(), QString("Dotcaster - Untitled"));

    const std::string target = JoinPath(folder, "dog.BMP");
    t.env.prompter.save_answers.push_back(target);
    t.c().SaveToPc();
    QCOMPARE(ReadAll(target), ReadAll(TheState().WorkDspFile));
    QCOMPARE(t.w->windowTitle(), QString("Dotcaster - PC:dog.BMP"));
    QVERIFY(!TheState().Modified && TheState().HasName);
    QCOMPARE(TheState().CurFileName, target);

    const std::string cat = WritePicture(JoinPath(folder, "cat.qdl"), 102, 64);
    t.env.prompter.open_answers.push_back(cat);
    t.c().OpenOnPc();
    std::filesystem::remove(cat);
    TheState().Modified = true;
    t.c().SaveToPc();
    QCOMPARE(t.env.prompter.save_requests.size(), std::size_t(2));
    QVERIFY(Exists(cat));
  }

  // A save that fails (into a read-only folder) keeps the picture's name, title and unsaved
  // state; Yes in the close prompt followed by a failed write keeps the window open.
  void FailedSaveKeepsThePicture() {
    Loaded t;
    const std::string locked = t.env.File("locked");
    std::filesystem::create_directories(locked);
    ::chmod(locked.c_str(), 0555);
    t.env.prompter.save_answers = {JoinPath(locked, "new.qdl"), JoinPath(locked, "new.qdl")};
    t.env.prompter.message_answers = {MsgAnswer::Ok, MsgAnswer::Yes};
    {
      AsUnprivilegedUser nobody;
      t.c().SaveToPc();
      QVERIFY(!t.w->close());
    }
    QCOMPARE(
        t.env.prompter.MessageTexts(),
        (std::vector<std::string>{"Write error!", "Do you want to save change?", "Write error!"}));
    QVERIFY(t.w->isVisible() && TheState().Modified && !TheState().HasName);
    QCOMPARE(TheState().CurFileName, t.env.File("photo.jpg"));
    QCOMPARE(t.w->windowTitle(), QString("Dotcaster - Untitled"));
    QVERIFY(!Exists(JoinPath(locked, "new.qdl")));
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::CommandsTest)
#include "commands_test.moc"
