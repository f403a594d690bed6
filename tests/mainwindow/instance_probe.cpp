// A stand-in for dotcaster's start-up, for the single-instance test: "first" becomes the
// running instance with a minimised window and reports when it is brought back; "second"
// hands over (exit 0, no window) or reports that nobody was there (exit 4).

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "mainwindow/single_instance.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool first = argc > 1 && std::strcmp(argv[1], "first") == 0;
  if (dotcaster::HandOverToRunningInstance()) {
    std::printf("handed over\n");
    return first ? 3 : 0;
  }
  if (!first) {
    std::printf("alone\n");
    return 4;
  }
  QWidget window;
  window.setWindowTitle("Dotcaster - PC:cat.qdl");
  if (!dotcaster::StartInstanceServer(&window)) return 5;
  window.showMinimized();
  std::printf("ready\n");
  std::fflush(stdout);

  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!window.isMinimized() && window.isVisible()) {
      std::printf("restored\n");
      app.exit(0);
    }
  });
  poll.start(20);
  QTimer::singleShot(20000, [&] {
    std::printf("timeout\n");
    app.exit(1);
  });
  return app.exec();
}
