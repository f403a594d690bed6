// dotcaster: the desktop window. Takes one picture path on the command line (optionally
// in double quotes) and no switches.

#include <QApplication>

#include "dialogs/qt_prompter.h"
#include "formats/file_io.h"
#include "mainwindow/icons.h"
#include "mainwindow/main_controller.h"
#include "mainwindow/main_window.h"
#include "mainwindow/single_instance.h"
#include "state/app_state.h"
#include "state/prompter.h"

int main(int argc, char** argv) {
  dotcaster::ReportFileSizeLimitAsError();
  QApplication app(argc, argv);
  QApplication::setApplicationName(dotcaster::kAppTitle);
  QApplication::setWindowIcon(dotcaster::MakeAppIcon());

  // A second instance brings the first one forward and ends without a window, touching
  // neither settings nor work files.
  if (dotcaster::HandOverToRunningInstance()) {
    dotcaster::TheState().QuitAtStart = true;
    return 0;
  }

  dotcaster::QDLmain window;
  dotcaster::QtPrompter prompter(&window);
  dotcaster::SetPrompter(&prompter);
  if (!window.controller().Startup(QApplication::arguments().mid(1))) {
    // No installation of the link software: end without a word.
    dotcaster::SetPrompter(nullptr);
    return 0;
  }
  dotcaster::StartInstanceServer(&window);

  // The window's shutdown sequence decides when the process ends; a help window left
  // open does not keep it alive.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(&window, &dotcaster::QDLmain::shutDown, &app, &QCoreApplication::quit);
  const int rc = QApplication::exec();
  dotcaster::SetPrompter(nullptr);
  return rc;
}
