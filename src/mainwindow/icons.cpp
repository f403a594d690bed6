#include "mainwindow/icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace dotcaster {
namespace {

constexpr int kToolSize = 20;

void DrawFolder(QPainter& p) {
  p.setPen(QPen(QColor(120, 90, 20), 1));
  p.setBrush(QColor(240, 200, 90));
  p.drawRect(2, 6, 14, 10);
  p.drawRect(2, 4, 6, 2);
}

void DrawDisk(QPainter& p) {
  p.setPen(QPen(QColor(20, 40, 90), 1));
  p.setBrush(QColor(60, 100, 180));
  p.drawRect(3, 3, 14, 14);
  p.setBrush(Qt::white);
  p.drawRect(6, 3, 8, 5);
  p.setBrush(QColor(200, 200, 200));
  p.drawRect(6, 11, 8, 6);
}

// A wrist device: strap, case and a screen with a few dots.
void DrawDevice(QPainter& p, QRectF body) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(70, 70, 80));
  const qreal strap = body.width() * 0.45;
  p.drawRect(QRectF(body.center().x() - strap / 2, body.top() - body.height() * 0.25, strap,
                    body.height() * 1.5));
  p.setPen(QPen(QColor(30, 30, 35), 1));
  p.setBrush(QColor(150, 155, 165));
  p.drawRoundedRect(body, body.width() * 0.15, body.width() * 0.15);
  const QRectF screen = body.adjusted(body.width() * 0.15, body.height() * 0.2,
                                      -body.width() * 0.15, -body.height() * 0.2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 215, 190));
  p.drawRect(screen);
  p.setBrush(QColor(20, 30, 20));
  const qreal dot = screen.width() / 6;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      if ((x + y) % 2 == 0) {
        p.drawRect(
            QRectF(screen.left() + dot * (x + 0.5), screen.top() + dot * (y + 0.5), dot, dot));
      }
    }
  }
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, QColor color) {
  p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, to);
  const QPointF d = to - from;
  const QPointF side(-d.y() * 0.35, d.x() * 0.35);
  const QPointF back = to - d * 0.4;
  p.drawLine(to, back + side);
  p.drawLine(to, back - side);
}

QPixmap Blank(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  return pm;
}

}  // namespace

QIcon MakeToolIcon(ToolIcon which) {
  QPixmap pm = Blank(kToolSize);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, which != ToolIcon::kConvertSize);
  switch (which) {
    case ToolIcon::kOpenPc:
      DrawFolder(p);
      DrawArrow(p, QPointF(15, 16), QPointF(15, 8), QColor(20, 120, 40));
      break;
    case ToolIcon::kSavePc:
      DrawDisk(p);
      break;
    case ToolIcon::kOpenDevice:
      DrawDevice(p, QRectF(2, 5, 10, 10));
      DrawArrow(p, QPointF(13, 10), QPointF(19, 10), QColor(20, 120, 40));
      break;
    case ToolIcon::kSaveDevice:
      DrawDevice(p, QRectF(8, 5, 10, 10));
      DrawArrow(p, QPointF(1, 10), QPointF(7, 10), QColor(180, 60, 20));
      break;
    case ToolIcon::kConvertSize:
      p.setPen(QPen(QColor(40, 40, 40), 1));
      p.setBrush(Qt::white);
      p.drawRect(2, 8, 9, 9);
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(QColor(40, 40, 40), 1, Qt::DashLine));
      p.drawRect(2, 2, 15, 15);
      p.setRenderHint(QPainter::Antialiasing, true);
      DrawArrow(p, QPointF(9, 10), QPointF(16, 3), QColor(30, 80, 180));
      break;
  }
  return QIcon(pm);
}

QIcon MakeAppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pm = Blank(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    DrawDevice(p, QRectF(s * 0.15, s * 0.22, s * 0.7, s * 0.56));
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace dotcaster
