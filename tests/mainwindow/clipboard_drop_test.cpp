// Paste and Copy through the real clipboard, and file drops as real drag events sent to each
// drop target, on the shown and active window.

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <filesystem>

#include "devicelink/install.h"
#include "formats/bytes.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "state/paths.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {

// Counts the reads of its contents (not the questions about which types it holds).
struct CountingMimeData : QMimeData {
  mutable int reads = 0;
  QVariant retrieveData(const QString& type, QMetaType meta) const override {
    ++reads;
    return QMimeData::retrieveData(type, meta);
  }
};

QByteArray Encoded(const QImage& image, const char* format) {
  QBuffer buffer;  // opened by the writer
  image.save(&buffer, format);
  return buffer.data();
}

// A shown, active window with the Quadrel picture before.qdl loaded and unchanged.
struct Window {
  WindowEnv env;
  std::string before = WritePicture(env.File("before.qdl"), 40, 24);
  std::unique_ptr<QDLmain> w = env.Start({before});
  Window() {
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get())) qFatal("the window did not become active");
  }
};

constexpr int kAny = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
struct DropRow {
  const char *name, *target, *files;  // files: ';' between names
  bool accepted;
  const char* opens;   // "": the picture stays
  int actions = kAny;  // what the drag source allows
};
const DropRow kDropRows[] = {
    {"window, three files", "QDLmain", "a.jpg;b.bmp;notes.txt", true, "a.jpg"},
    {"source picture, text file", "Image1_0", "notes.txt", true, ""},
    {"result picture, escaped name", "Image1_1", "my pic äö日本.bmp", true, "my pic äö日本.bmp"},
    {"source frame, device cache", "Picture1_0",
     "link/pcshelf/cache/accessor/graphics/album/cat.qdl", true, "cat.qdl"},
    {"result frame, text", "Picture1_1", "", false, ""},
    {"source caption, remote only", "Label1_0", "https://example.com/a.jpg", false, ""},
    {"result caption, remote first", "Label1_1", "https://example.com/a.jpg;b.bmp", true, "b.bmp"},
    {"position label, a queued change and Cancel", "座標", "a.jpg", true, ""},
    {"crop label, move only", "切り出し座標", "a.jpg", false, "", Qt::MoveAction},
};

}  // namespace

class ClipboardDropTest : public QObject {
  Q_OBJECT

 private slots:
  // Ctrl+V with what the clipboard holds; `answer` is the save prompt's (-1: no changes).
  void Paste_data() {
    QTest::addColumn<QString>("offer");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("image of this process") << "image" << -1 << "pasted";
    QTest::newRow("PNG of another program, No") << "image/png" << int(MsgAnswer::No) << "pasted";
    QTest::newRow("bitmap of another program") << "image/bmp" << -1 << "pasted";
    QTest::newRow("text") << "text" << int(MsgAnswer::Yes) << "nothing";
    QTest::newRow("Cancel reads no clipboard") << "image" << int(MsgAnswer::Cancel) << "nothing";
    QTest::newRow("unreadable PNG") << "broken png" << -1 << "read error";
    QTest::newRow("image beyond the limits") << "wide image" << -1 << "read error";
    QTest::newRow("PNG beyond the limits") << "wide png" << -1 << "read error";
    QTest::newRow("working file not writable") << "unwritable" << -1 << "read error";
  }
  void Paste() {
    QFETCH(QString, offer);
    QFETCH(int, answer);
    QFETCH(QString, outcome);
    Window t;
    const QImage photo = TestPhoto(77, 33);  // rows of 231 bytes: the bitmap pads them
    const QImage wide = photo.scaled(33000, 1);
    auto* data = new CountingMimeData;
    if (offer == "image" || offer == "unwritable") data->setImageData(photo);
    if (offer == "image/png") data->setData(offer, Encoded(photo, "PNG"));
    if (offer == "image/bmp") data->setData(offer, Encoded(photo, "BMP"));
    if (offer == "text") data->setText("a picture");
    if (offer == "broken png") data->setData("image/png", "\x89PNG\r\n\x1a\n broken");
    if (offer == "wide image") data->setImageData(wide);
    if (offer == "wide png") data->setData("image/png", Encoded(wide, "PNG"));
    if (offer == "unwritable") std::filesystem::create_directory(TheState().WorkClpFile);
    QGuiApplication::clipboard()->setMimeData(data);
    if (answer >= 0) {
      TheState().Modified = true;
      t.env.prompter.message_answers.push_back(static_cast<MsgAnswer>(answer));
    }
    auto* edit = t.w->findChild<QMenu*>("EditCTRL");  // the item is set as the menu opens
    edit->popup(t.w->mapToGlobal(QPoint(0, 0)));
    edit->close();
    QCOMPARE(t.w->findChild<QAction*>("PasteClipboard")->isEnabled(), offer != "text");
    // Ctrl+V while the item is still enabled from an earlier clipboard does nothing either.
    if (offer == "text") t.w->findChild<QAction*>("PasteClipboard")->setEnabled(true);
    QTest::keyClick(t.w.get(), Qt::Key_V, Qt::ControlModifier);

    std::vector<std::string> asked;
    if (answer >= 0 && offer != "text") asked.push_back("Do you want to save change?");
    if (outcome == "read error") asked.push_back("Read error!");
    QCOMPARE(t.env.prompter.MessageTexts(), asked);
    if (outcome == "nothing") {
      QCOMPARE(TheState().CurFileName, t.before);
      QCOMPARE(data->reads, 0);
    } else if (outcome == "read error") {
      QVERIFY(!TheState().ImageLoaded && TheState().CurFileName.empty());
    } else {
      QCOMPARE(t.w->windowTitle(), QString("Dotcaster - Untitled"));
      QVERIFY(TheState().Modified && !TheState().HasName && TheState().FileOnPC == 1);
      QCOMPARE(TheState().CurFileName, TheState().WorkClpFile);
      QCOMPARE(ReadAll(TheState().WorkDspFile),
               DotcastBitmap(WritePicture(t.env.File("photo.bmp"), 77, 33),
                             {"--method", "document", "--level", "128"}));
    }
  }

  // A drag over a drop target and, when it is accepted, the drop of files of the test folder
  // or remote ones; with no files, their text is dragged.
  void Drop_data() { AddRows(kDropRows); }
  void Drop() {
    const DropRow& r = Row(kDropRows);
    const QString target = r.target, opens = r.opens;
    const QStringList files = QString(r.files).split(';', Qt::SkipEmptyParts);
    Window t;
    const std::string album = JoinPath(DefaultCacheDir(t.env.install_dir), "album");
    std::filesystem::create_directories(album);
    for (const char* name : {"a.jpg", "b.bmp", "my pic äö日本.bmp"})
      WritePicture(t.env.File(name), 30, 20);
    WritePicture(JoinPath(album, "cat.qdl"), 30, 20);
    WriteAll(t.env.File("notes.txt"), {'h', 'i'});

    // The file list as a file manager sends it: URLs, percent-encoded, one a line.
    QByteArray list;
    const QString dir = QString::fromStdString(t.env.File(""));
    for (const QString& f : files)
      list += (f.contains(':') ? QUrl(f) : QUrl::fromLocalFile(dir + f)).toEncoded() + "\r\n";
    QMimeData data;
    files.isEmpty() ? data.setText("a.jpg") : data.setData("text/uri-list", list);
    const bool queued_change = target == "座標";
    if (queued_change) {
      QTimer::singleShot(0, [] { TheState().Modified = true; });
      t.env.prompter.message_answers.push_back(MsgAnswer::Cancel);
    }

    QWidget* widget = target == "QDLmain" ? t.w.get() : t.w->findChild<QWidget*>(target);
    QDragEnterEvent enter(QPoint(2, 2), Qt::DropActions(r.actions), &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QCOMPARE(enter.isAccepted(), r.accepted);
    if (r.accepted) {
      QCOMPARE(enter.dropAction(), Qt::CopyAction);
      QDropEvent drop(QPointF(2, 2), Qt::DropActions(r.actions), &data, Qt::LeftButton,
                      Qt::NoModifier);
      QApplication::sendEvent(widget, &drop);
      QCOMPARE(drop.isAccepted(), !opens.isEmpty());
      QCOMPARE(drop.dropAction(), opens.isEmpty() ? Qt::IgnoreAction : Qt::CopyAction);
    }

    std::vector<std::string> asked;
    if (files == QStringList{"notes.txt"}) asked.push_back("This is not an image file.");
    if (queued_change) asked.push_back("Do you want to save change?");
    QCOMPARE(t.env.prompter.MessageTexts(), asked);
    QVERIFY(TheState().ImageLoaded);
    if (opens.isEmpty()) {
      QCOMPARE(TheState().CurFileName, t.before);
      return;
    }
    QCOMPARE(QString::fromStdString(FileNamePart(TheState().CurFileName)), opens);
    const bool from_cache = opens == "cat.qdl";
    QCOMPARE(TheState().FileOnPC, from_cache ? 0 : 1);
    QCOMPARE(from_cache ? TheState().CacheDir : TheState().UserDataDir,
             FolderPart(TheState().CurFileName));
    if (from_cache) {
      t.env.prompter.device_answers.push_back(std::nullopt);
      t.w->controller().OpenOnDevice();
      QCOMPARE(t.env.prompter.device_requests.back().startFolder,
               std::string("B:\\graphics\\album\\"));
    }
  }

  // Ctrl+C puts the result's dots on the clipboard, black and white, and changes nothing.
  void CopyPutsTheResultDots() {
    Window t;
    QTest::keyClick(t.w.get(), Qt::Key_C, Qt::ControlModifier);
    const QImage copied = QGuiApplication::clipboard()->image();
    const QImage result(QString::fromStdString(TheState().WorkDspFile), "BMP");  // Qt's decoder
    QCOMPARE(copied.colorCount(), 2);
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
             result.convertToFormat(QImage::Format_RGB32));
    QVERIFY(!TheState().Modified && t.env.prompter.messages.empty());
    QCOMPARE(t.w->windowTitle(), QString("Dotcaster - PC:before.qdl"));
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::ClipboardDropTest)
#include "clipboard_drop_test.moc"
