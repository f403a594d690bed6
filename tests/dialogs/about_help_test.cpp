// The About box and Dotcaster's help: the box for each application number, the manual's
// table of contents, and the help window staying usable from a modal dialog.

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBrowser>

#include "dialogs/about_dialog.h"
#include "dialogs/convert_size_dialog.h"
#include "dialogs/help_window.h"

using dotcaster::GlobalVersion;

namespace {

QString LabelText(const QWidget& parent, const char* name) {
  auto* label = parent.findChild<QLabel*>(QString::fromLatin1(name));
  return label ? label->text() : QStringLiteral("<missing>");
}

QString Manual() {
  QFile file(QStringLiteral(":/dotcaster/help/manual.html"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

}  // namespace

class AboutHelpTest : public QObject {
  Q_OBJECT

 private slots:
  // The box for each application number; OK is the default button, and a click, Enter and
  // Escape all close the box.
  void aboutShowsTheChosenApplicationAndCloses() {
    const auto first = QString::fromLatin1(dotcaster::kSuiteTitles[0].data());
    const auto last = QString::fromLatin1(dotcaster::kSuiteTitles[12].data());
    const std::tuple<int, QString, QString, int> rows[] = {
        {4, "About Dotcaster", "Dotcaster", 0},  // 0: click OK
        {0, "About " + first, first, Qt::Key_Return},
        {12, "About " + last, last, Qt::Key_Escape},
        {-1, "[Caption]", "[Caption]", 0},  // below the table
        {13, "[Caption]", "[Caption]", 0},  // above the table
    };
    for (const auto& [number, caption, title, key] : rows) {
      GlobalVersion about(static_cast<std::int16_t>(number));
      about.show();
      QVERIFY(QTest::qWaitForWindowExposed(&about));
      QCOMPARE(about.windowTitle(), caption);
      QCOMPARE(LabelText(about, "Label2"), title);
      QCOMPARE(LabelText(about, "Label3"),
               QStringLiteral("Version 2.00 for Windows95 / Windows98 / WindowsNT4.0"));
      for (int i = 0; i < dotcaster::kSuiteAppCount; ++i) {
        auto* icon = about.findChild<QLabel*>(QStringLiteral("Image2_%1").arg(i));
        QVERIFY(icon);
        QCOMPARE(icon->isVisible(), i == number);
      }
      auto* ok = about.findChild<QPushButton*>(QStringLiteral("Command1"));
      QVERIFY(ok && ok->isDefault());
      QCOMPARE(ok->text(), QStringLiteral("OK"));
      if (key == 0)
        QTest::mouseClick(ok, Qt::LeftButton);
      else
        QTest::keyClick(&about, static_cast<Qt::Key>(key));
      QVERIFY2(!about.isVisible(), qPrintable(caption));
    }
  }

  void suiteIconsAreDistinctAndOnlyForKnownNumbers() {
    QSet<QByteArray> seen;
    for (int i = 0; i < dotcaster::kSuiteAppCount; ++i) {
      const QPixmap icon = dotcaster::SuiteIcon(i, 32);
      QVERIFY(!icon.isNull());
      QCOMPARE(icon.size(), QSize(32, 32));
      const QImage image = icon.toImage();
      seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()),
                             static_cast<int>(image.sizeInBytes())));
    }
    QCOMPARE(seen.size(), dotcaster::kSuiteAppCount);
    QVERIFY(dotcaster::SuiteIcon(-1).isNull());
    QVERIFY(dotcaster::SuiteIcon(13).isNull());
    QVERIFY(dotcaster::SuiteIcon(4, 0).isNull());
  }

  void manualTopicsAreTheSectionHeadings_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("anchors");
    QTest::newRow("none") << "<h1>Only a title</h1><h2>no id</h2>" << QStringList{}
                          << QStringList{};
    QTest::newRow("in order") << R"(<h2 id="a">One</h2><p>x</p><h2 id="b">Two</h2>)"
                              << QStringList{"One", "Two"} << QStringList{"a", "b"};
    QTest::newRow("markup and entities") << R"(<H2 ID = "k" class="x"><b>Keys</b> &amp;
              shortcuts</H2>)" << QStringList{"Keys & shortcuts"}
                                         << QStringList{"k"};
  }
  void manualTopicsAreTheSectionHeadings() {
    QFETCH(QString, html);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, anchors);
    QStringList got_titles, got_anchors;
    for (const auto& topic : dotcaster::ManualTopics(html)) {
      got_titles << topic.title;
      got_anchors << topic.anchor;
    }
    QCOMPARE(got_titles, titles);
    QCOMPARE(got_anchors, anchors);
  }

  void bundledManualLinksOnlyToItsOwnSections() {
    const QString html = Manual();
    QVERIFY2(!html.isEmpty(), "the manual is not in the resources");
    QSet<QString> anchors;
    for (const auto& topic : dotcaster::ManualTopics(html))
      anchors.insert(topic.anchor);
    QVERIFY(anchors.size() >= 5);
    static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    int links = 0;
    for (auto it = link.globalMatch(html); it.hasNext(); ++links) {
      const QString target = it.next().captured(1);
      QVERIFY2(anchors.contains(target), qPrintable("broken link #" + target));
    }
    QVERIFY(links >= anchors.size());
  }

  void showTopicsOpensTheWindowAtItsContents() {
    dotcaster::HelpWindowProvider help;
    QVERIFY(!help.window());
    help.ShowTopics();
    dotcaster::HelpWindow* window = help.window();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(50);
    QCOMPARE(window->browser()->verticalScrollBar()->value(), 0);
    QCOMPARE(window->contents()->count(), static_cast<int>(window->topics().size()));
    QVERIFY(window->browser()->toPlainText().contains(QStringLiteral("Dotcaster")));

    // Choosing a topic moves the text; asking for the topics again returns to the top.
    window->contents()->setCurrentRow(window->contents()->count() - 1);
    QTRY_VERIFY(window->browser()->verticalScrollBar()->value() > 0);
    QVERIFY(!window->ShowTopic(QStringLiteral("no-such-topic")));
    help.ShowTopics();
    QCOMPARE(help.window(), window);  // one window, reused
    QTest::qWait(50);                 // focusing the contents must not pick a topic
    QCOMPARE(window->browser()->verticalScrollBar()->value(), 0);
    QVERIFY(window->contents()->selectedItems().isEmpty());
  }

  void helpFromAModalDialogIsLentToItAndComesBack() {
    QWidget home;
    dotcaster::HelpWindowProvider help(&home);
    dotcaster::AppState state;
    dotcaster::ResetPictureState(state);
    dotcaster::QDLChange dialog(state, {}, &help, &home);
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(QApplication::activeModalWidget(), &dialog);

    QTest::keyClick(dialog.findChild<QWidget*>(QStringLiteral("CustomSize_0")), Qt::Key_F1);
    QVERIFY(help.window());
    QCOMPARE(help.window()->parentWidget(), &dialog);
    QVERIFY(help.window()->isVisible());
    QVERIFY(help.window()->isWindow());

    dialog.reject();
    QCOMPARE(help.window()->parentWidget(), &home);
    QVERIFY(help.window()->isVisible());
  }
};

QTEST_MAIN(AboutHelpTest)
#include "about_help_test.moc"
