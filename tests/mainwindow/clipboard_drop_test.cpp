// Paste and Copy through the real clipboard, and file drops as real drag events sent to each
// drop target, on the shown and active window.

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
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
class CountingMimeData : public QMimeData {
 public:
  mutable int reads = 0;

 protected:
  QVariant retrieveData(const QString& type, QMetaType meta) const override {
    ++reads;
    return QMimeData::retrieveData(type, meta);
  }
};

QByteArray Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

// A shown, active window with the Quadrel picture before.qdl loaded and unchanged.
struct Window {
  WindowEnv env;
  std::string before = WriteQdl(env.File("before.qdl"), 40, 24);
  std::unique_ptr<QDLmain> w = env.Start({before});
  Window() {
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get())) qFatal("the window did not become active");
  }
  QAction* Action(const char* name) { return w->findChild<QAction*>(name); }
  bool PasteEnabledWhenTheMenuOpens() {
    auto* edit = w->findChild<QMenu*>("EditCTRL");
    edit->popup(w->mapToGlobal(QPoint(0, 0)));
    edit->close();
    return Action("PasteClipboard")->isEnabled();
  }
};

// What `dotcast convert` makes of the picture at the window's settings after a reset.
Bytes DotcastResult(const std::string& picture, const std::string& out) {
  QProcess run;
  run.start(qEnvironmentVariable("DOTCAST"),
            {"convert", "--quiet", "--method", "document", "--level", "128", "-o",
             QString::fromStdString(out), QString::fromStdString(picture)});
  if (!run.waitForFinished(60000) || run.exitCode() != 0) qFatal("dotcast failed");
  return ReadAll(out);
}

}  // namespace

class ClipboardDropTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QGuiApplication::clipboard()->clear(); }

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
    QImage wide(33000, 1, QImage::Format_RGB32);
    wide.fill(Qt::white);
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
    QCOMPARE(t.PasteEnabledWhenTheMenuOpens(), offer != "text");
    if (offer == "text") {
      // Ctrl+V while the item is still enabled from an earlier clipboard.
      t.Action("PasteClipboard")->setEnabled(true);
    }
    QTest::keyClick(t.w.get(), Qt::Key_V, Qt::ControlModifier);

    std::vector<std::string> asked;
    if (answer >= 0 && offer != "text") asked.push_back("Do you want to save change?");
    if (outcome == "read error") asked.push_back("Read error!");
    QCOMPARE(t.env.prompter.MessageTexts(), asked);
    if (outcome == "nothing") {
      QCOMPARE(TheState().CurFileName, t.before);
      QCOMPARE(t.w->windowTitle(), QString("Dotcaster - PC:before.qdl"));
      QCOMPARE(data->reads, 0);
    } else if (outcome == "read error") {
      QVERIFY(!TheState().ImageLoaded && TheState().CurFileName.empty());
      QCOMPARE(t.w->windowTitle(), QString("Dotcaster"));
      QVERIFY(t.w->findChild<QLabel*>("Image1_0")->pixmap().isNull());
    } else {
      QCOMPARE(t.w->windowTitle(), QString("Dotcaster - Untitled"));
      QVERIFY(TheState().Modified && !TheState().HasName && TheState().FileOnPC == 1);
      QCOMPARE(TheState().CurFileName, TheState().WorkClpFile);
      QCOMPARE(TheState().SrcExt, std::string(".BMP"));
      const std::string saved = t.env.File("photo.bmp");
      QVERIFY(photo.convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(saved)));
      QCOMPARE(ReadAll(TheState().WorkDspFile), DotcastResult(saved, t.env.File("dotcast.bmp")));
    }
  }

  // A drag over a drop target and, when it was accepted, the drop. `opens`: the name of the
  // file that is opened, empty when the picture stays.
  void Drop_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("opens");
    QTest::newRow("window, three files") << "QDLmain"
                                         << "three files" << true << "a.jpg";
    QTest::newRow("source picture, text file") << "Image1_0"
                                               << "notes.txt" << true << "";
    QTest::newRow("result picture, escaped name") << "Image1_1"
                                                  << "escaped" << true << "my pic äö日本.bmp";
    QTest::newRow("source frame, device cache") << "Picture1_0"
                                                << "cache" << true << "cat.qdl";
    QTest::newRow("result frame, text") << "Picture1_1"
                                        << "text" << false << "";
    QTest::newRow("source caption, remote only") << "Label1_0"
                                                 << "remote" << false << "";
    QTest::newRow("result caption, remote first") << "Label1_1"
                                                  << "remote first" << true << "b.gif";
    QTest::newRow("position label, a queued change is saved first (Cancel)")
        << "座標"
        << "queued change" << true << "";
    QTest::newRow("crop label, move only") << "切り出し座標"
                                           << "move only" << false << "";
  }
  void Drop() {
    QFETCH(QString, target);
    QFETCH(QString, payload);
    QFETCH(bool, accepted);
    QFETCH(QString, opens);
    Window t;
    const std::string cache = JoinPath(DefaultCacheDir(t.env.InstallDir()), "album");
    std::filesystem::create_directories(cache);
    const std::string a = WriteJpeg(t.env.File("a.jpg"), 30, 20);
    const std::string b = WriteGif(t.env.File("b.gif"), 30, 20);
    const std::string c = WriteQdl(t.env.File("c.qdl"), 30, 20);
    const std::string cat = WriteQdl(JoinPath(cache, "cat.qdl"), 30, 20);
    const std::string odd = WriteBmp24(t.env.File("my pic äö日本.bmp"), 30, 20);
    const std::string notes = t.env.File("notes.txt");
    WriteAll(notes, {'h', 'i'});
    auto url = [](const std::string& path) {
      return QUrl::fromLocalFile(QString::fromStdString(path));
    };

    QMimeData data;
    Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    if (payload == "three files") data.setUrls({url(a), url(b), url(c)});
    if (payload == "notes.txt") data.setUrls({url(notes)});
    if (payload == "escaped") {
      const QByteArray list = url(odd).toEncoded() + "\r\n";
      QVERIFY(list.contains("my%20pic%20%C3%A4%C3%B6%E6%97%A5%E6%9C%AC.bmp"));
      data.setData("text/uri-list", list);
    }
    if (payload == "cache") data.setUrls({url(cat)});
    if (payload == "text") data.setText(QString::fromStdString(a));
    if (payload == "remote") data.setUrls({QUrl("https://example.com/a.jpg")});
    if (payload == "remote first") data.setUrls({QUrl("https://example.com/a.jpg"), url(b)});
    if (payload == "queued change") {
      data.setUrls({url(a)});
      QTimer::singleShot(0, [] { TheState().Modified = true; });
      t.env.prompter.message_answers.push_back(MsgAnswer::Cancel);
    }
    if (payload == "move only") {
      data.setUrls({url(a)});
      actions = Qt::MoveAction;
    }

    QWidget* widget = target == "QDLmain" ? t.w.get() : t.w->findChild<QWidget*>(target);
    QVERIFY(widget);
    QDragEnterEvent enter(QPoint(2, 2), actions, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted) {
      QCOMPARE(enter.dropAction(), Qt::CopyAction);
      QDropEvent drop(QPointF(2, 2), actions, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(widget, &drop);
      QCOMPARE(drop.isAccepted(), !opens.isEmpty());
      QCOMPARE(drop.dropAction(), opens.isEmpty() ? Qt::IgnoreAction : Qt::CopyAction);
    }

    std::vector<std::string> asked;
    if (payload == "notes.txt") asked.push_back("This is not an image file.");
    if (payload == "queued change") asked.push_back("Do you want to save change?");
    QCOMPARE(t.env.prompter.MessageTexts(), asked);
    if (opens.isEmpty()) {
      QCOMPARE(TheState().CurFileName, t.before);
      QVERIFY(TheState().ImageLoaded);
      return;
    }
    QCOMPARE(QString::fromStdString(FileNamePart(TheState().CurFileName)), opens);
    QVERIFY(TheState().ImageLoaded);
    const bool from_cache = payload == "cache";
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
    WindowEnv env;
    auto w = env.Start();
    QVERIFY(!w->findChild<QAction*>("CopyResult")->isEnabled());
    TheState().CurFileName = WriteJpeg(env.File("photo.jpg"), 90, 70);
    QVERIFY(w->controller().LoadSourcePicture());
    w->controller().UpdateWindowState();
    w->show();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    const AppState before = TheState();
    QTest::keyClick(w.get(), Qt::Key_C, Qt::ControlModifier);

    const QImage copied = QGuiApplication::clipboard()->image();
    const Bytes shown = ReadAll(TheState().WorkDspFile);
    const QImage result = QImage::fromData(shown.data(), static_cast<int>(shown.size()), "BMP");
    QCOMPARE(copied.size(), QSize(90, 70));
    QCOMPARE(copied.convertToFormat(QImage::Format_RGB32),
             result.convertToFormat(QImage::Format_RGB32));
    QVERIFY(copied.allGray() && copied.colorCount() == 2);
    QCOMPARE(TheState().Modified, before.Modified);
    QCOMPARE(TheState().CurFileName, before.CurFileName);
    QCOMPARE(w->windowTitle(), QString("Dotcaster - Untitled"));
    QVERIFY(env.prompter.messages.empty());
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::ClipboardDropTest)
#include "clipboard_drop_test.moc"
