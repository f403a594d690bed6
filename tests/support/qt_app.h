#pragma once

// One QApplication for the widget tests of this executable, made on first use and kept until
// the process ends; on the offscreen platform unless the environment chose another.

#include <QApplication>
#include <cstdlib>

namespace dotcaster::testing {

inline QApplication& QtApp() {
  static int argc = 1;
  static char name[] = "dotcaster_tests";
  static char* argv[] = {name, nullptr};
  if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace dotcaster::testing
