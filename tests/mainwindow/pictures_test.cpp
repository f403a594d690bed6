// Pictures from cameras and other programs that a 16-bit header reading measured wrong, and
// names that are no file to read: the window loads what dotcast converts, with the same
// dots and the size dotcast info tells, and refuses the rest at once.

#include <sys/stat.h>

#include <QLabel>
#include <QProcess>
#include <QtTest>
#include <algorithm>

#include "formats/bytes.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {

// dotcast's standard output for the arguments, empty when it failed.
std::string Dotcast(const QStringList& args) {
  QProcess run;
  run.start(qEnvironmentVariable("DOTCAST"), args);
  if (!run.waitForFinished(60000) || run.exitCode() != 0) return {};
  return run.readAllStandardOutput().toStdString();
}

// A camera's colour profile before the frame: an APP2 segment of 40,000 bytes.
std::string WriteJpegWithProfile(const std::string& path) {
  std::vector<std::uint8_t> jpeg = ReadAll(WriteJpeg(path, 640, 480));
  std::vector<std::uint8_t> segment = {0xFF, 0xE2, 0x9C, 0x40};
  segment.resize(40002, 0xC0);
  jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
  WriteAll(path, jpeg);
  return path;
}

// The same 24-bit bitmap stored top-down: rows reversed, the height negative.
std::string WriteTopDownBmp(const std::string& path) {
  std::vector<std::uint8_t> bmp = ReadAll(WriteBmp24(path, 640, 480));
  const std::size_t start = Le32(bmp, 10), row = 640 * 3;
  for (std::size_t top = 0, bottom = 479; top < bottom; ++top, --bottom) {
    std::swap_ranges(bmp.begin() + static_cast<long>(start + top * row),
                     bmp.begin() + static_cast<long>(start + (top + 1) * row),
                     bmp.begin() + static_cast<long>(start + bottom * row));
  }
  PutLe32(bmp, 22, static_cast<std::uint32_t>(-480));
  WriteAll(path, bmp);
  return path;
}

// The same pixels behind an OS/2 header of 12 bytes with 16-bit sizes.
std::string WriteOs2Bmp(const std::string& path) {
  const std::vector<std::uint8_t> bmp = ReadAll(WriteBmp24(path, 640, 480));
  const std::uint8_t head[26] = {'B', 'M', 0, 0, 0, 0,    0,    0,    0,    0, 26, 0,  0,
                                 0,   12,  0, 0, 0, 0x80, 0x02, 0xE0, 0x01, 1, 0,  24, 0};
  std::vector<std::uint8_t> os2(bmp.begin() + Le32(bmp, 10) - 26, bmp.end());
  std::copy(std::begin(head), std::end(head), os2.begin());
  PutLe32(os2, 2, static_cast<std::uint32_t>(os2.size()));
  WriteAll(path, os2);
  return path;
}

}  // namespace

class PicturesTest : public QObject {
  Q_OBJECT

 private slots:
  void RealWorldPicturesLoadAsDotcastConvertsThem() {
    if (qEnvironmentVariable("DOTCAST").isEmpty()) QSKIP("dotcast is not built");
    WindowEnv env;
    for (const std::string& path :
         {WriteJpegWithProfile(env.File("profile.jpg")), WriteTopDownBmp(env.File("top.bmp")),
          WriteOs2Bmp(env.File("os2.bmp"))}) {
      auto w = env.Start({path});
      QVERIFY2(TheState().ImageLoaded, path.c_str());
      QVERIFY(env.prompter.messages.empty());
      QCOMPARE(w->findChild<QLabel*>("Label1_0")->text(), QString("Source image (640 x 480)"));
      QCOMPARE(TheState().OutWidth, 320);
      QCOMPARE(TheState().OutHeight, 240);
      const QString out = QString::fromStdString(env.File("dotcast.bmp"));
      Dotcast({"convert", "--force", QString::fromStdString(path), "-o", out});
      QCOMPARE(ReadAll(out.toStdString()), ReadAll(TheState().WorkDspFile));
      QVERIFY(Dotcast({"info", QString::fromStdString(path)}).find("  size: 640 x 480\n") !=
              std::string::npos);
    }
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
