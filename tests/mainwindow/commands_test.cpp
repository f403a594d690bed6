// The conversion-setting handlers, the conversion driver's window side and the PC file
// commands, driven through the controller as the menus and controls drive them.

#include <sys/stat.h>

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QtTest>
#include <filesystem>

#include "convert/random.h"
#include "devicelink/settings.h"
#include "formats/quadrel.h"
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

// Drags the slider's thumb through `positions` and lets it go at the last one.
void Drag(QSlider* slider, std::initializer_list<int> positions) {
  slider->setSliderDown(true);
  for (int p : positions)
    slider->setSliderPosition(p);
  slider->setSliderDown(false);
}

// A window with a photo loaded (one conversion already ran).
struct Loaded {
  WindowEnv env;
  std::unique_ptr<QDLmain> w;
  explicit Loaded(const char* name = "photo.jpg", int width = 80, int height = 60) {
    w = env.Start({WriteJpeg(env.File(name), width, height)});
    if (!w || !TheState().ImageLoaded) qFatal("the test photo did not load");
  }
  MainController& c() { return w->controller(); }
  int conversions() { return w->controller().ConversionCount(); }
};

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void LoadingConvertsOnceAndBringsTheResultToFront() {
    Loaded t("big.jpg", 640, 480);
    QCOMPARE(t.conversions(), 1);
    QCOMPARE(TheState().OutWidth, 320);
    QCOMPARE(TheState().OutHeight, 240);
    QCOMPARE(t.w->findChild<QLabel*>("Label1_1")->text(), QString("Vantro image (320 x 240)"));
    QCOMPARE(t.w->findChild<QLabel*>("Image1_1")->pixmap().size(), QSize(320, 240));
    QCOMPARE(t.w->findChild<QLabel*>("Image1_0")->pixmap().size(), QSize(320, 240));
    QVERIFY(t.w->ResultInFront());
    QCOMPARE(ReadAll(TheState().WorkDspFile).size(), std::size_t(BmpFileSize(320, 240)));
  }

  // A Quadrel file of the device's own size is shown as it is; a wider one is converted.
  void QuadrelIsConvertedOnlyWhenItDoesNotFit() {
    WindowEnv env;
    const std::string qdl = WriteQdl(env.File("cat.qdl"), 102, 64);
    auto w = env.Start({qdl});
    QCOMPARE(w->controller().ConversionCount(), 0);
    QCOMPARE(ReadAll(TheState().WorkDspFile), ConvertQdlBmp(QdlBytes(102, 64)).value());
    QCOMPARE(w->findChild<QLabel*>("Label1_1")->text(), QString("Vantro image (102 x 64)"));
    QVERIFY(w->ResultInFront());

    w = env.Start({WriteQdl(env.File("wide.qdl"), 400, 30)});
    QVERIFY(TheState().ImageLoaded);
    QCOMPARE(w->controller().ConversionCount(), 1);
    QCOMPARE(TheState().OutWidth, 320);
    QCOMPARE(TheState().OutHeight, 30);
    QVERIFY(!TheState().Modified);
  }

  void SliderConvertsOnceTheValueSettles() {
    Loaded t;
    QSlider* s = Slider(*t.w);
    Drag(s, {130, 150, 170});
    QCOMPARE(LevelText(*t.w), QString("170"));
    QCOMPARE(t.conversions(), 2);
    QCOMPARE(TheState().PrevLevel, 170);

    // While the thumb is held the label follows it and nothing converts.
    s->setSliderDown(true);
    s->setSliderPosition(90);
    QCOMPARE(LevelText(*t.w), QString("90"));
    QCOMPARE(t.conversions(), 2);
    s->setSliderPosition(170);
    s->setSliderDown(false);
    // Let go at the level of the last conversion: nothing to do.
    QCOMPARE(t.conversions(), 2);
    QCOMPARE(LevelText(*t.w), QString("170"));

    // Keyboard and page steps settle at once.
    QTest::keyClick(s, Qt::Key_Right);
    QCOMPARE(s->value(), 171);
    QCOMPARE(LevelText(*t.w), QString("171"));
    QCOMPARE(t.conversions(), 3);
    QTest::keyClick(s, Qt::Key_PageUp);
    QCOMPARE(s->value(), 187);
    QCOMPARE(t.conversions(), 4);
    QVERIFY(TheState().Modified);

    // The change handler saw 187 last; a value equal to it is not a change at all.
    t.c().OnSliderChange(187);
    QCOMPARE(t.conversions(), 4);
    QCOMPARE(t.c().LastSliderValue(), 187);
  }

  void MethodConvertsOnlyWhenItChanges() {
    Loaded t;
    QComboBox* m = Method(*t.w);
    QCOMPARE(m->count(), 6);
    QCOMPARE(m->itemText(3), QString("Photo(Diffusion)"));
    m->setCurrentIndex(0);
    QCOMPARE(t.conversions(), 1);
    m->setCurrentIndex(5);
    QCOMPARE(t.conversions(), 2);
    QCOMPARE(TheState().PrevPhotoMode, 5);
    t.c().OnMethodSelected(5);
    QCOMPARE(t.conversions(), 2);
  }

  // Edit > Auto Level moves the slider to Otsu's level through the slider's own handler:
  // grey 60 and grey 180 split at 119, and a second time there is nothing to do.
  void AutoLevelMovesTheSliderAsTheUserWould() {
    WindowEnv env;
    QImage two(80, 40, QImage::Format_RGB32);
    two.fill(qRgb(180, 180, 180));
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 80; ++x)
        two.setPixel(x, y, qRgb(60, 60, 60));
    }
    QVERIFY(two.save(QString::fromStdString(env.File("two.bmp"))));
    auto w = env.Start({env.File("two.bmp")});
    QAction* auto_level = w->findChild<QAction*>("AutoLevel");
    QCOMPARE(auto_level->shortcut(), QKeySequence("Ctrl+L"));
    for (int round = 0; round < 2; ++round) {
      auto_level->trigger();
      QCOMPARE(Slider(*w)->value(), 119);
      QCOMPARE(LevelText(*w), QString("119"));
      QCOMPARE(TheState().PrevLevel, 119);
      QCOMPARE(w->controller().ConversionCount(), 2);
    }
    w = env.Start({WriteQdl(env.File("cat.qdl"), 102, 64)});
    QVERIFY(!w->findChild<QAction*>("AutoLevel")->isEnabled());
  }

  void ThinPictureFailsWithError() {
    // Shrunk to fit 320 x 240, a 2 x 400 picture is 1 pixel wide: the view scale divides
    // by zero.
    WindowEnv env;
    auto w = env.Start({WriteBmp24(env.File("thin.bmp"), 2, 400)});
    QVERIFY(w);
    QCOMPARE(env.prompter.MessageTexts(), std::vector<std::string>{"Error!"});
    QVERIFY(!TheState().ImageLoaded);
    const int count = w->controller().ConversionCount();
    Slider(*w)->setValue(30);
    QCOMPARE(w->controller().ConversionCount(), count);
  }

  // The window's dots for each kind of picture are dotcast's for the same settings (and the
  // engine's tests say what those are): a fresh generator, the first output size.
  void WindowGivesTheDotsOfDotcast_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("method");
    QTest::newRow("jpeg document") << "p.jpg" << 0;
    QTest::newRow("jpeg sharp") << "p.jpg" << 1;
    QTest::newRow("large jpeg soft") << "big.jpeg" << 2;
    QTest::newRow("bitmap sharp") << "p.bmp" << 1;
    QTest::newRow("gif soft") << "p.gif" << 2;
    QTest::newRow("quadrel") << "p.qdl" << 0;
    QTest::newRow("mono bitmap") << "m.bmp" << 0;
  }
  void WindowGivesTheDotsOfDotcast() {
    QFETCH(QString, name);
    QFETCH(int, method);
    WindowEnv env;
    const std::string path = env.File(name.toStdString());
    if (name == "p.jpg") WriteJpeg(path, 90, 70);
    if (name == "big.jpeg") WriteJpeg(path, 700, 500);
    if (name == "p.bmp") WriteBmp24(path, 77, 33);
    if (name == "p.gif") WriteGif(path, 60, 45);
    if (name == "p.qdl") WriteQdl(path, 500, 40);
    if (name == "m.bmp") WriteMonoBmp(path, 60, 20);
    convert::DotRandom random;
    auto w = std::make_unique<QDLmain>();
    w->controller().SetDotRandom(&random);
    QVERIFY(w->controller().Startup({}));
    // Document draws no numbers, so the generator is still fresh when the method changes.
    Slider(*w)->setValue(100);
    QVERIFY(env.prompter.messages.empty());
    TheState().CurFileName = path;
    QVERIFY(w->controller().LoadSourcePicture());
    Slider(*w)->setValue(100);
    Method(*w)->setCurrentIndex(method);
    const QString methods[] = {"document", "photo-sharp", "photo-soft"};
    QCOMPARE(ReadAll(TheState().WorkDspFile),
             DotcastBitmap(path, {"--method", methods[method], "--level", "100"}));
    w->controller().SetDotRandom(nullptr);
  }

  void OpenOnPcAsksWithTheOpenDialog() {
    WindowEnv env;
    auto w = env.Start();
    const std::string folder = env.File("pics");
    std::filesystem::create_directories(folder);
    const std::string cat = WriteQdl(JoinPath(folder, "cat.qdl"), 102, 64);
    env.prompter.open_answers.push_back(cat);
    w->controller().OpenOnPc();

    QCOMPARE(env.prompter.open_requests.size(), std::size_t(1));
    const FileDialogRequest& r = env.prompter.open_requests[0];
    QCOMPARE(r.title, std::string("Open on PC"));
    QCOMPARE(r.startFolder, env.UserData());
    QCOMPARE(r.filterIndex, 1);
    QVERIFY(r.mustExist);
    std::vector<std::string> descriptions;
    for (const FileFilter& f : r.filters)
      descriptions.push_back(f.description);
    QCOMPARE(descriptions, (std::vector<std::string>{
                               "Graphic Files", "Quadrel Files(*.qdl)", "Bitmap Files(*.bmp)",
                               "JPEG Files(*.jpg,*.jpe,*.jpeg,*.jfif)", "GIF Files(*.gif)"}));
    QCOMPARE(r.filters[0].patterns, std::string("*.qdl;*.bmp;*.jpg;*.jpeg;*.jpe;*.jfif;*.gif"));
    QCOMPARE(w->windowTitle(), QString("Dotcaster - PC:cat.qdl"));
    QCOMPARE(TheState().UserDataDir, JoinPath(folder, ""));
    // The work files stay where start-up put them.
    QCOMPARE(TheState().WorkDspFile, JoinPath(env.UserData(), kWorkDspName));
    QCOMPARE(GetSetting(kSettingsSection, kLastFileKey), "1,PC:cat.qdl," + cat);

    // The next dialog starts in the folder of the last choice.
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

  // The save prompt before another picture is opened: Cancel stops the command, No
  // discards, Yes saves through the save dialog and goes on.
  void OpenAsksToSaveChanges_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("written");
    QTest::newRow("cancel") << int(MsgAnswer::Cancel) << false << false;
    QTest::newRow("no") << int(MsgAnswer::No) << true << false;
    QTest::newRow("yes") << int(MsgAnswer::Yes) << true << true;
  }
  void OpenAsksToSaveChanges() {
    QFETCH(int, answer);
    QFETCH(bool, opened);
    QFETCH(bool, written);
    Loaded t;
    const std::string saved = t.env.File("kept.qdl");
    const std::string next = WriteQdl(t.env.File("next.qdl"), 20, 20);
    t.env.prompter.message_answers.push_back(static_cast<MsgAnswer>(answer));
    t.env.prompter.save_answers.push_back(saved);
    t.env.prompter.open_answers.push_back(next);
    t.c().OpenOnPc();
    QCOMPARE(t.env.prompter.open_requests.size(), std::size_t(opened ? 1 : 0));
    QCOMPARE(t.env.prompter.save_requests.size(), std::size_t(written ? 1 : 0));
    QCOMPARE(Exists(saved), written);
    QCOMPARE(TheState().CurFileName, opened ? next : t.env.File("photo.jpg"));
    if (written) {
      QCOMPARE(ReadAll(saved).size(), std::size_t(QdlFileSize(80, 60)));
    }
  }

  void SaveProposesTheNameInTheFolderOfThePicture() {
    Loaded t;
    TheState().Modified = false;
    const std::string folder = t.env.File("pics");
    std::filesystem::create_directories(folder);
    t.env.prompter.open_answers.push_back(WriteJpeg(JoinPath(folder, "cat.jpeg"), 20, 20));
    t.c().OpenOnPc();
    t.env.prompter.save_answers.push_back(std::nullopt);
    t.c().SaveToPc();
    QCOMPARE(t.env.prompter.save_requests.size(), std::size_t(1));
    const FileDialogRequest& r = t.env.prompter.save_requests[0];
    QCOMPARE(r.title, std::string("Save to PC"));
    QCOMPARE(r.fileName, std::string("cat."));
    QCOMPARE(r.startFolder, JoinPath(folder, ""));
    QCOMPARE(r.filterIndex, 1);
    QVERIFY(r.confirmOverwrite);
    QCOMPARE(r.filters.size(), std::size_t(2));
    QCOMPARE(r.filters[0].description, std::string("Quadrel(*.qdl)"));
    QCOMPARE(r.filters[1].description, std::string("Bitmap(*.bmp)"));
    // Cancel changes nothing.
    QVERIFY(TheState().Modified);
    QVERIFY(!TheState().HasName);
    QCOMPARE(t.w->windowTitle(), QString("Dotcaster - Untitled"));

    // A name typed with the bitmap's ending saves the bitmap (the save pipeline's tests cover
    // every ending), and the picture is that file from now on.
    const std::string target = JoinPath(folder, "dog.BMP");
    t.env.prompter.save_answers.push_back(target);
    t.c().SaveToPc();
    QCOMPARE(ReadAll(target), ReadAll(TheState().WorkDspFile));
    QCOMPARE(t.w->windowTitle(), QString("Dotcaster - PC:dog.BMP"));
    QVERIFY(!TheState().Modified && TheState().HasName);
    QCOMPARE(TheState().CurFileName, target);
  }

  void SavingAnUnchangedQuadrelFileWritesNothing() {
    WindowEnv env;
    const std::string cat = WriteQdl(env.File("cat.qdl"), 102, 64);
    auto w = env.Start({cat});
    std::filesystem::remove(cat);
    w->controller().SaveToPc();
    QVERIFY(env.prompter.save_requests.empty());
    QVERIFY(!Exists(cat));
    QCOMPARE(w->windowTitle(), QString("Dotcaster - PC:cat.qdl"));

    // After a change the same command writes in place, still without a dialog.
    Drag(Slider(*w), {60});  // disabled for a Quadrel file, but the handler still runs
    TheState().Modified = true;
    w->controller().SaveToPc();
    QVERIFY(env.prompter.save_requests.empty());
    QVERIFY(Exists(cat));
  }

  // A save that fails (into a read-only folder) changes nothing: the picture keeps its
  // name, its title and its unsaved state, so closing still asks before it goes. Yes in the
  // close prompt followed by a failed write keeps the window open.
  void FailedSaveKeepsThePicture_data() {
    QTest::addColumn<bool>("named");  // opened from a Quadrel file in the read-only folder
    QTest::addColumn<QString>("command");
    QTest::newRow("photo, Save") << false << "save";
    QTest::newRow("photo, Save As") << false << "save as";
    QTest::newRow("Quadrel file, Save in place") << true << "save";
    QTest::newRow("photo, Yes on close") << false << "close";
    QTest::newRow("Quadrel file, Yes on close") << true << "close";
  }
  void FailedSaveKeepsThePicture() {
    QFETCH(bool, named);
    QFETCH(QString, command);
    WindowEnv env;
    const std::string locked = env.File("locked");
    std::filesystem::create_directories(locked);
    const std::string source = named ? WriteQdl(JoinPath(locked, "cat.qdl"), 102, 64)
                                     : WriteJpeg(env.File("photo.jpg"), 80, 60);
    auto w = env.Start({source});
    QVERIFY(TheState().ImageLoaded);
    TheState().Modified = true;
    ::chmod(locked.c_str(), 0555);
    const QString title = w->windowTitle();
    const QImage picture = w->findChild<QLabel*>("Image1_1")->pixmap().toImage();
    env.prompter.save_answers.push_back(JoinPath(locked, "new.qdl"));
    env.prompter.message_answers.push_back(MsgAnswer::Yes);
    {
      AsUnprivilegedUser nobody;
      if (command == "save") {
        w->controller().SaveToPc();
      } else if (command == "save as") {
        w->controller().SaveToPcAs();
      } else {
        QVERIFY(!w->close());
      }
    }
    std::vector<std::string> asked = {"Write error!"};
    if (command == "close") asked.insert(asked.begin(), "Do you want to save change?");
    QCOMPARE(env.prompter.MessageTexts(), asked);
    QVERIFY(TheState().Modified);
    QCOMPARE(TheState().CurFileName, source);
    QCOMPARE(w->windowTitle(), title);
    QVERIFY(!Exists(JoinPath(locked, "new.qdl")));
    if (named) QCOMPARE(ReadAll(source), QdlBytes(102, 64));

    env.prompter.messages.clear();
    env.prompter.message_answers = {MsgAnswer::Cancel};
    QVERIFY(!w->close());
    QCOMPARE(env.prompter.MessageTexts(), std::vector<std::string>{"Do you want to save change?"});
    QVERIFY(w->isVisible());
    QCOMPARE(w->findChild<QLabel*>("Image1_1")->pixmap().toImage(), picture);
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::CommandsTest)
#include "commands_test.moc"
