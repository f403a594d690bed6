// The window and every dialog under a desktop's larger fonts, dark palette and screen scale.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStyle>
#include <QToolBar>
#include <QtTest>

#include "dialogs/about_dialog.h"
#include "dialogs/convert_size_dialog.h"
#include "dialogs/device_dialogs.h"
#include "dialogs/help_window.h"
#include "dialogs/qt_prompter.h"
#include "mainwindow/main_window.h"
#include "test_env.h"

namespace dotcaster::testing {
namespace {

// The contrast ratio of two colours (1 to 21) by their relative luminance.
double Contrast(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& c) {
    auto channel = [](double v) {
      return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double x = luminance(a), y = luminance(b);
  return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// Every shown text of top: whole (its widget as large as the text needs, nothing raised
// over it) and, where it takes input or is enabled, in colours that read.
void CheckTexts(QWidget& top) {
  top.show();
  QVERIFY(QTest::qWaitForWindowExposed(&top));
  const QString where = top.objectName() + " " + QApplication::font().toString();
  for (QWidget* w : top.findChildren<QWidget*>()) {
    const QString text = w->property("text").toString();  // labels, buttons and fields
    if (!w->isVisible() || text.isEmpty()) continue;
    const QString what = where + ": " + text;
    auto* label = qobject_cast<QLabel*>(w);
    if (label && label->wordWrap()) {
      QVERIFY2(w->height() >= w->heightForWidth(w->width()), qPrintable(what));
    } else if (!qobject_cast<QLineEdit*>(w)) {
      const QSize needed = label ? w->sizeHint() : w->minimumSizeHint();
      QVERIFY2(w->width() >= needed.width() && w->height() >= needed.height(), qPrintable(what));
    }
    const QObjectList& siblings = w->parentWidget()->children();
    for (qsizetype i = siblings.indexOf(w) + 1; i < siblings.size(); ++i) {
      auto* above = qobject_cast<QWidget*>(siblings[i]);
      if (!above || !above->isVisible()) continue;
      QVERIFY2(!above->geometry().intersects(w->geometry()),
               qPrintable(what + " lies under " + above->objectName()));
    }
    if (!w->isEnabled()) continue;
    // A field's roles are its own (Text on Base), a label's those of the window it is on.
    const double contrast =
        Contrast(w->palette().color(w->foregroundRole()), w->palette().color(w->backgroundRole()));
    QVERIFY2(contrast >= 3.0, qPrintable(what + QString(" contrast %1").arg(contrast)));
  }
}

}  // namespace

class LookTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QApplication::setStyle("Fusion");
    // Dotcaster's own drawings, whatever icon theme the machine has.
    QIcon::setThemeName("none");
  }

  // At 9 pt, and at 13 pt under a palette made from a dark button colour. Each icon is drawn
  // at the pixel size of the screen's scale, not stretched from a small picture, and looks
  // disabled where its command is.
  void TextReadsWholeAndInColourAndIconsFitTheScale() {
    for (const auto& [points, dark] : {std::pair{9, false}, std::pair{13, true}}) {
      QApplication::setFont(QFont("DejaVu Sans", points));
      QApplication::setPalette(dark ? QPalette(QColor(53, 53, 53))
                                    : QApplication::style()->standardPalette());
      WindowEnv env;
      auto w = env.Start({WritePicture(env.File("photo.jpg"), 64, 48)});
      w->SetSourceCaption("Source image (4000 x 3000)");
      w->SetResultCaption("Vantro image (320 x 240)");
      AppState state;
      ResetPictureState(state);
      state.SizeMode = kSizeCustom;  // the fields take input
      QDLChange size(state, {}, nullptr, w.get());
      GlobalVersion about(kDotcasterAppNumber, w.get());
      const auto list = [](const std::string&) {
        return std::optional<std::vector<DeviceEntry>>({{"album", true}, {"cat.qdl", false, 1028}});
      };
      DeviceFileDialog device({true, "qdl", "B:\\graphics\\", "Untitled", list}, w.get());
      DisconnectionSetupDialog disconnection(false, w.get());
      HelpWindow help(w.get());
      QMessageBox box(w.get());
      ConfigureMessageBox(box, "Do you want to save change?", "Dotcaster", MsgIcon::Exclamation,
                          MsgButtons::YesNoCancel);
      for (QWidget* top : std::initializer_list<QWidget*>{w.get(), &size, &about, &device,
                                                          &disconnection, &help, &box})
        CheckTexts(*top);
      for (const char* view : {"Picture1_0", "Picture1_1"})
        QCOMPARE(w->findChild<QWidget*>(view)->size(), QSize(325, 245));
      std::vector<QIcon> icons = {w->windowIcon()};
      for (QAction* action : w->findChild<QToolBar*>("Toolbar1")->actions())
        if (!action->isSeparator()) icons.push_back(action->icon());
      QCOMPARE(icons.size(), std::size_t(6));
      for (const QIcon& icon : icons) {
        for (qreal scale : {1.0, 2.0, 3.0}) {
          const QPixmap pm = icon.pixmap(QSize(20, 20), scale);
          QCOMPARE(pm.size(), QSize(20, 20) * scale);
          QCOMPARE(pm.devicePixelRatio(), scale);
        }
        QVERIFY(icon.pixmap(QSize(20, 20), 2.0, QIcon::Disabled).toImage() !=
                icon.pixmap(QSize(20, 20), 2.0).toImage());
      }
    }
  }
};

}  // namespace dotcaster::testing

QTEST_MAIN(dotcaster::testing::LookTest)
#include "look_test.moc"
