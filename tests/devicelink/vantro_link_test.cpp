#include <gtest/gtest.h>

#include <QProcess>
#include <filesystem>

#include "devicelink/install.h"
#include "link_env.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;

struct Outcome {
  int code;
  std::string out, err;
};

// Failures are reported, never crashed on; the default installation goes to the user's data
// folder, another one where asked.
TEST(VantroLink, InstallSendListAndFetch) {
  testing::LinkEnv env(false);
  testing::ScopedEnv data("XDG_DATA_HOME", env.File("data"));
  const auto Q = [](const std::string& s) { return QString::fromStdString(s); };
  const auto Call = [&](const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(Q(env.File("")));
    p.start(VANTRO_LINK, args);
    EXPECT_TRUE(p.waitForFinished(20000));
    return Outcome{p.exitCode(), p.readAllStandardOutput().toStdString(),
                   p.readAllStandardError().toStdString()};
  };
  EXPECT_EQ(Call({"status"}).code, 1) << "nothing installed yet";
  Outcome r = Call({"install"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(GetInstallDir(), env.File("data/Dovimar-e"));
  // Rows: name, arguments, exit code, part of the error text.
  const std::tuple<const char*, QStringList, int, const char*> rows[] = {
      {"no command", {}, 2, "usage:"},
      {"unknown command", {"format"}, 2, "usage:"},
      {"put a missing file", {"put", Q(env.File("missing.qdl"))}, 1, "cannot read"},
      {"put off the device", {"put", Q(env.File("")), "C:\\x.qdl"}, 1, "not a device file path"},
      {"get a missing file", {"get", "B:\\none.qdl"}, 1, "B:\\none.qdl is missing on the device"},
      {"ls not a device folder", {"ls", "C:\\"}, 1, "not a device folder"},
      {"install below a file", {"install", Q(env.File("blocker/link"))}, 1, "cannot create"},
  };
  testing::WriteAll(env.File("blocker"), {1});
  for (const auto& [name, args, code, says] : rows) {
    SCOPED_TRACE(name);
    r = Call(args);
    EXPECT_EQ(r.code, code);
    EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
  }

  const std::string dir = env.File("link");
  ASSERT_EQ(Call({"install", Q(dir + "/")}).code, 0);
  EXPECT_EQ(GetInstallDir(), dir);
  for (const char* folder : {"userdata/qdl", "pcshelf/cache/accessor/graphics", "device"})
    EXPECT_TRUE(fs::is_directory(JoinPath(dir, folder))) << folder;

  r = Call({"status"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("InstallDir: " + dir + "\n"), std::string::npos) << r.out;

  const std::string picture = env.File("cat.qdl");
  testing::WriteAll(picture, {2, 0, 8, 0, 1, 2});
  EXPECT_EQ(Call({"put", Q(picture)}).out, "B:\\graphics\\cat.qdl\n");
  EXPECT_EQ(Call({"put", Q(picture), "B:\\graphics\\dog.qdl"}).code, 0);
  EXPECT_EQ(Call({"ls"}).out, "B:\\graphics\\cat.qdl\nB:\\graphics\\dog.qdl\n");

  ASSERT_EQ(Call({"get", "B:\\graphics\\dog.qdl", Q(env.File("back.qdl"))}).code, 0);
  EXPECT_EQ(testing::ReadAll(env.File("back.qdl")), testing::ReadAll(picture));
  fs::remove(picture);
  EXPECT_EQ(Call({"get", "B:\\graphics\\cat.qdl"}).code, 0) << "into the working folder";
  EXPECT_TRUE(fs::exists(env.File("cat.qdl")));
}

}  // namespace
}  // namespace dotcaster
