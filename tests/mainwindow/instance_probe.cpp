// dotcaster's own start-up and window with its questions on the console, for the
// single-instance tests. Every question is a line on standard output, answered by a line on
// standard input while the event loop runs, as under a modal box:
//   "message <text>" (line breaks shown as " / ")  <-  "yes", "no", "ok" or "cancel"
//   "open-dialog", "save-dialog"                    <-  a path, or an empty line for Cancel
// Once start-up has ended it prints "started", then each title change as
// "title <title> | <CurFileName>" and each change between "minimised" and "normal". A start
// that handed over prints "handed over".
// Options: --minimise (the window minimises itself once started); --start-at=<ms since the
// epoch> (waits until then before deciding, so that two probes decide at the same moment).

#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QSocketNotifier>
#include <chrono>
#include <cstdio>
#include <thread>

#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "mainwindow/run.h"

namespace {

using namespace dotcaster;

void Say(const QString& line) {
  std::printf("%s\n", line.toUtf8().constData());
  std::fflush(stdout);
}

// One line from standard input, with the event loop running meanwhile.
std::string Ask(const QString& question) {
  Say(question);
  std::string line;
  QEventLoop loop;
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, &loop, [&] {
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
      line += c;
    loop.quit();
  });
  loop.exec();
  return line;
}

class ConsolePrompter : public Prompter {
 public:
  MsgAnswer Message(std::string_view text, std::string_view, MsgIcon, MsgButtons buttons) override {
    const std::string answer = Ask(
        "message " +
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).replace("\r\n", " / "));
    if (answer == "yes") return MsgAnswer::Yes;
    if (answer == "no") return MsgAnswer::No;
    if (answer == "ok" || buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    return MsgAnswer::Cancel;
  }
  std::optional<std::string> OpenFileName(const FileDialogRequest&) override {
    return Path(Ask("open-dialog"));
  }
  std::optional<std::string> SaveFileName(const FileDialogRequest&) override {
    return Path(Ask("save-dialog"));
  }
  std::optional<std::string> DeviceFileName(const DeviceFileDialogRequest&) override {
    return std::nullopt;
  }
  std::optional<bool> DisconnectionSetup(bool) override { return std::nullopt; }

 private:
  static std::optional<std::string> Path(const std::string& line) {
    if (line.empty()) return std::nullopt;
    return line;
  }
};

// Reports the window's state changes.
class StateWatch : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowStateChange) {
      const bool minimised = static_cast<QWidget*>(watched)->isMinimized();
      if (minimised != minimised_) Say(minimised ? "minimised" : "normal");
      minimised_ = minimised;
    }
    return false;
  }

 private:
  bool minimised_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  const LaunchActivation launch = ReadLaunchActivation();
  QApplication app(argc, argv);
  QStringList args = QApplication::arguments().mid(1);
  const bool minimise = args.removeAll("--minimise") > 0;
  for (const QString& arg : QStringList(args)) {
    if (!arg.startsWith("--start-at=")) continue;
    args.removeAll(arg);
    std::this_thread::sleep_until(
        std::chrono::system_clock::time_point(std::chrono::milliseconds(arg.mid(11).toLongLong())));
  }

  bool started = false;
  StateWatch watch;
  RunHooks hooks;
  hooks.prompter = [](QWidget&) { return std::make_unique<ConsolePrompter>(); };
  hooks.started = [&](QDLmain& window) {
    started = true;
    Say("started");
    QObject::connect(&window, &QWidget::windowTitleChanged, [](const QString& title) {
      Say("title " + title + " | " + QString::fromStdString(TheState().CurFileName));
    });
    window.installEventFilter(&watch);
    if (minimise) window.showMinimized();
  };
  const int code = RunDotcaster(args, launch, hooks);
  if (!started) Say("handed over");
  return code;
}
