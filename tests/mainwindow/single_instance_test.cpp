// One window per user: real dotcaster starts (the instance probe), and who may own or reach
// the hand-over socket.

#include "mainwindow/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <filesystem>

#include "link_env.h"
#include "qt_app.h"
#include "test_env.h"
#include "unprivileged.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;
using testing::LinkEnv;
using testing::ScopedEnv;
using testing::TempDir;

constexpr int kWaitMs = 30000;

// One probe process and the lines it printed.
class Probe {
 public:
  Probe(const LinkEnv& env, const QStringList& args) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DOTCASTER_CONFIG_DIR", QString::fromStdString(env.File("config")));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    // Socket paths are short (about 100 bytes): the private folder goes under /tmp.
    environment.insert("TMPDIR", "/tmp");
    environment.remove("XDG_RUNTIME_DIR");
    process_.setProcessEnvironment(environment);
    process_.start(INSTANCE_PROBE, args);
  }
  ~Probe() {
    process_.kill();
    process_.waitForFinished(kWaitMs);
  }

  // The next line that starts with prefix (lines before it are passed over); empty text
  // when the probe ended or went quiet first.
  std::string WaitFor(const std::string& prefix) {
    for (;;) {
      while (process_.canReadLine()) {
        const std::string line = process_.readLine().trimmed().toStdString();
        if (line.starts_with(prefix)) return line;
      }
      if (!process_.waitForReadyRead(kWaitMs)) return {};
    }
  }
  void Answer(const std::string& line) { process_.write(QByteArray::fromStdString(line + "\n")); }
  bool EndedWell() { return process_.waitForFinished(kWaitMs) && process_.exitCode() == 0; }

 private:
  QProcess process_;
};

struct TwoStarts : ::testing::Test {
  void SetUp() override { testing::QtApp(); }
  LinkEnv env;
};

TEST_F(TwoStarts, AtTheSameMomentLeaveOneWindowThatOpensTheOtherFile) {
  const std::string files[2] = {testing::WritePicture(env.File("a.jpg"), 64, 48),
                                testing::WritePicture(env.File("b.jpg"), 64, 48)};
  const QString at = "--start-at=" + QString::number(QDateTime::currentMSecsSinceEpoch() + 3000);
  Probe a(env, {at, QString::fromStdString(files[0])});
  Probe b(env, {at, QString::fromStdString(files[1])});
  const std::string first[2] = {a.WaitFor(""), b.WaitFor("")};
  ASSERT_NE(first[0], first[1]) << first[0];
  const int window = first[0] == "started" ? 0 : 1;
  Probe& shown = window == 0 ? a : b;
  Probe& gone = window == 0 ? b : a;
  EXPECT_EQ(first[1 - window], "handed over");
  EXPECT_TRUE(gone.EndedWell());

  // The window's own photo is unsaved: the save prompt comes before the other file opens.
  EXPECT_EQ(shown.WaitFor("message"), "message Do you want to save change?");
  shown.Answer("no");
  EXPECT_NE(shown.WaitFor("title Dotcaster - Untitled | " + files[1 - window]), "");
}

TEST_F(TwoStarts, AFirstStartHeldAtAStartupMessageAlreadyOwnsTheInstance) {
  fs::remove_all(DefaultUserDataDir(env.install_dir()));
  Probe first(env, {"--minimise"});
  EXPECT_EQ(first.WaitFor("message"),
            "message Directory does not exist. / Please install the PC Application again.");
  Probe second(env, {});
  EXPECT_EQ(second.WaitFor(""), "handed over");
  EXPECT_TRUE(second.EndedWell());

  // Without a file the hand-over only brings the window forward, restored.
  first.Answer("ok");
  EXPECT_EQ(first.WaitFor(""), "started");
  EXPECT_EQ(first.WaitFor(""), "minimised");
  EXPECT_EQ(first.WaitFor(""), "normal");
}

TEST_F(TwoStarts, AListenerOnTheOldPredictableNameIsNoInstance) {
  // <TMPDIR>/dotcaster-<uid>, followed by the hash of the settings folder as here.
  const QString old_name = QString("/tmp/dotcaster-%1-").arg(geteuid()) +
                           QString::fromStdString(InstanceServerName()).section('-', -1);
  QLocalServer squatter;
  QLocalServer::removeServer(old_name);
  ASSERT_TRUE(squatter.listen(old_name));
  Probe probe(env, {});
  EXPECT_EQ(probe.WaitFor(""), "started");
}

// The socket's folder: XDG_RUNTIME_DIR when only its user can enter it, else a folder of
// the user's own under the temporary folder; a folder that fails the check is not used.
TEST(InstanceFolder, OnlyAFolderOfTheUsersOwnThatOthersCannotEnter) {
  TempDir dir;
  const std::string temp = dir.File("tmp"), runtime = dir.File("run");
  const std::string own = JoinPath(temp, "dotcaster-run-" + std::to_string(geteuid()));
  ScopedEnv tmpdir("TMPDIR", temp);
  // A folder only another user may enter: made for nobody where this runs as root, else the
  // administrator's own (0700 and root's on every usual system).
  const std::string strangers = geteuid() == 0 ? dir.File("nobody") : "/root";
  if (strangers != "/root") {
    fs::create_directories(strangers);
    ::chmod(strangers.c_str(), 0700);
    testing::HandToUnprivilegedUser(strangers);
  }
  const struct {
    const char* name;
    std::string runtime_dir;
    mode_t mode;           // of the runtime folder
    const char* own_temp;  // how <temp>/dotcaster-run-<uid> exists beforehand
    std::string expected;
  } rows[] = {
      {"private runtime folder", runtime, 0700, "", runtime},
      {"runtime folder others may enter", runtime, 0755, "", own},
      {"runtime folder of another user", strangers, 0700, "", own},
      {"temporary folder others may enter", "", 0, "0777", ""},
      {"temporary folder is a link", "", 0, "link", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    fs::remove_all(temp);
    fs::remove_all(runtime);
    fs::create_directories(temp);
    fs::create_directories(runtime);
    ::chmod(runtime.c_str(), row.mode);
    if (std::string(row.own_temp) == "0777") {
      fs::create_directories(own);
      ::chmod(own.c_str(), 0777);
    } else if (std::string(row.own_temp) == "link") {
      fs::create_directory_symlink(runtime, own);
    }
    ScopedEnv xdg("XDG_RUNTIME_DIR", row.runtime_dir);
    EXPECT_EQ(PrivateInstanceFolder(), row.expected);
    if (row.expected == own) {
      EXPECT_EQ(fs::symlink_status(own).permissions(), fs::perms::owner_all);
    }
  }
}

// Either end of the socket trusts the other only when it runs as the same user.
TEST(InstancePeer, OnlyTheOwnUserIsTrusted) {
  testing::QtApp();
  const QString path = QString("/tmp/dotcaster-peer-test-%1").arg(getpid());
  QLocalServer server;
  server.setSocketOptions(QLocalServer::WorldAccessOption);
  QLocalServer::removeServer(path);
  ASSERT_TRUE(server.listen(path));
  const auto trusted = [&](bool stranger) {
    if (::fork() == 0) {  // the peer: a bare connect, as another user when stranger is set
      sockaddr_un address{AF_UNIX, {}};
      std::snprintf(address.sun_path, sizeof address.sun_path, "%s", qPrintable(path));
      if (stranger && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
      const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
      ::_exit(::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 0 : 3);
    }
    int status = 0;
    ::wait(&status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(server.waitForNewConnection(kWaitMs));
    return PeerIsOwnUser(server.nextPendingConnection()->socketDescriptor());
  };
  EXPECT_TRUE(trusted(false));
  // Another user exists for a test only where it runs as root (as in CI).
  if (geteuid() == 0) {
    EXPECT_FALSE(trusted(true));
  }
}

}  // namespace
}  // namespace dotcaster
