#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>

#include "dialogs/about_dialog.h"
#include "dialogs/convert_size_dialog.h"
#include "dialogs/help_window.h"

class AboutHelpTest : public QObject {
  Q_OBJECT

 private slots:
  // The box for each application number; OK is the default button, and a click, Enter and
  // Escape all close the box. Each application has an icon of its own, an unknown one none.
  void aboutShowsTheChosenApplicationAndCloses() {
    const std::tuple<std::int16_t, QString, int> rows[] = {
        {4, "Dotcaster", 0},  // 0: click OK
        {0, "Vantro Link", Qt::Key_Return},
        {12, "Game Loader", Qt::Key_Escape},
        {-1, "[Caption]", 0},  // below the table
        {13, "[Caption]", 0},  // above the table
    };
    for (const auto& [number, title, key] : rows) {
      dotcaster::GlobalVersion about(number);
      about.show();
      QVERIFY(QTest::qWaitForWindowExposed(&about));
      const auto label = [&](const QString& name) { return about.findChild<QLabel*>(name); };
      QCOMPARE(about.windowTitle(), title == "[Caption]" ? title : "About " + title);
      QCOMPARE(label("Label2")->text(), title);
      QCOMPARE(label("Label3")->text(),
               QStringLiteral("Version 2.00 for Windows95 / Windows98 / WindowsNT4.0"));
      for (int i = 0; i < dotcaster::kSuiteAppCount; ++i)
        QCOMPARE(label(QStringLiteral("Image2_%1").arg(i))->isVisible(), i == number);
      auto* ok = about.findChild<QPushButton*>(QStringLiteral("Command1"));
      QVERIFY(ok->isDefault() && ok->text() == "OK");
      key ? QTest::keyClick(&about, static_cast<Qt::Key>(key))
          : QTest::mouseClick(ok, Qt::LeftButton);
      QVERIFY2(!about.isVisible(), qPrintable(title));
    }
    QList<QImage> seen;
    for (int i = 0; i < dotcaster::kSuiteAppCount; ++i) {
      seen << dotcaster::SuiteIcon(i, 32).toImage();
      QVERIFY(seen.indexOf(seen.back()) == i);
    }
    QVERIFY(dotcaster::SuiteIcon(-1).isNull() && dotcaster::SuiteIcon(13).isNull());
  }

  void manualTopicsAreTheSectionHeadings() {
    QStringList got;
    for (const auto& topic : dotcaster::ManualTopics(
             R"(<h1 id="t">Title</h1><h2>no id</h2><h2 id="a">One</h2><p>x</p><h2 id="b">Two</h2>)"
             "<H2 ID = \"k\" class=\"x\"><b>Keys</b> &amp;\n shortcuts</H2>"))
      got << topic.anchor + ":" + topic.title;
    QCOMPARE(got.join(' '), "a:One b:Two k:Keys & shortcuts");
  }

  // F1 with a modifier does nothing; F1 on any control of a modal dialog lends it the help
  // window, which comes back when the dialog closes. The window opens at its contents; a
  // topic moves the text, and asking for the topics again returns the same window to the top
  // with no topic chosen. The manual links only to its own sections.
  void helpOpensAtItsContentsAndIsLentToModalDialogs() {
    QWidget home;
    dotcaster::HelpWindowProvider help(&home);
    dotcaster::AppState state;
    dotcaster::ResetPictureState(state);
    dotcaster::QDLChange dialog(state, {}, &help, &home);
    dialog.setModal(true);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(dialog.findChild<QWidget*>(QStringLiteral("CustomSize_0")), Qt::Key_F1,
                    Qt::ShiftModifier);
    QTest::keyClick(dialog.findChild<QWidget*>(QStringLiteral("Command1")), Qt::Key_F1,
                    Qt::AltModifier);
    QVERIFY(!help.window());
    QTest::keyClick(dialog.findChild<QWidget*>(QStringLiteral("QDLZoom_1")), Qt::Key_F1);
    dotcaster::HelpWindow* window = help.window();
    QCOMPARE(window->parentWidget(), &dialog);
    QVERIFY(QTest::qWaitForWindowExposed(window) && window->isWindow());
    dialog.reject();
    QCOMPARE(window->parentWidget(), &home);
    QVERIFY(window->isVisible());

    const auto top = [&] { return window->browser()->verticalScrollBar()->value(); };
    QTest::qWait(50);
    QCOMPARE(top(), 0);
    QCOMPARE(window->contents()->count(), static_cast<int>(window->topics().size()));
    window->contents()->setCurrentRow(window->contents()->count() - 1);
    QTRY_VERIFY(top() > 0);
    QVERIFY(!window->ShowTopic(QStringLiteral("no-such-topic")));
    help.ShowTopics();
    QCOMPARE(help.window(), window);
    QTest::qWait(50);  // focusing the contents must not pick a topic
    QCOMPARE(top(), 0);
    QVERIFY(window->contents()->selectedItems().isEmpty());

    QFile file(QStringLiteral(":/dotcaster/help/manual.html"));
    QVERIFY(file.open(QIODevice::ReadOnly) && window->topics().size() >= 5);
    static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    int links = 0;
    for (auto it = link.globalMatch(QString::fromUtf8(file.readAll())); it.hasNext(); ++links)
      QVERIFY2(window->ShowTopic(it.next().captured(1)), "a link to no section");
    QVERIFY(links >= int(window->topics().size()));
  }
};

QTEST_MAIN(AboutHelpTest)
#include "about_help_test.moc"
