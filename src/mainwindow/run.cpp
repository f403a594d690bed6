#include "mainwindow/run.h"

#include <QApplication>

#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "mainwindow/window_activation.h"
#include "state/app_state.h"

namespace dotcaster {
namespace {

// The window's side of a hand-over: it comes forward at once (even over a start-up
// message), and opens the file as a drop would once nothing else is going on.
class WindowHandOverTarget : public HandOverTarget {
 public:
  explicit WindowHandOverTarget(QDLmain& window) : window_(window) {}
  void SetReady() { ready_ = true; }

  void HandOverArrived(const HandOverRequest& request) override {
    if (Matches(request)) BringWindowForward(window_, request.activationToken, request.startupId);
  }

  bool CanTakeHandOver() override {
    return ready_ && !QApplication::activeModalWidget() && !QApplication::activePopupWidget() &&
           !window_.controller().InCommand();
  }

  void TakeHandOver(const HandOverRequest& request) override {
    if (!Matches(request)) return;
    if (request.file.empty()) {
      BringWindowForward(window_);
    } else {
      window_.controller().OpenDroppedFile({request.file});
    }
  }

 private:
  bool Matches(const HandOverRequest& request) const {
    return window_.windowTitle().startsWith(QString::fromStdString(request.title));
  }

  QDLmain& window_;
  bool ready_ = false;
};

}  // namespace

int RunDotcaster(const QStringList& args, const LaunchActivation& launch, const RunHooks& hooks) {
  InstanceClaim claim = ClaimInstance(MakeHandOverRequest(args, launch));
  if (claim.handedOver) {
    // Ends without a window, touching neither settings nor work files.
    TheState().QuitAtStart = true;
    return 0;
  }

  QDLmain window;
  WindowHandOverTarget target(window);
  const std::unique_ptr<Prompter> prompter = hooks.prompter(window);
  struct Installed {
    Prompter* previous;
    InstanceServer* server;
    ~Installed() {
      if (server) server->Serve(nullptr);
      SetPrompter(previous);
    }
  } installed{SetPrompter(prompter.get()), claim.server.get()};
  if (claim.server) claim.server->Serve(&target);

  // Without an installation of the link software the program ends without a word.
  if (!window.controller().Startup(args)) return 0;
  if (hooks.started) hooks.started(window);
  target.SetReady();

  // The window's shutdown sequence decides when the process ends; a help window left open
  // does not keep it alive.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(&window, &QDLmain::shutDown, qApp, &QCoreApplication::quit);
  return QApplication::exec();
}

}  // namespace dotcaster
