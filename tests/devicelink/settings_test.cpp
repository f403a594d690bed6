#include "devicelink/settings.h"

#include <gtest/gtest.h>

#include <QSettings>

#include "link_env.h"

namespace dotcaster {
namespace {
using testing::LinkEnv;

TEST(Settings, KeysAreStoredUnderTheirExactNames) {
  LinkEnv env;
  SaveLastFileSetting("Mkqdl", "/pics/CAT.QDL", 1);
  SaveSetting("Mkqdl", "WindwInformation", "1,560,120,760,80");
  QSettings file(QString::fromStdString(env.File("config/Tresk/Dovimar.ini")),
                 QSettings::IniFormat);
  EXPECT_EQ(file.value("Mkqdl/File1").toString(), "1,PC:CAT.QDL,/pics/CAT.QDL");
  EXPECT_EQ(file.value("Mkqdl/WindwInformation").toString(), "1,560,120,760,80");
  EXPECT_EQ(LastFileRecord("/cache/graphics/moon.qdl", 0),
            "0,Vantro:moon.qdl,/cache/graphics/moon.qdl");
  EXPECT_EQ(GetSetting("Mkqdl", "Missing", "default"), "default");
}

}  // namespace
}  // namespace dotcaster
