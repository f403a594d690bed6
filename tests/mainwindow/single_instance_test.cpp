// Two real processes: the second dotcaster finds the first, brings its window back and ends.

#include "mainwindow/single_instance.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include "link_env.h"

namespace dotcaster {
namespace {

class TwoInstances : public ::testing::Test {
 protected:
  void Start(QProcess& p, const char* role) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DOTCASTER_CONFIG_DIR", QString::fromStdString(env.File("config")));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // The socket lives in the temporary folder, and socket paths are short (about 100
    // bytes); the name is private to this test's settings folder anyway.
    environment.insert("TMPDIR", "/tmp");
    p.setProcessEnvironment(environment);
    p.start(INSTANCE_PROBE, {role});
    ASSERT_TRUE(p.waitForStarted(10000));
  }
  static QString Output(QProcess& p) { return QString::fromUtf8(p.readAllStandardOutput()); }

  testing::LinkEnv env;
};

TEST_F(TwoInstances, SecondHandsOverAndTheFirstComesBack) {
  QProcess first;
  Start(first, "first");
  QString first_out;
  while (!first_out.contains("ready")) {
    ASSERT_TRUE(first.waitForReadyRead(20000)) << first_out.toStdString();
    first_out += Output(first);
  }

  QProcess second;
  Start(second, "second");
  ASSERT_TRUE(second.waitForFinished(20000));
  EXPECT_EQ(second.exitCode(), 0);
  EXPECT_EQ(Output(second).trimmed(), "handed over");

  ASSERT_TRUE(first.waitForFinished(20000));
  first_out += Output(first);
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_TRUE(first_out.contains("restored")) << first_out.toStdString();
}

TEST_F(TwoInstances, NobodyRunningMeansNoHandOver) {
  QProcess alone;
  Start(alone, "second");
  ASSERT_TRUE(alone.waitForFinished(20000));
  EXPECT_EQ(alone.exitCode(), 4);
  EXPECT_FALSE(ActivatePrevInstance("Dotcaster"));
}

}  // namespace
}  // namespace dotcaster
