#include "mainwindow/crop_selection.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "mainwindow/main_controller.h"
#include "state/app_state.h"
#include "state/prompter.h"

namespace dotcaster {

// The rubber band: outlines drawn inverted over the source picture. It keeps the outlines
// instead of changing pixels, so drawing an outline a second time removes it and the picture
// under it comes back exactly, however often the views repaint in between. Transparent to the
// mouse: the picture under it gets the events.
class RubberBand : public QWidget {
 public:
  explicit RubberBand(QWidget* parent) : QWidget(parent) {
    setObjectName("RubberBand");
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

  void Toggle(const QRect& outline) {
    const auto it = std::find(outlines_.begin(), outlines_.end(), outline);
    if (it != outlines_.end()) {
      outlines_.erase(it);
    } else {
      outlines_.push_back(outline);
    }
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    // Exclusive or with white inverts the colour and keeps the alpha.
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (const QRect& r : outlines_) {
      // Four strips that share no pixel, so that no pixel is inverted twice.
      p.fillRect(QRect(r.left(), r.top(), r.width(), 1), Qt::white);
      if (r.height() > 1) p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), Qt::white);
      if (r.height() > 2) {
        p.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), Qt::white);
        if (r.width() > 1) p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), Qt::white);
      }
    }
  }

 private:
  std::vector<QRect> outlines_;
};

namespace {

// Shows the text whole: the label grows to the right up to the result view and, where a
// large font needs more room even so, the text gets a smaller font than the window's.
void ShowWhole(QLabel* label, const QString& text, const QWidget* limit) {
  QFont font = label->parentWidget()->font();
  const int room = std::max(label->width(), limit->x() - label->x() - 2);
  QFontMetrics metrics(font);
  while (metrics.horizontalAdvance(text) > room && font.pointSizeF() > 6) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
    metrics = QFontMetrics(font);
  }
  label->setFont(font);
  label->resize(std::clamp(metrics.horizontalAdvance(text) + 2, label->width(), room),
                std::max(label->height(), metrics.height()));
  label->setText(text);
  label->show();
}

}  // namespace

std::string SourceCoordinate(double v, double scale) {
  char text[16];
  std::snprintf(text, sizeof text, "%03d", static_cast<int>(std::floor(v * scale + 0.5)));
  return text;
}

std::string PointerText(QPoint view, double scale_x, double scale_y) {
  return "[ " + SourceCoordinate(view.x(), scale_x) + " , " + SourceCoordinate(view.y(), scale_y) +
         " ]";
}

std::string CropRangeText(const QRect& frame, double scale_x, double scale_y) {
  return "Valid range [" + SourceCoordinate(frame.left(), scale_x) + "," +
         SourceCoordinate(frame.top(), scale_y) + "] - [" +
         SourceCoordinate(frame.left() + frame.width() - 1, scale_x) + "," +
         SourceCoordinate(frame.top() + frame.height() - 1, scale_y) + "]";
}

CropSelection::CropSelection(const CropControls& controls, MainController& commands,
                             AppState& state, std::function<void()> edit_result)
    : c_(controls), commands_(commands), state_(state), edit_result_(std::move(edit_result)) {
  band_ = new RubberBand(c_.source_box);
  band_->raise();
  c_.rubber->setAttribute(Qt::WA_TransparentForMouseEvents);
  for (QWidget* w :
       {static_cast<QWidget*>(c_.source_image), static_cast<QWidget*>(c_.result_image),
        static_cast<QWidget*>(c_.source_box), static_cast<QWidget*>(c_.result_box), c_.client}) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
  }
}

CropSelection::~CropSelection() = default;

QPoint CropSelection::ViewPixel(QPoint pos) const {
  int x = pos.x(), y = pos.y();
  if (x > c_.source_image->width() - 1) x = c_.source_image->width() - 1;
  if (y > c_.source_image->height() - 1) y = c_.source_image->height() - 1;
  return {std::max(x, 0), std::max(y, 0)};
}

void CropSelection::DrawBand() {
  band_->setGeometry(c_.source_image->geometry());
  const QPoint a(static_cast<int>(state_.CropX1), static_cast<int>(state_.CropY1));
  const QPoint b(static_cast<int>(state_.CropX2), static_cast<int>(state_.CropY2));
  band_->Toggle(QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                      QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y()))));
}

void CropSelection::ShowPointerText(const std::string& text) {
  ShowWhole(c_.pointer_label, QString::fromStdString(text), c_.result_box);
}

void CropSelection::ImageMouseDown(int index, Qt::MouseButton button, QPoint pos) {
  if (index != 0 || button != Qt::LeftButton) return;
  const QPoint p = ViewPixel(pos);
  if (!state_.ImageLoaded) return;
  if (!selecting_) {
    coord_text1_ = PointerText(p, state_.ScaleX, state_.ScaleY);
    ShowPointerText(coord_text1_);
  }
  selecting_ = true;
  rubber_drawn_ = false;
  start_x_ = static_cast<float>(p.x());
  start_y_ = static_cast<float>(p.y());
}

void CropSelection::ImageMouseMove(int index, Qt::MouseButtons buttons, QPoint pos) {
  if (index != 0 || !state_.ImageLoaded) return;
  const QPoint p = ViewPixel(pos);
  if (!selecting_) {
    coord_text1_ = PointerText(p, state_.ScaleX, state_.ScaleY);
    ShowPointerText(coord_text1_);
  }
  if (buttons != Qt::LeftButton || !selecting_) return;
  if (!rubber_drawn_) {
    state_.CropX1 = start_x_;
    state_.CropY1 = start_y_;
  } else {
    DrawBand();
  }
  state_.CropX2 = static_cast<float>(p.x());
  state_.CropY2 = static_cast<float>(p.y());
  coord_text2_ = " - " + PointerText(p, state_.ScaleX, state_.ScaleY);
  ShowPointerText(coord_text1_ + coord_text2_);
  DrawBand();
  rubber_drawn_ = true;
}

void CropSelection::ImageMouseUp(int index, Qt::MouseButton button, QPoint pos) {
  if (index == 1) {
    if (button == Qt::RightButton && state_.ImageLoaded) {
      c_.pop_menu->popup(c_.result_image->mapToGlobal(pos));
    }
    return;
  }
  if (index != 0 || button != Qt::LeftButton || !selecting_ || !rubber_drawn_) return;
  if (!commands_.ConfirmDiscardEdits()) {
    DrawBand();  // the selection stays as it was
    return;
  }
  DrawBand();
  const QPoint p = ViewPixel(pos);
  state_.CropX2 = static_cast<float>(p.x());
  state_.CropY2 = static_cast<float>(p.y());
  coord_text2_ = " - " + PointerText(p, state_.ScaleX, state_.ScaleY);
  ShowPointerText(coord_text1_ + coord_text2_);
  state_.CropActive = true;
  ApplyCropRect();
  commands_.ConvertPicture(kAppTitle);
  selecting_ = false;
  state_.Modified = true;
}

void CropSelection::ImageClick(int index) {
  if (index == 0) {
    // A click without a drag brings the source view to the front; a completed drag leaves
    // the result that its conversion brought forward.
    if (!rubber_drawn_) c_.source_box->raise();
    rubber_drawn_ = false;
    selecting_ = false;
  } else {
    c_.result_box->raise();
  }
}

void CropSelection::ImageDoubleClick(int index) {
  if (index == 1) {
    edit_result_();
    return;
  }
  if (!state_.CropActive || !commands_.ConfirmDiscardEdits()) return;
  state_.CropActive = false;
  ApplyCropRect();
  commands_.ConvertPicture(kAppTitle);
  state_.Modified = true;
  selecting_ = false;
}

void CropSelection::PictureClick(int index) {
  if (index != 0 || !rubber_drawn_) {
    (index == 0 ? c_.source_box : c_.result_box)->raise();
  } else if (!selecting_) {
    rubber_drawn_ = false;
  }
}

void CropSelection::HidePointerLabel() {
  c_.pointer_label->hide();
}

void CropSelection::ApplyCropRect() {
  auto hide = [this] {
    c_.rubber->hide();
    c_.crop_label->hide();
  };
  if (!state_.CropActive) return hide();
  const int top = static_cast<int>(std::min(state_.CropY1, state_.CropY2));
  const int bottom = static_cast<int>(std::max(state_.CropY1, state_.CropY2));
  const int left = static_cast<int>(std::min(state_.CropX1, state_.CropX2));
  const int right = static_cast<int>(std::max(state_.CropX1, state_.CropX2));
  if (top == bottom || left == right) {
    state_.CropActive = false;
    return hide();
  }
  const QRect frame(left, top, right - left + 1, bottom - top + 1);
  c_.rubber->setGeometry(frame.translated(c_.source_image->pos()));
  c_.rubber->show();
  ShowWhole(c_.crop_label,
            QString::fromStdString(CropRangeText(frame, state_.ScaleX, state_.ScaleY)),
            c_.result_box);
}

bool CropSelection::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
      type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove) {
    return false;
  }
  const auto* e = static_cast<QMouseEvent*>(event);
  const QPoint pos = e->position().toPoint();
  const bool left = e->button() == Qt::LeftButton;

  const int image = watched == c_.source_image ? 0 : watched == c_.result_image ? 1 : -1;
  if (image >= 0) {
    switch (type) {
      case QEvent::MouseButtonPress:
        // The second press of a double click is the double click itself.
        if (left && (e->flags() & Qt::MouseEventCreatedDoubleClick)) {
          double_clicked_ = true;
        } else {
          double_clicked_ = false;
          ImageMouseDown(image, e->button(), pos);
        }
        break;
      case QEvent::MouseButtonDblClick:
        if (left) {
          double_clicked_ = true;
          ImageDoubleClick(image);
        }
        break;
      case QEvent::MouseMove:
        ImageMouseMove(image, e->buttons(), pos);
        break;
      default:
        ImageMouseUp(image, e->button(), pos);
        if (left && !double_clicked_) ImageClick(image);
        if (left) double_clicked_ = false;
        break;
    }
    return true;
  }

  const int box = watched == c_.source_box ? 0 : watched == c_.result_box ? 1 : -1;
  if (box >= 0) {
    if (type == QEvent::MouseButtonRelease) {
      if (left) PictureClick(box);
    } else {
      HidePointerLabel();
    }
    return true;
  }
  if (type == QEvent::MouseMove) HidePointerLabel();
  return false;
}

}  // namespace dotcaster
