#pragma once

// The window program from its QApplication to its end: the single-instance decision first,
// then the window's start-up, the event loop and the shutdown. main() runs it with the Qt
// prompter; the single-instance test runs the same sequence with its questions on the
// console.

#include <QStringList>
#include <functional>
#include <memory>

#include "mainwindow/single_instance.h"
#include "state/prompter.h"

class QWidget;

namespace dotcaster {

class QDLmain;

struct RunHooks {
  // Makes the prompter that answers every question while the window lives.
  std::function<std::unique_ptr<Prompter>(QWidget& window)> prompter;
  // Sees the window once its start-up has ended, before any hand-over is taken (optional).
  std::function<void(QDLmain& window)> started;
};

// args: the command line without the program name. Returns the process's exit code: 0 as
// well after handing over to a running instance and without an installation.
int RunDotcaster(const QStringList& args, const LaunchActivation& launch, const RunHooks& hooks);

}  // namespace dotcaster
