#include "mainwindow/icons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QStyle>
#include <QStyleOption>

namespace dotcaster {
namespace {

// Every drawing is made in a box of kDesign x kDesign units. Outlines of one unit lie on
// half units, so that they fall on whole pixels at every whole scale (1x, 2x, 3x); each
// drawing keeps a dark outline around light parts, so that it reads on light and dark
// toolbars alike.
constexpr qreal kDesign = 20;
using Drawing = void (*)(QPainter&);

const QColor kOutline(40, 40, 48);

QPen Outline(qreal width = 1) {
  return QPen(kOutline, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, QColor color) {
  const QPointF d = to - from;
  const QPointF side(-d.y() * 0.4, d.x() * 0.4);
  const QPointF back = to - d * 0.45;
  p.setPen(QPen(kOutline, 3.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, back);
  p.setPen(QPen(kOutline, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(color);
  p.drawPolygon(QPolygonF({to, back + side, back - side}));
  p.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(from, back);
}

void DrawFolder(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(QColor(226, 178, 60));
  p.drawPolygon(
      QPolygonF({{1.5, 16.5}, {1.5, 3.5}, {7.5, 3.5}, {9.5, 5.5}, {16.5, 5.5}, {16.5, 16.5}}));
  p.setBrush(QColor(248, 212, 110));
  p.drawRect(QRectF(1.5, 7.5, 15, 9));
}

// A wrist device: strap, case and a screen with a few dots.
void DrawDevice(QPainter& p, qreal left) {
  p.setPen(Outline());
  p.setBrush(QColor(90, 90, 104));
  p.drawRect(QRectF(left + 3.5, 1.5, 4, 17));
  p.setBrush(QColor(170, 176, 188));
  p.drawRoundedRect(QRectF(left + 0.5, 5.5, 10, 9), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(206, 222, 190));
  p.drawRect(QRectF(left + 2, 7, 7, 6));
  p.setBrush(QColor(20, 36, 20));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x)
      if ((x + y) % 2 == 0) p.drawRect(QRectF(left + 2.5 + x * 2, 7.5 + y * 2, 1.5, 1.5));
}

void OpenPc(QPainter& p) {
  DrawFolder(p);
  DrawArrow(p, QPointF(14.5, 19), QPointF(14.5, 9), QColor(40, 160, 60));
}

void SavePc(QPainter& p) {
  p.setPen(Outline());
  p.setBrush(QColor(52, 96, 180));
  p.drawPolygon(QPolygonF({{2.5, 2.5}, {15.5, 2.5}, {17.5, 4.5}, {17.5, 17.5}, {2.5, 17.5}}));
  p.setBrush(QColor(236, 238, 242));
  p.drawRect(QRectF(5.5, 2.5, 9, 5));
  p.setBrush(QColor(200, 204, 212));
  p.drawRect(QRectF(5.5, 11.5, 9, 6));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(52, 96, 180));
  p.drawRect(QRectF(11, 3, 2, 4));
}

void OpenDevice(QPainter& p) {
  DrawDevice(p, 0);
  DrawArrow(p, QPointF(11, 10), QPointF(19.5, 10), QColor(40, 160, 60));
}

void SaveDevice(QPainter& p) {
  DrawDevice(p, 9);
  DrawArrow(p, QPointF(0.5, 10), QPointF(9, 10), QColor(220, 100, 40));
}

void ConvertSize(QPainter& p) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(60, 120, 220), 1, Qt::DashLine, Qt::FlatCap));
  p.drawRect(QRectF(1.5, 1.5, 17, 17));
  p.setPen(Outline());
  p.setBrush(QColor(245, 245, 245));
  p.drawRect(QRectF(1.5, 9.5, 9, 9));
  DrawArrow(p, QPointF(7, 13), QPointF(17.5, 2.5), QColor(60, 120, 220));
}

void AppIcon(QPainter& p) {
  DrawDevice(p, 4);
}

// Draws its picture at whatever size it is asked for, so that it is sharp at every scale.
class DrawnIconEngine : public QIconEngine {
 public:
  explicit DrawnIconEngine(Drawing drawing) : drawing_(drawing) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap pm = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
    pm.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, pm);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    {
      QPainter p(&pm);
      p.setRenderHint(QPainter::Antialiasing);
      p.scale(size.width() / kDesign, size.height() / kDesign);
      drawing_(p);
    }
    if (mode != QIcon::Normal && qApp) {
      QStyleOption option;
      option.palette = QApplication::palette();
      return QApplication::style()->generatedIconPixmap(mode, pm, &option);
    }
    return pm;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  QIconEngine* clone() const override { return new DrawnIconEngine(drawing_); }
  QString key() const override { return QStringLiteral("dotcaster-drawn"); }

 private:
  Drawing drawing_;
};

QIcon Drawn(Drawing drawing) {
  return QIcon(new DrawnIconEngine(drawing));
}

}  // namespace

QIcon MakeToolIcon(ToolIcon which) {
  switch (which) {
    case ToolIcon::kOpenPc:
      return QIcon::fromTheme(QStringLiteral("document-open"), Drawn(OpenPc));
    case ToolIcon::kSavePc:
      return QIcon::fromTheme(QStringLiteral("document-save"), Drawn(SavePc));
    case ToolIcon::kOpenDevice:
      return Drawn(OpenDevice);
    case ToolIcon::kSaveDevice:
      return Drawn(SaveDevice);
    case ToolIcon::kConvertSize:
      return Drawn(ConvertSize);
  }
  return {};
}

QIcon MakeAppIcon() {
  return QIcon::fromTheme(QStringLiteral("dotcaster"), Drawn(AppIcon));
}

}  // namespace dotcaster
