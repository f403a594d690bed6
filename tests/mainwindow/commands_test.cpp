// The device commands run over the folder link of an installation named in non-ASCII
// letters, its cache paths more than 200 bytes but fewer than 200 characters.

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QtTest>
#include <filesystem>

#include "convert/random.h"
#include "devicelink/folder_link.h"
#include "devicelink/install.h"
#include "devicelink/settings.h"
#include "formats/probe.h"
#include "formats/quadrel.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {

struct DotsRow {
  const char* name;
  const char* file;
  int width, height, method;
  const char* crop = nullptr;  // a frame dragged over the source view first, in source pixels
};
const DotsRow kDotsRows[] = {
    {"jpeg document", "p.jpg", 90, 70, 0},
    {"bitmap sharp", "p.bmp", 77, 33, 1},
    {"large jpeg soft", "big.jpeg", 700, 500, 2},
    {"quadrel", "p.qdl", 500, 40, 0},
    {"mono bitmap", "mono.bmp", 60, 20, 0},
    {"top-down bitmap", "top.bmp", 640, 480, 1},
    {"OS/2 bitmap", "os2.bmp", 640, 480, 2},
    {"jpeg with a large profile", "profile.jpg", 640, 480, 0},
    {"large jpeg cropped, sharp", "crop.jpg", 700, 500, 1, "81,46,360,268"},
    {"gif cropped, soft", "crop.gif", 400, 300, 2, "46,26,206,154"},
    {"bitmap cropped, document", "crop.bmp", 260, 180, 0, "37,21,165,123"},
};

// Plays steps separated by ';', each an action, a view ("src" or "res") and a position in view
// pixels: press, move and release with the left button, rclick (right button), dclick (the
// second click of a double click). "edited" puts hand edits into the result and scripts
// Cancel for the question they raise.
void Play(QDLmain& w, WindowEnv& env, const QString& script) {
  QString steps = script;
  steps.replace("drag", "press src 10,20; move src 40,30; move src 60,50; release src 60,50");
  for (const QString& step : steps.split(';', Qt::SkipEmptyParts)) {
    const QStringList p = step.simplified().split(QRegularExpression("[ ,]"));
    if (p[0] == "edited") {
      TheState().ResultEdited = true;
      env.prompter.message_answers.push_back(MsgAnswer::Cancel);
      continue;
    }
    QWidget* image = w.findChild<QLabel*>(p[1] == "src" ? "Image1_0" : "Image1_1");
    const QPoint at(p[2].toInt(), p[3].toInt());
    if (p[0] == "press") QTest::mousePress(image, Qt::LeftButton, {}, at);
    if (p[0] == "move") QTest::mouseMove(image, at);
    if (p[0] == "release") QTest::mouseRelease(image, Qt::LeftButton, {}, at);
    if (p[0] == "rclick") QTest::mouseClick(image, Qt::RightButton, {}, at);
    if (p[0] == "dclick") {
      QTest::mouseDClick(image, Qt::LeftButton, {}, at);
      QTest::mouseRelease(image, Qt::LeftButton, {}, at);
    }
  }
}

const QRect kFrame(10, 20, 51, 31);
const char* kRange = "Valid range [010,020] - [060,050]";
struct Gesture {
  const char* name;
  const char* script;
  int conversions;             // since the window was made
  bool result_front, whole;    // the result view in front; the result is the whole picture's
  const char* pointer;         // the pointer-coordinates label; "": hidden
  QRect frame = {};            // Rubber in view pixels; null: hidden
  const char* range = "";      // the crop-coordinates label; "": hidden
  QSize picture = {200, 150};  // a bitmap loaded first; empty: none
};
const Gesture kGestures[] = {
    {"drag down and right", "drag", 2, true, false, "[ 010 , 020 ] - [ 060 , 050 ]", kFrame,
     kRange},
    {"drag up and left", "press src 60,50; move src 10,20; release src 10,20", 2, true, false,
     "[ 060 , 050 ] - [ 010 , 020 ]", kFrame, kRange},
    {"drag down and left", "press src 60,20; move src 10,50; release src 10,50", 2, true, false,
     "[ 060 , 020 ] - [ 010 , 050 ]", kFrame, kRange},
    {"drag up and right", "press src 10,50; move src 60,20; release src 60,20", 2, true, false,
     "[ 010 , 050 ] - [ 060 , 020 ]", kFrame, kRange},
    {"release on the start row", "drag; press src 30,40; move src 90,70; release src 90,40", 3,
     true, true, "[ 030 , 040 ] - [ 090 , 040 ]"},
    {"release on the start column", "drag; press src 30,40; move src 90,70; release src 30,70", 3,
     true, true, "[ 030 , 040 ] - [ 030 , 070 ]"},
    {"drag out of the picture", "press src 150,100; move src 400,-50; release src 500,-80", 2, true,
     false, "[ 150 , 100 ] - [ 199 , 000 ]", QRect(150, 0, 50, 101),
     "Valid range [150,000] - [199,100]"},
    {"640 x 480 shown at 320 x 240", "press src -5,-5; move src 319,239; release src 330,250", 2,
     true, true, "[ 000 , 000 ] - [ 639 , 479 ]", QRect(0, 0, 320, 240),
     "Valid range [000,000] - [639,479]", QSize(640, 480)},
    {"click without a drag", "press src 30,30; release src 30,30", 1, false, true, "[ 030 , 030 ]"},
    {"right click on the result", "rclick res 20,20", 1, true, true, ""},
    {"right click on the source", "rclick src 20,20", 1, true, true, ""},
    {"right click without a picture", "rclick res 20,20; press src 5,5; release src 5,5", 0, false,
     true, "", QRect(), "", QSize()},
    {"double click", "drag; press src 30,30; release src 30,30; dclick src 30,30", 3, true, true,
     "[ 030 , 030 ]"},
    {"double click kept for hand edits", "drag; edited; dclick src 30,30", 2, true, false,
     "[ 010 , 020 ] - [ 060 , 050 ]", kFrame, kRange},
};

constexpr const char* kNonAsciiFile = "Größe-日本.qdl";

// The folder link, counting uploads and refusing them on demand.
struct WatchedLink : FolderDeviceLink {
  using FolderDeviceLink::FolderDeviceLink;
  int puts = 0;
  bool refuse = false;
  int PutFile(std::string_view device, std::string_view local, int flags) override {
    ++puts;
    return refuse ? 1 : FolderDeviceLink::PutFile(device, local, flags);
  }
};

// An installation folder name that brings a cache path to about 190 characters.
std::string LongInstallName(const std::string& test_folder) {
  const int letters = 170 - QString::fromStdString(DefaultCacheDir(test_folder)).size();
  if (letters < 20) qFatal("the test folder %s is too deep", test_folder.c_str());
  return QString("Ablage-äöü").repeated(letters / 10 + 1).left(letters).toStdString();
}

struct Device {
  WindowEnv env{Install::kFull, LongInstallName(TempDir().path().string())};
  WatchedLink link{env.install_dir};
  DeviceLink* previous = SetDeviceLink(&link);
  std::unique_ptr<QDLmain> w;

  Device() {
    CreateInstallationTree(env.install_dir);
    w = env.Start();
    if (!w) qFatal("the window did not start");
  }
  ~Device() {
    w.reset();
    SetDeviceLink(previous);
  }
  MainController& c() { return w->controller(); }
  std::string Storage(const std::string& name) const {
    return JoinPath(link.StorageRoot(), JoinPath("graphics", name));
  }
  std::string Cache(const std::string& name) const {
    return JoinPath(DefaultCacheDir(env.install_dir), name);
  }
  QImage Result() const { return w->findChild<QLabel*>("Image1_1")->pixmap().toImage(); }
  void OpenFromDevice(const std::string& name) {
    env.prompter.device_answers.push_back("B:\\graphics\\" + name);
    c().OpenOnDevice();
  }
};

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  // The slider converts once its value settles, not while the thumb is held, and the
  // method list when its choice changes; a value equal to the last one's is no change.
  // Edit > Auto Level moves the slider through the slider's own handler to Otsu's level:
  // grey 60 and grey 180 split at 119, and a second time there is nothing to do.
  void SettingsConvertOnlyWhenTheyChange() {
    WindowEnv env;
    QImage two(80, 40, QImage::Format_RGB32);
    two.fill(qRgb(180, 180, 180));
    QPainter(&two).fillRect(0, 0, 80, 10, QColor(60, 60, 60));
    QVERIFY(two.save(QString::fromStdString(env.File("two.bmp"))));
    auto w = env.Start({env.File("two.bmp")});
    MainController& c = w->controller();
    auto* s = w->findChild<QSlider*>("MONOSikii");
    auto* level = w->findChild<QLabel*>("LabelSikii");
    QAction* auto_level = w->findChild<QAction*>("AutoLevel");
    QCOMPARE(auto_level->shortcut(), QKeySequence("Ctrl+L"));
    for (int round = 0; round < 2; ++round) {
      auto_level->trigger();
      QCOMPARE(s->value(), 119);
      QCOMPARE(level->text(), QString("119"));
      QCOMPARE(c.ConversionCount(), 2);
    }
    s->setSliderDown(true);
    for (int position : {130, 150, 170})
      s->setSliderPosition(position);
    s->setSliderDown(false);
    QCOMPARE(level->text(), QString("170"));
    QCOMPARE(c.ConversionCount(), 3);
    QCOMPARE(TheState().PrevLevel, 170);  // where Cancel after a take-back puts the slider
    s->setSliderDown(true);
    s->setSliderPosition(90);
    QCOMPARE(level->text(), QString("90"));
    s->setSliderPosition(170);
    s->setSliderDown(false);
    QCOMPARE(c.ConversionCount(), 3);
    QTest::keyClick(s, Qt::Key_PageUp);
    QCOMPARE(level->text(), QString("186"));
    QCOMPARE(c.ConversionCount(), 4);
    QVERIFY(TheState().Modified);
    c.OnSliderChange(186);
    QCOMPARE(c.ConversionCount(), 4);
    w->findChild<QComboBox*>("PhotoMode")->setCurrentIndex(5);
    QCOMPARE(c.ConversionCount(), 5);
    c.OnMethodSelected(5);
    QCOMPARE(c.ConversionCount(), 5);
    w = env.Start({WritePicture(env.File("cat.qdl"), 102, 64)});
    QVERIFY(!w->findChild<QAction*>("AutoLevel")->isEnabled());
    // Shrunk to fit 320 x 240, a 2 x 400 picture is 1 pixel wide: the view scale divides by
    // zero. The failed conversion unloads the picture, so the slider converts no more.
    w = env.Start({WritePicture(env.File("thin.bmp"), 2, 400)});
    QCOMPARE(env.prompter.MessageTexts(), std::vector<std::string>{"Error!"});
    QVERIFY(!TheState().ImageLoaded);
    w->findChild<QSlider*>("MONOSikii")->setValue(30);
    QCOMPARE(w->controller().ConversionCount(), 1);
  }

  // The window's dots for each kind of picture are dotcast's for the same settings (a fresh
  // generator and the first output size), and dotcast info reads the size the window shows.
  void WindowGivesTheDotsOfDotcast_data() { AddRows(kDotsRows); }
  void WindowGivesTheDotsOfDotcast() {
    const DotsRow& r = Row(kDotsRows);
    WindowEnv env;
    const std::string path = WritePicture(env.File(r.file), r.width, r.height);
    convert::DotRandom random;
    auto w = std::make_unique<QDLmain>();
    w->controller().SetDotRandom(&random);
    QVERIFY(w->controller().Startup({}));
    // Document draws no numbers, so the generator is still fresh when the method changes.
    w->findChild<QSlider*>("MONOSikii")->setValue(100);
    TheState().CurFileName = path;
    QVERIFY(w->controller().LoadSourcePicture());
    const QString size = QString("%1 x %2").arg(r.width).arg(r.height);
    QCOMPARE(w->findChild<QLabel*>("Label1_0")->text(), "Source image (" + size + ")");
    QProcess info;
    info.start(qEnvironmentVariable("DOTCAST"), {"info", QString::fromStdString(path)});
    QVERIFY(info.waitForFinished() && info.readAll().contains(("  size: " + size + "\n").toUtf8()));
    const QString methods[] = {"document", "photo-sharp", "photo-soft"};
    QStringList options = {"--method", methods[r.method], "--level", "100"};
    if (r.crop) {
      Play(*w, env, "press src 201,143; move src 90,90; release src 37,21");
      options << "--crop" << r.crop;
    }
    w->findChild<QComboBox*>("PhotoMode")->setCurrentIndex(r.method);
    QVERIFY(env.prompter.messages.empty());
    QCOMPARE(ReadAll(TheState().WorkDspFile), DotcastBitmap(path, options));
  }

  // Open on PC asks in the user-data folder, then in the folder of the last choice, and not
  // at all after Cancel in the save prompt. A Quadrel file is saved in place without a dialog.
  // Save proposes the picture's name in its folder; Cancel changes nothing; a name typed with
  // the bitmap's ending saves the bitmap, and the picture is that file from now on.
  void PcFileCommands() {
    WindowEnv env;
    auto w = env.Start();
    MainController& c = w->controller();
    const std::string folder = env.File("pics");
    std::filesystem::create_directories(folder);
    const std::string cat = WritePicture(JoinPath(folder, "cat.qdl"), 102, 64);
    env.prompter.open_answers.push_back(cat);
    c.OpenOnPc();
    const FileDialogRequest& r = env.prompter.open_requests.at(0);
    QVERIFY(r.title == "Open on PC" && r.mustExist);
    QCOMPARE(r.startFolder, env.user_data);
    QCOMPARE(r.filters.at(0).patterns, std::string("*.qdl;*.bmp;*.jpg;*.jpeg;*.jpe;*.jfif;*.gif"));
    QCOMPARE(w->windowTitle(), QString("Dotcaster - PC:cat.qdl"));
    // The work files stay where start-up put them.
    QCOMPARE(TheState().WorkDspFile, JoinPath(env.user_data, kWorkDspName));
    QCOMPARE(GetSetting(kSettingsSection, kLastFileKey), "1,PC:cat.qdl," + cat);
    std::filesystem::remove(cat);
    TheState().Modified = true;
    c.SaveToPc();
    QVERIFY(env.prompter.save_requests.empty() && Exists(cat));

    TheState().Modified = true;
    env.prompter.message_answers = {MsgAnswer::Cancel, MsgAnswer::No};
    c.OpenOnPc();
    QCOMPARE(env.prompter.open_requests.size(), std::size_t(1));
    env.prompter.open_answers.push_back(WritePicture(JoinPath(folder, "cat.jpeg"), 20, 20));
    c.OpenOnPc();
    QCOMPARE(env.prompter.open_requests.back().startFolder, JoinPath(folder, ""));

    env.prompter.save_answers.push_back(std::nullopt);
    c.SaveToPc();
    const FileDialogRequest& save = env.prompter.save_requests.at(0);
    QVERIFY(save.title == "Save to PC" && save.confirmOverwrite);
    QCOMPARE(save.fileName, std::string("cat."));
    QCOMPARE(save.startFolder, JoinPath(folder, ""));
    QVERIFY(TheState().Modified && !TheState().HasName);
    QCOMPARE(w->windowTitle(), QString("Dotcaster - Untitled"));
    const std::string target = JoinPath(folder, "dog.BMP");
    env.prompter.save_answers.push_back(target);
    c.SaveToPc();
    QCOMPARE(ReadAll(target), ReadAll(TheState().WorkDspFile));
    QCOMPARE(w->windowTitle(), QString("Dotcaster - PC:dog.BMP"));
    QVERIFY(!TheState().Modified && TheState().HasName);
    QCOMPARE(TheState().CurFileName, target);
  }

  void Gestures_data() { AddRows(kGestures); }
  void Gestures() {
    const Gesture& g = Row(kGestures);
    const QString script = g.script;
    const bool picture = !g.picture.isEmpty(), frame = !g.frame.isNull();
    WindowEnv env;
    auto w =
        picture
            ? env.Start({WritePicture(env.File("p.bmp"), g.picture.width(), g.picture.height())})
            : env.Start();
    const Bytes loaded = picture ? ReadAll(TheState().WorkDspFile) : Bytes{};
    const auto shown = [&](const char* name) {  // "" for a hidden label
      auto* label = w->findChild<QLabel*>(QString::fromUtf8(name));
      return label->isVisible() ? label->text() : QString();
    };

    Play(*w, env, script);
    QCOMPARE(w->controller().ConversionCount(), g.conversions);
    QCOMPARE(TheState().CropActive, frame);
    QCOMPARE(w->findChild<QFrame*>("Rubber")->isVisible() ? w->RubberGeometry() : QRect(), g.frame);
    QCOMPARE(shown("切り出し座標"), QString(g.range));
    QCOMPARE(shown("座標"), QString(g.pointer));
    QCOMPARE(w->ResultInFront(), g.result_front);
    auto* menu = w->findChild<QMenu*>("PopMenu");
    QCOMPARE(menu->isVisible(), script.contains("rclick res") && picture);
    menu->close();
    if (picture) QCOMPARE(ReadAll(TheState().WorkDspFile) == loaded, g.whole);
    QCOMPARE(env.prompter.messages.size(), std::size_t(script.contains("edited")));
  }

  // Save to the device from each kind of picture: the dialog proposes a name (none for a
  // device picture, which is written in place and transferred again even unchanged), the
  // picture lands in the storage that vantro-link lists and in the cache, and the title names
  // the cache copy. A refused upload is reported and the save completes all the same.
  void SaveToDevice_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("proposed");  // empty: no dialog expected
    QTest::newRow("Quadrel file from the PC") << QString("cat.qdl") << QString("cat");
    QTest::newRow("unsaved photo") << QString("photo.jpg") << QString("Untitled");
    QTest::newRow("unchanged device picture") << QString("device") << QString();
    QTest::newRow("upload refused") << QString("photo.jpg") << QString("Untitled");
  }
  void SaveToDevice() {
    QFETCH(QString, source);
    QFETCH(QString, proposed);
    Device d;
    const std::string name = kNonAsciiFile;
    if (source == "device") {
      WritePicture(d.Storage(name), 102, 64);
      d.OpenFromDevice(name);
    } else {
      d.env.prompter.open_answers.push_back(
          WritePicture(d.env.File(source.toStdString()), 102, 64));
      d.c().OpenOnPc();
    }
    QVERIFY(TheState().ImageLoaded);
    const std::size_t asked_before = d.env.prompter.device_requests.size();
    TheState().Modified = false;
    d.link.refuse = QTest::currentDataTag() == QString("upload refused");
    d.env.prompter.device_answers.push_back("B:\\graphics\\" + name);
    d.c().SaveToDevice();

    QCOMPARE(d.env.prompter.device_requests.size(), asked_before + (proposed.isEmpty() ? 0 : 1));
    if (!proposed.isEmpty()) {
      const DeviceFileDialogRequest& r = d.env.prompter.device_requests.back();
      QVERIFY(r.save && r.fileType == "qdl" && r.startFolder == "B:\\graphics\\");
      QCOMPARE(QString::fromStdString(r.proposedName), proposed);
    }
    QCOMPARE(d.link.puts, 1);
    QCOMPARE(TheState().DevicePath, "B:\\graphics\\" + name);
    QCOMPARE(TheState().CurFileName, d.Cache(name));
    QCOMPARE(TheState().FileOnPC, 0);
    QVERIFY(TheState().HasName && !TheState().Modified && !TheState().UploadAfterSave);
    QCOMPARE(d.w->windowTitle(), QString::fromStdString("Dotcaster - Vantro:" + name));
    const Bytes written = ConvertQdlBmp(ReadAll(TheState().WorkDspFile)).value();
    QCOMPARE(ReadAll(d.Cache(name)), written);
    if (d.link.refuse) {
      QCOMPARE(d.env.prompter.MessageTexts(),
               std::vector<std::string>{"File translate error when upload to Vantro!"});
      QVERIFY(!Exists(d.Storage(name)));
      return;
    }
    QCOMPARE(ReadAll(d.Storage(name)), written);
    QVERIFY(d.env.prompter.messages.empty());
    QProcess ls;
    ls.start(qEnvironmentVariable("VANTRO_LINK"), {"ls"});
    QVERIFY(ls.waitForFinished());
    QCOMPARE(QString::fromUtf8(ls.readAll()),
             QString::fromStdString("B:\\graphics\\" + name + "\n"));
  }

  // Opening a device file: Cancel changes nothing; a file that is no picture by name is
  // refused and the picture stays; a picture opens from its cache copy. The save prompt writes
  // a device picture only into that copy, and opening the file again keeps the copy, even
  // after the device's own file was touched later.
  void OpenOnDevice() {
    Device d;
    WriteAll(d.Storage("notes.txt"), {'h', 'i'});
    WritePicture(d.Storage(kNonAsciiFile), 40, 24);
    const std::string before = WritePicture(d.env.File("before.qdl"), 102, 64);
    d.env.prompter.open_answers.push_back(before);
    d.c().OpenOnPc();
    TheState().DevicePath = "B:\\graphics\\before.qdl";
    d.env.prompter.device_answers = {std::nullopt, "B:\\graphics\\notes.txt"};
    d.c().OpenOnDevice();
    QCOMPARE(TheState().DevicePath, std::string("B:\\graphics\\before.qdl"));
    d.c().OpenOnDevice();
    QCOMPARE(d.env.prompter.MessageTexts(), std::vector<std::string>{kNotImageMessage});
    QCOMPARE(TheState().CurFileName, before);
    QCOMPARE(d.w->windowTitle(), QString("Dotcaster - PC:before.qdl"));
    QCOMPARE(d.Result().size(), QSize(102, 64));

    d.OpenFromDevice(kNonAsciiFile);
    QCOMPARE(d.env.prompter.device_requests.back().startFolder, std::string("B:\\graphics\\"));
    const std::string cache = d.Cache(kNonAsciiFile);
    QCOMPARE(TheState().CurFileName, cache);
    QCOMPARE(TheState().CacheDir, FolderPart(cache));
    QCOMPARE(TheState().FileOnPC, 0);
    QCOMPARE(ReadAll(cache), QdlBytes(40, 24));
    QCOMPARE(d.Result().size(), QSize(40, 24));

    d.c().SetSizeDialogRunner([](AppState& s) {
      s.OutWidth = 50;
      s.OutHeight = 32;
      s.SizeDlgOK = true;
    });
    d.c().ShowConvertSize();
    std::filesystem::last_write_time(
        ToFsPath(d.Storage(kNonAsciiFile)),
        std::filesystem::file_time_type::clock::now() + std::chrono::seconds(30));
    d.env.prompter.message_answers.push_back(MsgAnswer::Yes);
    d.OpenFromDevice(kNonAsciiFile);
    QCOMPARE(d.env.prompter.MessageTexts(),
             (std::vector<std::string>{kNotImageMessage, "Do you want to save change?"}));
    QCOMPARE(d.link.puts, 0);
    QCOMPARE(ReadAll(d.Storage(kNonAsciiFile)), QdlBytes(40, 24));
    QCOMPARE(ReadAll(cache).size(), std::size_t(QdlFileSize(50, 32)));
    QCOMPARE(d.Result().size(), QSize(50, 32));
    QCOMPARE(d.w->windowTitle(), QString("Dotcaster - Vantro:") + kNonAsciiFile);
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::CommandsTest)
#include "commands_test.moc"
