#include "mainwindow/placement.h"

#include <gtest/gtest.h>

#include <QScreen>
#include <QWidget>

#include "devicelink/settings.h"
#include "link_env.h"
#include "qt_app.h"

namespace dotcaster {
namespace {
using testing::LinkEnv;

TEST(PlacementText, BothWays) {
  struct Row {
    const char* name;
    std::string text;
    WindowPlacement placement;
  };
  auto make = [](int show, int left, int top, int right, int bottom) {
    WindowPlacement p;
    p.show_cmd = show;
    p.left = left;
    p.top = top;
    p.right = right;
    p.bottom = bottom;
    return p;
  };
  const Row rows[] = {
      {"normal window", "1,560,120,760,80", make(1, 120, 80, 760, 560)},
      {"partly off the top left", "1,100,-300,200,-50", make(1, -300, -50, 200, 100)},
      {"minimised", "2,0,0,0,0", make(2, 0, 0, 0, 0)},
      {"extremes", "3,2147483647,-2147483648,1,0", make(3, -2147483647 - 1, 0, 1, 2147483647)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(PlacementToText(row.placement), row.text);
    const auto parsed = TextToPlacement(row.text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, row.placement) << "flags and the other positions read as zero";
    EXPECT_EQ(parsed->length, 44);
  }
}

TEST(PlacementText, AnythingButFiveIntegersIsRefused) {
  for (const char* text : {"", "1,2,3,4", "1,2,3,4,5,6", "1,a,3,4,5", "1, 2,3,4,5", "1,2,3,4,",
                           ",1,2,3,4", "1,2,3,4,99999999999"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(TextToPlacement(text), std::nullopt);
  }
}

class Placement : public ::testing::Test {
 protected:
  void SetUp() override { testing::QtApp(); }

  // The main window's kind: a fixed single border.
  static void MakeFixed(QWidget& w) { w.setFixedSize(400, 300); }

  LinkEnv env;
};

TEST_F(Placement, FirstRunCentresTheWindow) {
  QWidget window;
  MakeFixed(window);
  EXPECT_FALSE(RestoreWindowPlacement(window, kSettingsSection));
  const QRect screen = window.screen()->geometry();
  EXPECT_EQ(window.pos(),
            QPoint(screen.x() + screen.width() / 2 - 200, screen.y() + screen.height() / 2 - 150));
}

TEST_F(Placement, FixedBorderTakesOnlyLeftAndTop) {
  for (const char* stored : {"1,560,120,760,80", "2,560,120,760,80", "3,560,120,760,80"}) {
    SCOPED_TRACE(stored);
    SaveSetting(kSettingsSection, kPlacementKey, stored);
    QWidget window;
    MakeFixed(window);
    EXPECT_FALSE(RestoreWindowPlacement(window, kSettingsSection));
    EXPECT_EQ(window.pos(), QPoint(120, 80));
    EXPECT_EQ(window.size(), QSize(400, 300));
    EXPECT_EQ(window.windowState(), Qt::WindowNoState);
  }
}

TEST_F(Placement, SizableWindowTakesTheRectangleAndNeverStartsMinimised) {
  SaveSetting(kSettingsSection, kPlacementKey, "2,560,120,760,80");
  QWidget window;
  EXPECT_TRUE(RestoreWindowPlacement(window, kSettingsSection));
  EXPECT_EQ(window.geometry(), QRect(120, 80, 640, 480));
  EXPECT_FALSE(window.isMinimized());

  SaveSetting(kSettingsSection, kPlacementKey, "1,80,760,120,560");
  QWidget inverted;
  EXPECT_FALSE(RestoreWindowPlacement(inverted, kSettingsSection))
      << "a rectangle the platform refuses centres the window";
}

TEST_F(Placement, NegativeCoordinatesSurviveSaveAndRestore) {
  QWidget window;
  MakeFixed(window);
  window.move(-30, -45);
  window.show();
  SaveWindowPlacement(window, kSettingsSection);
  const auto stored = TextToPlacement(GetSetting(kSettingsSection, kPlacementKey));
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->show_cmd, 1);
  EXPECT_EQ(stored->left, -30);
  EXPECT_EQ(stored->top, -45);
  EXPECT_EQ(stored->right - stored->left, window.frameGeometry().width());

  QWidget again;
  MakeFixed(again);
  RestoreWindowPlacement(again, kSettingsSection);
  EXPECT_EQ(again.pos(), QPoint(-30, -45));
}

}  // namespace
}  // namespace dotcaster
