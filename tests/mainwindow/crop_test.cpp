// The crop selection driven with real mouse events on the offscreen platform: the frame and
// the two coordinate labels, which view is in front, the pop-up menu and the edit
// confirmation.

#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QtTest>

#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {

QLabel* Label(QDLmain& w, const char* name) {
  return w.findChild<QLabel*>(QString::fromUtf8(name));
}

// Text of a label that is shown; "" for a hidden one.
QString Shown(QDLmain& w, const char* name) {
  QLabel* label = Label(w, name);
  return label->isVisible() ? label->text() : QString();
}

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
    QWidget* image = Label(w, p[1] == "src" ? "Image1_0" : "Image1_1");
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

struct Gesture {
  const char* name;
  const char* picture;  // the size of a bitmap loaded first, "WxH"; "": none
  const char* script;
  int conversions;           // since the window was made
  const char* frame;         // Rubber "left,top,width,height" in view pixels; "": hidden
  const char* range;         // the crop-coordinates label; "": hidden
  const char* pointer;       // the pointer-coordinates label; "": hidden
  bool result_front, whole;  // the result view in front; the result is the whole picture's
};

const char *kPic = "200x150", *kFrame = "10,20,51,31",
           *kRange = "Valid range [010,020] - [060,050]";
const Gesture kGestures[] = {
    {"drag down and right", kPic, "drag", 2, kFrame, kRange, "[ 010 , 020 ] - [ 060 , 050 ]", true,
     false},
    {"drag up and left", kPic, "press src 60,50; move src 10,20; release src 10,20", 2, kFrame,
     kRange, "[ 060 , 050 ] - [ 010 , 020 ]", true, false},
    {"drag up and right", kPic, "press src 10,50; move src 60,20; release src 60,20", 2, kFrame,
     kRange, "[ 010 , 050 ] - [ 060 , 020 ]", true, false},
    {"drag down and left", kPic, "press src 60,20; move src 10,50; release src 10,50", 2, kFrame,
     kRange, "[ 060 , 020 ] - [ 010 , 050 ]", true, false},
    {"release on the start row", kPic, "drag; press src 30,40; move src 90,70; release src 90,40",
     3, "", "", "[ 030 , 040 ] - [ 090 , 040 ]", true, true},
    {"release on the start column", kPic,
     "drag; press src 30,40; move src 90,70; release src 30,70", 3, "", "",
     "[ 030 , 040 ] - [ 030 , 070 ]", true, true},
    {"drag out of the picture", kPic, "press src 150,100; move src 400,-50; release src 500,-80", 2,
     "150,0,50,101", "Valid range [150,000] - [199,100]", "[ 150 , 100 ] - [ 199 , 000 ]", true,
     false},
    {"640 x 480 shown at 320 x 240", "640x480",
     "press src -5,-5; move src 319,239; release src 330,250", 2, "0,0,320,240",
     "Valid range [000,000] - [639,479]", "[ 000 , 000 ] - [ 639 , 479 ]", true, true},
    {"click without a drag", kPic, "press src 30,30; release src 30,30", 1, "", "", "[ 030 , 030 ]",
     false, true},
    {"right click on the result", kPic, "rclick res 20,20", 1, "", "", "", true, true},
    {"right click on the source", kPic, "rclick src 20,20", 1, "", "", "", true, true},
    {"right click without a picture", "", "rclick res 20,20; press src 5,5; release src 5,5", 0, "",
     "", "", false, true},
    {"double click", kPic, "drag; press src 30,30; release src 30,30; dclick src 30,30", 3, "", "",
     "[ 030 , 030 ]", true, true},
    {"release kept for hand edits", kPic,
     "edited; press src 10,20; move src 60,50; release src 60,50", 1, "", "",
     "[ 010 , 020 ] - [ 060 , 050 ]", true, true},
    {"double click kept for hand edits", kPic, "drag; edited; dclick src 30,30", 2, kFrame, kRange,
     "[ 010 , 020 ] - [ 060 , 050 ]", true, false},
};

}  // namespace

class CropTest : public QObject {
  Q_OBJECT

 private slots:
  void Gestures_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kGestures)); ++i)
      QTest::newRow(kGestures[i].name) << i;
  }
  void Gestures() {
    QFETCH(int, row);
    const Gesture& g = kGestures[row];
    const QString script = g.script;
    const QStringList picture = QString(g.picture).split('x', Qt::SkipEmptyParts);
    const QStringList frame = QString(g.frame).split(',', Qt::SkipEmptyParts);
    WindowEnv env;
    std::vector<std::string> args;
    if (!picture.isEmpty()) {
      args.push_back(WritePicture(env.File("p.bmp"), picture[0].toInt(), picture[1].toInt()));
    }
    auto w = env.Start(args);
    const std::vector<std::uint8_t> loaded =
        picture.isEmpty() ? std::vector<std::uint8_t>{} : ReadAll(TheState().WorkDspFile);

    Play(*w, env, script);
    QCOMPARE(w->controller().ConversionCount(), g.conversions);
    QCOMPARE(TheState().CropActive, !frame.isEmpty());
    QCOMPARE(w->findChild<QFrame*>("Rubber")->isVisible(), !frame.isEmpty());
    if (!frame.isEmpty()) {
      QCOMPARE(w->RubberGeometry(),
               QRect(frame[0].toInt(), frame[1].toInt(), frame[2].toInt(), frame[3].toInt()));
    }
    QCOMPARE(Shown(*w, "切り出し座標"), QString(g.range));
    QCOMPARE(Shown(*w, "座標"), QString(g.pointer));
    QCOMPARE(w->ResultInFront(), g.result_front);
    auto* menu = w->findChild<QMenu*>("PopMenu");
    QCOMPARE(menu->isVisible(), script.contains("rclick res") && !picture.isEmpty());
    menu->close();
    if (!picture.isEmpty()) QCOMPARE(ReadAll(TheState().WorkDspFile) == loaded, g.whole);
    // Kept: asked once, the edits as they were.
    if (script.contains("edited")) {
      QCOMPARE(env.prompter.messages.size(), std::size_t(1));
      QVERIFY(TheState().ResultEdited);
    }
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::CropTest)
#include "crop_test.moc"
