#include "mainwindow/placement.h"

#include <gtest/gtest.h>

#include <QScreen>
#include <QWidget>

#include "devicelink/settings.h"
#include "link_env.h"
#include "qt_app.h"

namespace dotcaster {
namespace {

TEST(PlacementText, BothWays) {
  const std::pair<const char*, WindowPlacement> rows[] = {
      {"1,560,120,760,80", {.show_cmd = 1, .left = 120, .top = 80, .right = 760, .bottom = 560}},
      {"1,100,-300,200,-50",
       {.show_cmd = 1, .left = -300, .top = -50, .right = 200, .bottom = 100}},
      {"2,0,0,0,0", {.show_cmd = 2}},
      {"3,2147483647,-2147483648,1,0",
       {.show_cmd = 3, .left = -2147483647 - 1, .right = 1, .bottom = 2147483647}},
  };
  for (const auto& [text, placement] : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(PlacementToText(placement), text);
    // The length, the flags and the other positions read back as they are by default.
    EXPECT_EQ(TextToPlacement(text), placement);
  }
  for (const char* text : {"", "1,2,3,4", "1,2,3,4,5,6", "1,a,3,4,5", "1, 2,3,4,5", "1,2,3,4,",
                           ",1,2,3,4", "1,2,3,4,99999999999"}) {
    EXPECT_EQ(TextToPlacement(text), std::nullopt) << text;
  }
}

class Placement : public ::testing::Test {
 protected:
  void SetUp() override { testing::QtApp(); }
  void Store(const char* text) { SaveSetting(kSettingsSection, kPlacementKey, text); }
  testing::LinkEnv env;
};

// A fixed single border (the main window's kind) takes only the stored left and top, in
// every show state; with nothing stored (the first run) the window is centred.
TEST_F(Placement, FixedBorderTakesOnlyLeftAndTop) {
  for (const char* stored : {"", "1,560,120,760,80", "2,560,120,760,80", "3,560,120,760,80"}) {
    SCOPED_TRACE(stored);
    Store(stored);
    QWidget window;
    window.setFixedSize(400, 300);
    EXPECT_FALSE(RestoreWindowPlacement(window, kSettingsSection));
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(window.pos(), *stored ? QPoint(120, 80)
                                    : QPoint(screen.x() + screen.width() / 2 - 200,
                                             screen.y() + screen.height() / 2 - 150));
    EXPECT_EQ(window.size(), QSize(400, 300));
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);
  }
}

TEST_F(Placement, SizableWindowTakesTheRectangleAndNeverStartsMinimised) {
  Store("2,560,120,760,80");
  QWidget window;
  EXPECT_TRUE(RestoreWindowPlacement(window, kSettingsSection));
  EXPECT_EQ(window.geometry(), QRect(120, 80, 640, 480));
  EXPECT_FALSE(window.isMinimized());
  Store("1,80,760,120,560");
  QWidget inverted;
  EXPECT_FALSE(RestoreWindowPlacement(inverted, kSettingsSection))
      << "a rectangle the platform refuses centres the window";
}

TEST_F(Placement, NegativeCoordinatesSurviveSaveAndRestore) {
  QWidget window;
  window.setFixedSize(400, 300);
  window.move(-30, -45);
  window.show();
  SaveWindowPlacement(window, kSettingsSection);
  const QRect frame = window.frameGeometry();  // the text: show, bottom, left, right, top
  EXPECT_EQ(
      GetSetting(kSettingsSection, kPlacementKey),
      QString("1,%1,-30,%2,-45").arg(frame.height() - 45).arg(frame.width() - 30).toStdString());
  QWidget again;
  again.setFixedSize(400, 300);
  RestoreWindowPlacement(again, kSettingsSection);
  EXPECT_EQ(again.pos(), QPoint(-30, -45));
}

}  // namespace
}  // namespace dotcaster
