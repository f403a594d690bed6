#include "dialogs/device_dialogs.h"

#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <map>

#include "scripted_prompter.h"

using dotcaster::DeviceEntry;
using dotcaster::DeviceFileDialog;
using dotcaster::MsgAnswer;

namespace {

dotcaster::DeviceFileDialogRequest Request(bool save, const std::string& start = "B:\\graphics\\") {
  dotcaster::DeviceFileDialogRequest r{save, "qdl", start, save ? "Untitled" : "", {}};
  r.list = [](const std::string& folder) -> std::optional<std::vector<DeviceEntry>> {
    static const std::map<std::string, std::vector<DeviceEntry>> device = {
        {"B:\\", {{"graphics", true, 0, 1700000000}}},
        {"B:\\graphics\\",
         {{"cat.qdl", false, 820, 1700000000},
          {"notes.txt", false, 2, 0},
          {"album", true, 0, 1700000000},
          {"DOG.QDL", false, 1284, 1700003600}}},
        {"B:\\graphics\\album\\", {{"moon.qdl", false, 100, 1700000000}}},
    };
    return device.contains(folder) ? std::optional(device.at(folder)) : std::nullopt;
  };
  return r;
}

QStringList Names(QTreeWidget* list) {
  QStringList names;
  for (int i = 0; i < list->topLevelItemCount(); ++i)
    names << list->topLevelItem(i)->text(0);
  return names;
}

QTreeWidgetItem* Item(QTreeWidget* list, const QString& name) {
  const auto found = list->findItems(name, Qt::MatchExactly);
  if (found.isEmpty()) qFatal("%s is not listed", qPrintable(name));
  return found.front();
}

// A double click as the window system delivers it: press, release, press, release.
void DoubleClick(QTreeWidget* list, const QString& name) {
  QWidget* window = list->window();
  const QPoint at =
      list->viewport()->mapTo(window, list->visualItemRect(Item(list, name)).center());
  QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, at);
}

// Rows: name, save, action (dclick:NAME, enter:NAME, type:TEXT or escape), answer, path.
const std::tuple<const char*, bool, QString, int, QString> kChoices[] = {
    {"open, double click", false, "dclick:cat.qdl", 0, "B:\\graphics\\cat.qdl"},
    {"open, Enter", false, "enter:DOG.QDL", 0, "B:\\graphics\\DOG.QDL"},
    {"open, typed without type", false, "type:dog", 0, "B:\\graphics\\DOG.QDL"},
    {"open, typed missing", false, "type:bird", 0, ""},
    {"open, Escape", false, "escape", 0, ""},
    {"save, new name", true, "type:moon", 0, "B:\\graphics\\moon.qdl"},
    {"save, replace refused", true, "type:cat", int(MsgAnswer::No), ""},
    {"save, replace accepted", true, "dclick:cat.qdl", int(MsgAnswer::Yes),
     "B:\\graphics\\cat.qdl"},
    {"save, folder typed", true, "type:album", 0, ""},
    {"save, separator typed", true, "type:a\\b", 0, ""},
};

}  // namespace

class DeviceDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void BrowsesFoldersWithMouseAndKeys() {
    DeviceFileDialog d(Request(false));
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QCOMPARE(d.folderField()->text(), QString("B:\\graphics\\"));
    QCOMPARE(Names(d.list()), (QStringList{"album", "cat.qdl", "DOG.QDL"}));
    QCOMPARE(Item(d.list(), "cat.qdl")->text(1), QStringLiteral("820 bytes"));
    QVERIFY(!Item(d.list(), "DOG.QDL")->text(2).isEmpty());

    DoubleClick(d.list(), "album");
    QCOMPARE(d.folderField()->text(), QString("B:\\graphics\\album\\"));
    QCOMPARE(Names(d.list()), QStringList{"moon.qdl"});

    d.list()->setFocus();
    QTest::keyClick(d.list(), Qt::Key_Backspace);
    QCOMPARE(d.folderField()->text(), QString("B:\\graphics\\"));
    QCOMPARE(d.list()->currentItem()->text(0), QString("album"));  // the folder just left

    QTest::mouseClick(d.upButton(), Qt::LeftButton);
    QCOMPARE(d.folderField()->text(), QString("B:\\"));
    QVERIFY(!d.upButton()->isEnabled());
    QTest::keyClick(d.list(), Qt::Key_Backspace);
    QCOMPARE(d.folderField()->text(), QString("B:\\"));

    d.list()->setCurrentItem(Item(d.list(), "graphics"));
    QTest::keyClick(d.list(), Qt::Key_Return);
    QCOMPARE(d.folderField()->text(), QString("B:\\graphics\\"));
    QVERIFY(d.isVisible() && !d.Choice());

    // A start folder the device does not have falls back to the nearest one it has.
    DeviceFileDialog missing(Request(false, "B:\\graphics\\gone\\deeper\\"));
    QCOMPARE(missing.folderField()->text(), QString("B:\\graphics\\"));
  }

  // How each way of choosing ends: the path returned (empty: none) and the replace
  // question, answered as the row says (0: not asked). Without a path the dialog stays
  // open, unless it was escaped.
  void Chooses_data() {
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(kChoices)); ++i)
      QTest::newRow(std::get<0>(kChoices[i])) << i;
  }
  void Chooses() {
    QFETCH(int, row);
    const auto& [name, save, action, answer, chosen] = kChoices[row];
    dotcaster::testing::ScriptedPrompter prompter;
    if (answer) prompter.message_answers.push_back(static_cast<MsgAnswer>(answer));
    DeviceFileDialog d(Request(save));
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    const QString what = action.section(':', 0, 0);
    const QString arg = action.section(':', 1);
    if (what == "dclick") {
      DoubleClick(d.list(), arg);
    } else if (what == "enter") {
      d.list()->setFocus();
      d.list()->setCurrentItem(Item(d.list(), arg));
      QTest::keyClick(d.list(), Qt::Key_Return);
    } else if (what == "type") {
      d.nameField()->clear();
      QTest::keyClicks(d.nameField(), arg);
      QTest::keyClick(d.nameField(), Qt::Key_Return);
    } else {
      QTest::keyClick(d.list(), Qt::Key_Escape);
    }
    QCOMPARE(QString::fromStdString(d.Choice().value_or("")), chosen);
    QCOMPARE(d.result(), chosen.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    QCOMPARE(prompter.MessageTexts(),
             answer ? std::vector<std::string>{"B:\\graphics\\cat.qdl already exists.\r\nDo you "
                                               "want to replace it?"}
                    : std::vector<std::string>{});
    QCOMPARE(d.isVisible(), chosen.isEmpty() && what != "escape");
    if (action == "type:album") QCOMPARE(d.folderField()->text(), QString("B:\\graphics\\album\\"));
  }
};

QTEST_MAIN(DeviceDialogsTest)
#include "device_dialogs_test.moc"
