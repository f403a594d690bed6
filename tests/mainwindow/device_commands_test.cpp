// The device file commands end to end: the real window, the folder link over a test
// installation whose folder is named in non-ASCII letters (long enough that its cache paths
// take more than 200 bytes but fewer than 200 characters), and scripted dialog answers.

#include <QLabel>
#include <QtTest>
#include <filesystem>

#include "devicelink/folder_link.h"
#include "devicelink/install.h"
#include "formats/probe.h"
#include "formats/quadrel.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {
namespace fs = std::filesystem;

constexpr const char* kNonAsciiFile = "Größe-日本.qdl";

// The folder link, counting uploads and refusing them on demand.
class WatchedLink : public FolderDeviceLink {
 public:
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
  const int used = QString::fromStdString(DefaultCacheDir(test_folder)).size() + 20;
  const int letters = 190 - used;
  if (letters < 20) qFatal("the test folder %s is too deep", test_folder.c_str());
  return QString("Ablage-äöü").repeated(letters / 10 + 1).left(letters).toStdString();
}

struct Device {
  WindowEnv env{Install::kFull, LongInstallName(TempDir().path().string())};
  WatchedLink link{env.InstallDir()};
  DeviceLink* previous = SetDeviceLink(&link);
  std::unique_ptr<QDLmain> w;

  Device() {
    CreateInstallationTree(env.InstallDir());
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
    return JoinPath(DefaultCacheDir(env.InstallDir()), name);
  }
  QImage Result() const { return w->findChild<QLabel*>("Image1_1")->pixmap().toImage(); }
  void OpenFromDevice(const std::string& name) {
    env.prompter.device_answers.push_back("B:\\graphics\\" + name);
    c().OpenOnDevice();
  }
};

}  // namespace

class DeviceCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  // Save to the device from each kind of picture: the dialog proposes a name (none for a
  // device picture, which is written in place and transferred again even unchanged), the
  // picture lands in the storage and the cache, and the title names the cache copy. A
  // refused upload is reported and the save completes all the same.
  void SaveToDevice_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QString>("proposed");  // empty: no dialog expected
    QTest::newRow("Quadrel file from the PC") << "cat.qdl" << false << "cat";
    QTest::newRow("unsaved photo") << "photo.jpg" << false << "Untitled";
    QTest::newRow("unchanged device picture") << "device" << false << "";
    QTest::newRow("upload refused") << "photo.jpg" << true << "Untitled";
  }
  void SaveToDevice() {
    QFETCH(QString, source);
    QFETCH(bool, refuse);
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
    d.link.refuse = refuse;
    d.env.prompter.device_answers.push_back("B:\\graphics\\" + name);
    d.c().SaveToDevice();

    QCOMPARE(d.env.prompter.device_requests.size(), asked_before + (proposed.isEmpty() ? 0 : 1));
    if (!proposed.isEmpty()) {
      const DeviceFileDialogRequest& r = d.env.prompter.device_requests.back();
      QVERIFY(r.save);
      QCOMPARE(r.fileType, std::string("qdl"));
      QCOMPARE(r.startFolder, std::string("B:\\graphics\\"));
      QCOMPARE(QString::fromStdString(r.proposedName), proposed);
    }
    QCOMPARE(d.link.puts, 1);
    QCOMPARE(TheState().DevicePath, "B:\\graphics\\" + name);
    QCOMPARE(TheState().CurFileName, d.Cache(name));
    QCOMPARE(TheState().FileOnPC, 0);
    QVERIFY(TheState().HasName && !TheState().Modified && !TheState().UploadAfterSave);
    QCOMPARE(d.w->windowTitle(), QString::fromStdString("Dotcaster - Vantro:" + name));
    // A refused upload leaves the picture in the cache copy, which the title names.
    const Bytes written = ConvertQdlBmp(ReadAll(TheState().WorkDspFile)).value();
    QCOMPARE(ReadAll(d.Cache(name)), written);
    if (refuse) {
      QCOMPARE(d.env.prompter.MessageTexts(),
               std::vector<std::string>{"File translate error when upload to Vantro!"});
      QVERIFY(!Exists(d.Storage(name)));
      return;
    }
    QVERIFY(d.env.prompter.messages.empty());
    QCOMPARE(ReadAll(d.Storage(name)), written);
  }

  // Opening a device file: Cancel changes nothing; a file that is no picture by name is
  // refused and the picture stays; a picture opens from its cache copy.
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
    QCOMPARE(d.w->windowTitle(), QString("Dotcaster - Vantro:") + kNonAsciiFile);
    QCOMPARE(d.Result().size(), QSize(40, 24));
  }

  // The save prompt writes a device picture only into its cache copy. Opening the file
  // again keeps that copy, even after the device's own file was touched later.
  void EditsInTheCacheCopySurviveReopening() {
    Device d;
    WritePicture(d.Storage("cat.qdl"), 102, 64);
    d.OpenFromDevice("cat.qdl");
    d.c().SetSizeDialogRunner([](AppState& s) {
      s.OutWidth = 50;
      s.OutHeight = 32;
      s.SizeDlgOK = true;
    });
    d.c().ShowConvertSize();
    QVERIFY(TheState().Modified);
    fs::last_write_time(ToFsPath(d.Storage("cat.qdl")),
                        fs::file_time_type::clock::now() + std::chrono::seconds(30));

    d.env.prompter.message_answers.push_back(MsgAnswer::Yes);
    d.OpenFromDevice("cat.qdl");
    QCOMPARE(d.env.prompter.MessageTexts(),
             std::vector<std::string>{"Do you want to save change?"});
    QCOMPARE(d.link.puts, 0);
    QCOMPARE(ReadAll(d.Storage("cat.qdl")), QdlBytes(102, 64));
    QCOMPARE(ReadAll(d.Cache("cat.qdl")).size(), std::size_t(QdlFileSize(50, 32)));
    QCOMPARE(d.Result().size(), QSize(50, 32));
    QCOMPARE(d.w->windowTitle(), QString("Dotcaster - Vantro:cat.qdl"));
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::DeviceCommandsTest)
#include "device_commands_test.moc"
