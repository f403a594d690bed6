#include "dialogs/centre.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace dotcaster {

QPoint CentredOrigin(QSize screen, QSize window) {
  return {std::max(0, (screen.width() - window.width()) / 2),
          std::max(0, (screen.height() - window.height()) / 2)};
}

void CentreOnScreen(QWidget& widget) {
  widget.adjustSize();
  const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  widget.move(area.topLeft() + CentredOrigin(area.size(), widget.size()));
}

}  // namespace dotcaster
