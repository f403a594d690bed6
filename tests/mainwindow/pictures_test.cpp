// A picture from a camera that a 16-bit header reading measured wrong, and names that are no
// file to read: the window loads what dotcast converts, with the same dots and the size
// dotcast info tells, and refuses the rest at once.

#include <sys/stat.h>

#include <QLabel>
#include <QtTest>

#include "mainwindow/main_window.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {

// A camera's colour profile before the frame: an APP2 segment of 40,000 bytes.
std::string WriteJpegWithProfile(const std::string& path) {
  std::vector<std::uint8_t> jpeg = ReadAll(WriteJpeg(path, 640, 480));
  std::vector<std::uint8_t> segment = {0xFF, 0xE2, 0x9C, 0x40};
  segment.resize(40002, 0xC0);
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  WriteAll(path, jpeg);
  return path;
}

}  // namespace

class PicturesTest : public QObject {
  Q_OBJECT

 private slots:
  // The window measures a picture with the header reader that dotcast info uses (whose own
  // tests cover each kind of header) and decodes it to dotcast's dots.
  void RealWorldPictureLoadsAsDotcastConvertsIt() {
    WindowEnv env;
    const std::string path = WriteJpegWithProfile(env.File("profile.jpg"));
    auto w = env.Start({path});
    QVERIFY(TheState().ImageLoaded);
    QVERIFY(env.prompter.messages.empty());
    QCOMPARE(w->findChild<QLabel*>("Label1_0")->text(), QString("Source image (640 x 480)"));
    QCOMPARE(TheState().OutWidth, 320);
    QCOMPARE(TheState().OutHeight, 240);
    QCOMPARE(ReadAll(TheState().WorkDspFile), DotcastBitmap(path, {}));
    QVERIFY(RunDotcast({"info", QString::fromStdString(path)})
                .value_or("")
                .find("  size: 640 x 480\n") != std::string::npos);
  }

  // A FIFO by a picture's name: "Read error!" at once, no wait for a writer.
  void NamesThatAreNoFilesAreRefusedAtOnce() {
    WindowEnv env;
    for (const char* name : {"pipe.qdl", "pipe.jpg"}) {
      const std::string fifo = env.File(name);
      QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
      env.prompter.messages.clear();
      auto w = env.Start({fifo});
      QCOMPARE(env.prompter.MessageTexts(), std::vector<std::string>{"Read error!"});
      QVERIFY(!TheState().ImageLoaded);
    }
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::PicturesTest)
#include "pictures_test.moc"
