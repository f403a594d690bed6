// The Convert Size dialog, driven as a user would: clicks, typing and keys on the shown
// dialog, with the validation messages answered by a scripted prompter.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "dialogs/centre.h"
#include "dialogs/convert_size_dialog.h"
#include "scripted_prompter.h"

using dotcaster::AppState;
using dotcaster::QDLChange;

namespace {

struct CountingHelp : dotcaster::HelpProvider {
  int shown = 0;
  void ShowTopics() override { ++shown; }
};

AppState ResetState() {
  AppState state;
  dotcaster::ResetPictureState(state);
  return state;
}

// A dialog shown over nothing, with typed access to its controls by design name.
struct Harness {
  explicit Harness(AppState& state, QDLChange::ConfirmDiscardEdits confirm = {},
                   dotcaster::HelpProvider* help = nullptr)
      : dialog(state, std::move(confirm), help) {
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  }
  template <class W>
  W* get(const char* name) {
    W* w = dialog.findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QRadioButton* option(const char* name) { return get<QRadioButton>(name); }
  QLineEdit* field(int i) { return get<QLineEdit>(i == 0 ? "CustomSize_0" : "CustomSize_1"); }
  void type(int i, const QString& text) {
    field(i)->selectAll();
    QTest::keyClick(field(i), Qt::Key_Delete);
    QTest::keyClicks(field(i), text);
  }
  // Radio buttons and check boxes react only near their indicator and text.
  void click(const char* name) {
    auto* b = get<QAbstractButton>(name);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
  }
  // One change of the whole text, as a paste makes it.
  void paste(int i, const QString& text) { field(i)->setText(text); }
  void ok() { QTest::mouseClick(get<QPushButton>("Command1"), Qt::LeftButton); }
  void cancel() { QTest::mouseClick(get<QPushButton>("Command2"), Qt::LeftButton); }

  QDLChange dialog;
};

// One named row per case: the table is a list of (name, row) pairs.
template <class Row>
void AddRows(std::initializer_list<std::pair<const char*, Row>> rows) {
  QTest::addColumn<Row>("row");
  for (const auto& [name, row] : rows)
    QTest::newRow(name) << row;
}

struct OpenRow {
  int sizeMode;
  bool zoom, justZoom;
  int width, height;
  const char* checkedSize;  // empty: none
  bool fieldsEnabled, ratioEnabled;
};
struct OkRow {
  const char *option, *width, *height;
  int sizeMode, outWidth, outHeight;
};
struct RefuseRow {
  const char *width, *height, *message;
  int badField;
  const char* restored;  // the bad field's text afterwards
};
struct SpinRow {
  int field;
  const char* start;
  bool up;
  const char* after;
};

}  // namespace

Q_DECLARE_METATYPE(OpenRow)
Q_DECLARE_METATYPE(OkRow)
Q_DECLARE_METATYPE(RefuseRow)
Q_DECLARE_METATYPE(SpinRow)

class QDLChangeTest : public QObject {
  Q_OBJECT

 private slots:
  void captionsAndTabOrderAreTheDesigns() {
    AppState state = ResetState();
    Harness h(state);
    QCOMPARE(h.dialog.windowTitle(), QStringLiteral("Convert Size"));
    const std::pair<const char*, const char*> captions[] = {
        {"QDLZoom_0", "&No Stretch"},
        {"QDLZoom_1", "&Stretch image,according to size."},
        {"JustZoom", "&Fix ratio of width / height"},
        {"QDLSize_0", "Width : &102  Height : 64"},
        {"QDLSize_1", "Width : &320  Height : 240"},
        {"QDLSize_2", "C&ustom Size"},
        {"Command1", "&OK"},
        {"Command2", "&Cancel"},
    };
    for (const auto& [name, caption] : captions)
      QCOMPARE(h.get<QAbstractButton>(name)->text(), QString::fromUtf8(caption));
    QVERIFY(h.get<QPushButton>("Command1")->isDefault());
    QVERIFY(!(h.dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(h.dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
    // The tab order of the design.
    const QStringList expected = {"QDLZoom_0", "QDLZoom_1", "JustZoom",     "QDLSize_0",
                                  "QDLSize_1", "QDLSize_2", "CustomSize_0", "CustomSize_1",
                                  "Command1",  "Command2",  "UpDown1_0",    "UpDown1_1"};
    QStringList seen;
    QWidget* w = h.get<QWidget>("QDLZoom_0");
    for (int guard = 0; guard < 100 && seen.size() < expected.size(); ++guard) {
      if (expected.contains(w->objectName()) && !seen.contains(w->objectName()))
        seen << w->objectName();
      w = w->nextInFocusChain();
    }
    QCOMPARE(seen, expected);
  }

  void openingCopiesTheState_data() {
    AddRows<OpenRow>({
        {"after a reset: custom 102 x 64", {2, true, true, 102, 64, "QDLSize_2", true, true}},
        {"device size, no stretch keeps the ratio tick",
         {0, false, true, 40, 30, "QDLSize_0", false, false}},
        {"full size, stretch without ratio", {1, true, false, 320, 240, "QDLSize_1", false, true}},
        {"unknown size mode selects no size", {7, true, true, 10, 20, "", false, true}},
    });
  }
  void openingCopiesTheState() {
    QFETCH(OpenRow, row);
    const auto [sizeMode, zoom, justZoom, width, height, checkedSize, fieldsEnabled, ratioEnabled] =
        row;
    AppState state = ResetState();
    state.SizeMode = static_cast<std::int16_t>(sizeMode);
    state.ZoomMode = zoom;
    state.JustZoom = justZoom;
    state.OutWidth = static_cast<std::int16_t>(width);
    state.OutHeight = static_cast<std::int16_t>(height);
    Harness h(state);

    QCOMPARE(h.option("QDLZoom_1")->isChecked(), zoom);
    QCOMPARE(h.option("QDLZoom_0")->isChecked(), !zoom);
    QCOMPARE(h.get<QCheckBox>("JustZoom")->isChecked(), justZoom);
    QCOMPARE(h.get<QCheckBox>("JustZoom")->isEnabled(), ratioEnabled);
    for (const char* name : {"QDLSize_0", "QDLSize_1", "QDLSize_2"})
      QCOMPARE(h.option(name)->isChecked(), std::string_view(checkedSize) == name);
    QCOMPARE(h.field(0)->text(), QString::number(width));
    QCOMPARE(h.field(1)->text(), QString::number(height));
    for (const char* name : {"CustomSize_0", "CustomSize_1", "UpDown1_0", "UpDown1_1"})
      QCOMPARE(h.get<QWidget>(name)->isEnabled(), fieldsEnabled);
    QCOMPARE(h.dialog.LastGood()[0], width);
    QCOMPARE(h.dialog.LastGood()[1], height);
  }

  void sizeRuleFollowsTheOptionAndKeepsTheValues() {
    AppState state = ResetState();
    Harness h(state);
    const QColor enabled_base = h.field(0)->palette().color(QPalette::Base);
    h.click("QDLSize_1");
    QVERIFY(!h.field(0)->isEnabled());
    QVERIFY(!h.get<QWidget>("UpDown1_1")->isEnabled());
    QVERIFY(!h.get<dotcaster::SpinButtons>("UpDown1_0")->upButton()->isEnabled());
    QCOMPARE(h.field(0)->text(), QStringLiteral("102"));
    QVERIFY(h.field(0)->palette().color(QPalette::Base) != enabled_base);
    h.click("QDLSize_2");
    QVERIFY(h.field(1)->isEnabled());
    QCOMPARE(h.field(0)->palette().color(QPalette::Base), enabled_base);
  }

  void stretchRuleLocksTheRatioButItIsStillWritten() {
    AppState state = ResetState();
    state.JustZoom = true;
    Harness h(state);
    auto* ratio = h.get<QCheckBox>("JustZoom");
    h.click("QDLZoom_0");
    QVERIFY(!ratio->isEnabled());
    h.click("JustZoom");  // ignored while disabled
    QVERIFY(ratio->isChecked());
    h.ok();
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));
    QVERIFY(!state.ZoomMode);
    QVERIFY(state.JustZoom);
  }

  void okWritesTheChosenSize_data() {
    AddRows<OkRow>({
        {"device size ignores the fields", {"QDLSize_0", "999", "0", 0, 102, 64}},
        {"full size ignores the fields", {"QDLSize_1", "77", "-3", 1, 320, 240}},
        {"custom", {"QDLSize_2", "150", "90", 2, 150, 90}},
        {"custom at both maxima", {"QDLSize_2", "320", "240", 2, 320, 240}},
        {"custom width 1 is accepted", {"QDLSize_2", "1", "1", 2, 1, 1}},
    });
  }
  void okWritesTheChosenSize() {
    QFETCH(OkRow, row);
    const auto [option, width, height, sizeMode, outWidth, outHeight] = row;
    dotcaster::testing::ScriptedPrompter prompter;
    AppState state = ResetState();
    Harness h(state);
    h.type(0, width);
    h.type(1, height);
    h.click(option);
    // Enter in a field is OK as well.
    sizeMode == dotcaster::kSizeCustom ? QTest::keyClick(h.field(1), Qt::Key_Return) : h.ok();
    QCOMPARE(prompter.messages.size(), std::size_t{0});
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));
    QVERIFY(state.SizeDlgOK);
    QCOMPARE(state.SizeMode, sizeMode);
    QCOMPARE(state.OutWidth, outWidth);
    QCOMPARE(state.OutHeight, outHeight);
  }

  void okRefusesACustomSizeOutOfRange_data() {
    const char* max = "Maximum size is H : 320 V : 240.";
    const char* min = "Minimum size is H : 1 V : 1.";
    AddRows<RefuseRow>({
        {"width 321", {"321", "64", max, 0, "102"}},
        {"width 0", {"0", "64", min, 0, "102"}},
        {"width negative", {"-5", "64", min, 0, "102"}},
        {"width empty", {"", "64", min, 0, "102"}},
        {"height 241", {"100", "241", max, 1, "64"}},
        {"height 0", {"100", "0", min, 1, "64"}},
        {"both bad: only the width is reported", {"500", "0", max, 0, "102"}},
    });
  }
  void okRefusesACustomSizeOutOfRange() {
    QFETCH(RefuseRow, row);
    const auto [width, height, message, badField, restored] = row;
    dotcaster::testing::ScriptedPrompter prompter;
    AppState state = ResetState();
    state.SizeDlgOK = true;
    AppState before = state;
    Harness h(state);
    h.paste(0, width);
    h.paste(1, height);
    h.ok();

    QCOMPARE(prompter.MessageTexts(), std::vector<std::string>{message});
    QCOMPARE(prompter.messages[0].title, std::string("Dotcaster"));
    QCOMPARE(prompter.messages[0].icon, dotcaster::MsgIcon::Exclamation);
    QCOMPARE(prompter.messages[0].buttons, dotcaster::MsgButtons::Ok);
    QCOMPARE(h.field(badField)->text(), QString(restored));
    QCOMPARE(QApplication::focusWidget(), h.field(badField));
    QVERIFY(h.dialog.isVisible());
    QCOMPARE(h.dialog.result(), 0);
    QCOMPARE(state.OutWidth, before.OutWidth);
    QCOMPARE(state.OutHeight, before.OutHeight);
    QCOMPARE(state.SizeDlgOK, true);
  }

  void refusedEntryFallsBackToTheLastGoodValue() {
    dotcaster::testing::ScriptedPrompter prompter;
    AppState state = ResetState();
    Harness h(state);
    h.paste(0, "200");
    h.paste(0, "1");  // accepted, but never a fall-back value
    h.paste(0, "999");
    h.ok();
    QCOMPARE(h.field(0)->text(), QStringLiteral("200"));
    // The restored value is good: OK now goes through.
    h.ok();
    QCOMPARE(state.OutWidth, 200);
    QCOMPARE(prompter.messages.size(), std::size_t{1});

    // Every keystroke counts: typing 321 passes through 3 and 32, both good widths.
    h.type(0, "321");
    QCOMPARE(h.dialog.LastGood()[0], 32);
    h.ok();
    QCOMPARE(h.field(0)->text(), QStringLiteral("32"));
    QCOMPARE(prompter.MessageTexts().back(), std::string("Maximum size is H : 320 V : 240."));
  }

  void arrowKeysInAFieldStepWithoutARangeTest() {
    AppState state = ResetState();
    state.OutWidth = 320;
    state.OutHeight = 1;
    Harness h(state);
    QTest::keyClick(h.field(0), Qt::Key_Up);
    QCOMPARE(h.field(0)->text(), QStringLiteral("321"));
    QTest::keyClick(h.field(1), Qt::Key_Down);
    QCOMPARE(h.field(1)->text(), QStringLiteral("0"));
    // 321 is not a good value, so it is not remembered.
    QCOMPARE(h.dialog.LastGood()[0], 320);
  }

  void spinButtonsStayInRange_data() {
    AddRows<SpinRow>({
        {"width up", {0, "100", true, "101"}},
        {"width up at the maximum", {0, "320", true, "320"}},
        {"width above the maximum comes back", {0, "999", true, "320"}},
        {"height down at 1", {1, "1", false, "1"}},
        {"height down from 0", {1, "0", false, "1"}},
        {"height up at the maximum", {1, "240", true, "240"}},
    });
  }
  void spinButtonsStayInRange() {
    QFETCH(SpinRow, row);
    const auto [field, start, up, after] = row;
    AppState state = ResetState();
    Harness h(state);
    h.type(field, start);
    auto* spin = h.get<dotcaster::SpinButtons>(field == 0 ? "UpDown1_0" : "UpDown1_1");
    QTest::mouseClick(up ? spin->upButton() : spin->downButton(), Qt::LeftButton);
    QCOMPARE(h.field(field)->text(), QString(after));
  }

  // The Cancel button and Escape alike.
  void cancelChangesNothingButTheResultFlag() {
    for (const bool escape : {false, true}) {
      AppState state = ResetState();
      state.SizeDlgOK = true;
      const AppState before = state;
      Harness h(state);
      h.click("QDLZoom_0");
      h.click("QDLSize_1");
      h.click("QDLSize_2");
      h.type(0, "55");
      h.type(1, "44");
      h.click("QDLZoom_1");
      h.click("JustZoom");
      escape ? QTest::keyClick(h.field(0), Qt::Key_Escape) : h.cancel();
      QCOMPARE(h.dialog.result(), int(QDialog::Rejected));
      QVERIFY(!h.dialog.isVisible());
      QVERIFY(!state.SizeDlgOK);
      const auto fields = [](const AppState& s) {
        return std::tuple(s.SizeMode, s.OutWidth, s.OutHeight, s.ZoomMode, s.JustZoom);
      };
      QVERIFY(fields(state) == fields(before));
    }
  }

  // The edit confirmation comes with OK only, and keeping the edits makes OK a Cancel.
  void keepingHandEditsMakesOkACancel() {
    AppState state = ResetState();
    int asked = 0;
    Harness cancelled(state, [&] { return ++asked > 0; });
    cancelled.cancel();
    QCOMPARE(asked, 0);
    Harness h(state, [&] { return ++asked < 0; });
    h.click("QDLSize_1");
    h.ok();
    QCOMPARE(asked, 1);
    QCOMPARE(h.dialog.result(), int(QDialog::Rejected));
    QVERIFY(!state.SizeDlgOK);
    QCOMPARE(state.SizeMode, dotcaster::kSizeCustom);
  }

  void f1WithoutModifiersShowsHelp() {
    AppState state = ResetState();
    CountingHelp help;
    Harness h(state, {}, &help);
    QTest::keyClick(h.field(0), Qt::Key_F1);
    QTest::keyClick(h.option("QDLZoom_1"), Qt::Key_F1);
    QCOMPARE(help.shown, 2);
    QTest::keyClick(h.field(0), Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(h.field(0), Qt::Key_F1, Qt::ControlModifier);
    QTest::keyClick(h.get<QPushButton>("Command1"), Qt::Key_F1, Qt::AltModifier);
    QCOMPARE(help.shown, 2);
    QVERIFY(h.dialog.isVisible());
    Harness without_help(state);  // F1 with no help provider is harmless
    QTest::keyClick(without_help.field(0), Qt::Key_F1);
    QVERIFY(without_help.dialog.isVisible());
  }

  void centredOrigin() {
    const std::tuple<const char*, QSize, QSize, QPoint> rows[] = {
        {"centred", {1024, 768}, {400, 200}, {312, 284}},
        {"odd remainder rounds down", {101, 51}, {50, 20}, {25, 15}},
        {"wider than the screen", {640, 480}, {800, 100}, {0, 190}},
        {"taller than the screen", {640, 480}, {100, 900}, {270, 0}},
    };
    for (const auto& [name, screen, window, origin] : rows)
      QVERIFY2(dotcaster::CentredOrigin(screen, window) == origin, name);
  }
};

QTEST_MAIN(QDLChangeTest)
#include "convert_size_dialog_test.moc"
