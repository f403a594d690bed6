// dotcaster: the desktop window. Takes one picture path on the command line (optionally
// in double quotes) and no switches.

#include <QApplication>

#include "dialogs/qt_prompter.h"
#include "formats/file_io.h"
#include "mainwindow/icons.h"
#include "mainwindow/run.h"
#include "state/prompter.h"

int main(int argc, char** argv) {
  dotcaster::ReportFileSizeLimitAsError();
  // Before the QApplication exists: Qt's platform plugins take these out of the environment.
  const dotcaster::LaunchActivation launch = dotcaster::ReadLaunchActivation();
  QApplication app(argc, argv);
  QApplication::setApplicationName(dotcaster::kAppTitle);
  QGuiApplication::setDesktopFileName(QStringLiteral("dotcaster"));
  QApplication::setWindowIcon(dotcaster::MakeAppIcon());
  dotcaster::RunHooks hooks;
  hooks.prompter = [](QWidget& window) { return std::make_unique<dotcaster::QtPrompter>(&window); };
  return dotcaster::RunDotcaster(QApplication::arguments().mid(1), launch, hooks);
}
