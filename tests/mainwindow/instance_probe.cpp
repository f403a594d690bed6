// dotcaster's own start-up with its questions on the console. Prints "message <text>" (line
// breaks as " / ") and reads "yes", "no", "ok" or "cancel" while the event loop runs; file
// dialogs are cancelled. Then "started", "title <title> | <CurFileName>" per title, and
// "minimised" / "normal" per change; or "handed over". --minimise: minimises once started;
// --start-at=<ms since the epoch>: decides then, so that two probes decide together.

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

class ConsolePrompter : public Prompter {
 public:
  MsgAnswer Message(std::string_view text, std::string_view, MsgIcon, MsgButtons buttons) override {
    Say("message " +
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).replace("\r\n", " / "));
    std::string answer;
    QEventLoop loop;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &loop, [&] {
      char c = 0;
      while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
        answer += c;
      loop.quit();
    });
    loop.exec();
    if (answer == "yes") return MsgAnswer::Yes;
    if (answer == "no") return MsgAnswer::No;
    if (answer == "ok" || buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    return MsgAnswer::Cancel;
  }
  std::optional<std::string> OpenFileName(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> SaveFileName(const FileDialogRequest&) override { return {}; }
  std::optional<std::string> DeviceFileName(const DeviceFileDialogRequest&) override { return {}; }
  std::optional<bool> DisconnectionSetup(bool) override { return {}; }
};

// Reports the window's changes between minimised and normal.
struct StateWatch : QObject {
  bool minimised = false;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::WindowStateChange &&
        static_cast<QWidget*>(watched)->isMinimized() != minimised) {
      minimised = !minimised;
      Say(minimised ? "minimised" : "normal");
    }
    return false;
  }
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
