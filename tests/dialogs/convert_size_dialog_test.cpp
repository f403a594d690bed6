#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "dialogs/centre.h"
#include "dialogs/convert_size_dialog.h"
#include "scripted_prompter.h"

using dotcaster::AppState;
using dotcaster::QDLChange;
using dotcaster::testing::ScriptedPrompter;

namespace {

constexpr char kMax[] = "Maximum size is H : 320 V : 240.";
constexpr char kMin[] = "Minimum size is H : 1 V : 1.";

// What OK or Cancel wrote, e.g. "ok stretch ratio custom 150x90".
QString Written(const AppState& s) {
  return QStringLiteral("%1 %2 %3 %4 %5x%6")
      .arg(s.SizeDlgOK ? "ok" : "cancelled", s.ZoomMode ? "stretch" : "fixed",
           s.JustZoom ? "ratio" : "noratio",
           QStringList{"device", "full", "custom"}.value(s.SizeMode, "?"))
      .arg(s.OutWidth)
      .arg(s.OutHeight);
}

// A dialog shown over nothing on a reset state that `setup` may change, with its controls
// by design name.
struct Harness {
  explicit Harness(const std::function<void(AppState&)>& setup = {},
                   QDLChange::ConfirmDiscardEdits confirm = {})
      : state([&] {
          AppState s;
          dotcaster::ResetPictureState(s);
          if (setup) setup(s);
          return s;
        }()),
        dialog(state, std::move(confirm), nullptr) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  }
  template <class W = QAbstractButton>
  W* get(const char* name) {
    W* w = dialog.findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QLineEdit* field(int i) { return get<QLineEdit>(i == 0 ? "CustomSize_0" : "CustomSize_1"); }
  void type(int i, const QString& text) {
    field(i)->selectAll();
    QTest::keyClick(field(i), Qt::Key_Delete);
    QTest::keyClicks(field(i), text);
  }
  // Buttons react only near their indicator and text.
  void click(const char* name) {
    QTest::mouseClick(get(name), Qt::LeftButton, {}, QPoint(6, get(name)->height() / 2));
  }
  void ok() { click("Command1"); }
  // The options as shown, e.g. "fixed ratio- device 40x30-": the stretch option, the ratio
  // tick, the size option and the custom fields, each followed by "-" while greyed.
  QString seen() {
    const char* size = get("QDLSize_0")->isChecked()   ? "device"
                       : get("QDLSize_1")->isChecked() ? "full"
                       : get("QDLSize_2")->isChecked() ? "custom"
                                                       : "none";
    QString fields = field(0)->text() + "x" + field(1)->text();
    for (const char* name : {"CustomSize_0", "CustomSize_1", "UpDown1_0", "UpDown1_1"})
      if (!get<QWidget>(name)->isEnabled()) fields += "-";
    return QStringLiteral("%1 %2%3 %4 %5")
        .arg(get("QDLZoom_1")->isChecked() ? "stretch" : "fixed",
             get("JustZoom")->isChecked() ? "ratio" : "noratio",
             get<QWidget>("JustZoom")->isEnabled() ? "" : "-", size, fields);
  }

  ScriptedPrompter prompter;
  AppState state;
  QDLChange dialog;
};
}  // namespace

class QDLChangeTest : public QObject {
  Q_OBJECT

 private slots:
  void textsAndTabOrder() {
    Harness h;
    QCOMPARE(h.dialog.windowTitle(), QStringLiteral("Convert Size"));
    QVERIFY(
        !(h.dialog.windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
    const QStringList order = {"QDLZoom_0", "QDLZoom_1", "JustZoom",     "QDLSize_0",
                               "QDLSize_1", "QDLSize_2", "CustomSize_0", "CustomSize_1",
                               "Command1",  "Command2",  "UpDown1_0",    "UpDown1_1"};
    QStringList captions, seen;
    for (const QString& name : order.mid(0, 6) + order.mid(8, 2))
      captions << h.get(qPrintable(name))->text();
    QCOMPARE(captions,
             (QStringList{"&No Stretch", "&Stretch image,according to size.",
                          "&Fix ratio of width / height", "Width : &102  Height : 64",
                          "Width : &320  Height : 240", "C&ustom Size", "&OK", "&Cancel"}));
    for (QWidget* w = h.get<QWidget>("QDLZoom_0"); seen.size() < order.size();
         w = w->nextInFocusChain())
      if (order.contains(w->objectName())) seen << w->objectName();
    QCOMPARE(seen, order);
    QTest::keyClick(h.field(0), Qt::Key_F1);  // no help to show: nothing happens
    QVERIFY(h.dialog.isVisible());
  }

  void openingShowsTheState() {
    using Opening = std::tuple<std::int16_t, bool, bool, std::int16_t, std::int16_t>;
    const std::pair<Opening, const char*> rows[] = {
        {{0, false, true, 40, 30}, "fixed ratio- device 40x30----"},
        {{1, true, false, 320, 240}, "stretch noratio full 320x240----"},
        {{7, true, true, 10, 20}, "stretch ratio none 10x20----"},  // an unknown size mode
    };
    for (const auto& [opening, seen] : rows) {
      Harness h([&](AppState& s) {
        std::tie(s.SizeMode, s.ZoomMode, s.JustZoom, s.OutWidth, s.OutHeight) = opening;
      });
      QCOMPARE(h.seen(), QString(seen));
    }
  }

  // Each option greys what it rules, and a greyed ratio tick is still written. Greyed
  // fields show the button face of the theme in use, a new theme included.
  void optionsGreyWhatTheyRule() {
    Harness h;
    const auto base = [&](QPalette::ColorGroup group) {
      return h.field(0)->palette().color(group, QPalette::Base);
    };
    h.click("QDLSize_1");
    QPalette theme = h.dialog.palette();
    theme.setColor(QPalette::Button, Qt::darkCyan);
    h.dialog.setPalette(theme);
    QCOMPARE(base(QPalette::Disabled), QColor(Qt::darkCyan));
    h.click("QDLZoom_0");
    h.click("JustZoom");  // ignored while greyed
    QCOMPARE(h.seen(), "fixed ratio- full 102x64----");
    h.click("QDLSize_2");
    QCOMPARE(h.seen(), "fixed ratio- custom 102x64");
    QCOMPARE(base(QPalette::Active), theme.color(QPalette::Active, QPalette::Base));
    h.ok();
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Written(h.state), "ok fixed ratio custom 102x64");
  }

  // The fixed sizes ignore the fields; Enter in a field is OK. A custom size out of range is
  // refused: the bad field (the width when both are) gets its last good text back and the
  // focus, and the state keeps its values.
  void okWritesTheChosenSizeOrRefusesIt() {
    const char* kept = "ok stretch ratio custom 102x64";
    // Rows: option, width, height, message (none: accepted), bad field, written.
    const std::tuple<const char*, const char*, const char*, const char*, int, const char*> rows[] =
        {
            {"QDLSize_0", "999", "0", nullptr, 0, "ok stretch ratio device 102x64"},
            {"QDLSize_1", "77", "-3", nullptr, 0, "ok stretch ratio full 320x240"},
            {"QDLSize_2", "320", "240", nullptr, 0, "ok stretch ratio custom 320x240"},
            {"QDLSize_2", "1", "1", nullptr, 0, "ok stretch ratio custom 1x1"},
            {"QDLSize_2", "321", "64", kMax, 0, kept},
            {"QDLSize_2", "0", "64", kMin, 0, kept},
            {"QDLSize_2", "-5", "64", kMin, 0, kept},
            {"QDLSize_2", "", "64", kMin, 0, kept},
            {"QDLSize_2", "100", "241", kMax, 1, kept},
            {"QDLSize_2", "100", "0", kMin, 1, kept},
            {"QDLSize_2", "500", "0", kMax, 0, kept},
        };
    for (const auto& [option, width, height, message, bad, written] : rows) {
      Harness h([&](AppState& s) { s.SizeDlgOK = message; });
      h.field(0)->setText(width);  // one change of the whole text, as a paste makes it
      h.field(1)->setText(height);
      h.click(option);
      std::string_view(option) == "QDLSize_2" ? QTest::keyClick(h.field(1), Qt::Key_Return)
                                              : h.ok();
      QCOMPARE(Written(h.state), written);
      QCOMPARE(h.dialog.result(), int(message ? QDialog::Rejected : QDialog::Accepted));
      if (!message) continue;
      QCOMPARE(h.prompter.MessageTexts(), std::vector<std::string>{message});
      const auto& box = h.prompter.messages[0];
      QVERIFY(box.title == "Dotcaster" && box.icon == dotcaster::MsgIcon::Exclamation &&
              box.buttons == dotcaster::MsgButtons::Ok);
      QCOMPARE(h.field(0)->text() + "x" + h.field(1)->text(),
               bad == 0 ? "102x" + QString(height) : QString(width) + "x64");
      QCOMPARE(QApplication::focusWidget(), h.field(bad));
      QVERIFY(h.dialog.isVisible());
    }
  }

  void refusedEntryFallsBackToTheLastGoodValue() {
    Harness h;
    h.field(0)->setText("200");
    h.field(0)->setText("1");  // accepted, but never a fall-back value
    h.field(0)->setText("999");
    h.ok();
    QCOMPARE(h.field(0)->text(), QStringLiteral("200"));
    h.ok();  // the restored value is good
    QCOMPARE(h.state.OutWidth, 200);
    // Every keystroke counts: typing 321 passes through 3 and 32, both good widths.
    h.type(0, "321");
    h.ok();
    QCOMPARE(h.field(0)->text(), QStringLiteral("32"));
  }

  // Rows: field (0 width, 1 height), value, up or down, value after the click. A value
  // out of range is brought into it before the step; the arrow keys in a field step with
  // no range at all (OK checks it).
  void stepsStayInRangeOnlyOnTheSpinButtons() {
    const std::tuple<int, const char*, bool, const char*> rows[] = {
        {0, "100", true, "101"}, {0, "320", true, "320"}, {0, "999", false, "319"},
        {1, "0", true, "2"},     {1, "1", false, "1"},    {1, "240", true, "240"},
    };
    Harness h;
    for (const auto& [i, start, up, after] : rows) {
      h.type(i, start);
      auto* spin = h.get<dotcaster::SpinButtons>(i == 0 ? "UpDown1_0" : "UpDown1_1");
      QTest::mouseClick(up ? spin->upButton() : spin->downButton(), Qt::LeftButton);
      QCOMPARE(QString(start) + " -> " + h.field(i)->text(), QString(start) + " -> " + after);
    }
    h.type(0, "320");
    QTest::keyClick(h.field(0), Qt::Key_Up);
    QTest::keyClick(h.field(1), Qt::Key_Down);  // from 240 after the last row
    QCOMPARE(h.field(0)->text() + "x" + h.field(1)->text(), QStringLiteral("321x239"));
  }

  // Cancel, Escape and OK with the hand edits kept all write nothing but the result flag;
  // only OK asks whether to drop the edits.
  void cancelChangesNothingButTheResultFlag() {
    for (const char* way : {"Cancel", "Escape", "OK"}) {
      int asked = 0;
      Harness h([](AppState& s) { s.SizeDlgOK = true; }, [&] { return ++asked < 0; });
      for (const char* option : {"QDLZoom_0", "QDLSize_1", "QDLSize_2", "QDLZoom_1", "JustZoom"})
        h.click(option);
      h.type(0, "55");
      if (way == std::string_view("Escape"))
        QTest::keyClick(h.field(0), Qt::Key_Escape);
      else
        h.click(way == std::string_view("OK") ? "Command1" : "Command2");
      QCOMPARE(h.dialog.result(), int(QDialog::Rejected));
      QVERIFY(!h.dialog.isVisible());
      QCOMPARE(Written(h.state), "cancelled stretch ratio custom 102x64");
      QCOMPARE(asked, int(way == std::string_view("OK")));
    }
  }

  // An odd remainder is rounded down; a window larger than the screen starts at its edge.
  void centredOrigin() {
    QCOMPARE(dotcaster::CentredOrigin({101, 51}, {50, 20}), QPoint(25, 15));
    QCOMPARE(dotcaster::CentredOrigin({640, 480}, {800, 100}), QPoint(0, 190));
    QCOMPARE(dotcaster::CentredOrigin({640, 480}, {100, 900}), QPoint(270, 0));
  }
};

QTEST_MAIN(QDLChangeTest)
#include "convert_size_dialog_test.moc"
