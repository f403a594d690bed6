#pragma once

// The crop selection on the source view: dragging with the left button draws an inverted
// outline (the rubber band) that follows the pointer; the release makes it the crop frame
// `Rubber` and converts only that part, a double click removes it and converts the whole
// picture again. The same mouse handlers keep the pointer-coordinates label up to date,
// decide which of the two overlapping views is in front, and open the result view's pop-up
// menu.
//
// CropSelection watches the window's views (an event filter) and turns Qt's mouse events
// into the handlers below; a click is a left-button release that does not end a double
// click. Tests drive it with real mouse events on the widgets. Positions are view pixels:
// pixels of the source picture as shown, clamped to it.

#include <QObject>
#include <QPoint>
#include <QRect>
#include <functional>
#include <string>

class QFrame;
class QLabel;
class QMenu;

namespace dotcaster {

struct AppState;
class MainController;
class RubberBand;

// The window's controls the selection works on; the window owns them all.
struct CropControls {
  QFrame* source_box = nullptr;     // Picture1(0)
  QLabel* source_image = nullptr;   // Image1(0)
  QFrame* result_box = nullptr;     // Picture1(1)
  QLabel* result_image = nullptr;   // Image1(1)
  QWidget* client = nullptr;        // the window's own area
  QFrame* rubber = nullptr;         // Rubber: placed one pixel inside the box's border
  QLabel* crop_label = nullptr;     // 切り出し座標
  QLabel* pointer_label = nullptr;  // 座標
  QMenu* pop_menu = nullptr;        // PopMenu
};

// A view coordinate as the source coordinate v x scale, rounded half up and written with at
// least three digits: 5 -> "005", 1234 -> "1234".
std::string SourceCoordinate(double v, double scale);
// "[ 012 , 034 ]"; the second half of a drag's text is " - " followed by the same.
std::string PointerText(QPoint view, double scale_x, double scale_y);
// "Valid range [L,T] - [R,B]" for a frame in view pixels.
std::string CropRangeText(const QRect& frame, double scale_x, double scale_y);

class CropSelection : public QObject {
 public:
  // edit_result starts the external editor on the result (the result view's double click).
  CropSelection(const CropControls& controls, MainController& commands, AppState& state,
                std::function<void()> edit_result);
  ~CropSelection() override;

  // Index 0 is the source view, 1 the result view.
  void ImageMouseDown(int index, Qt::MouseButton button, QPoint pos);
  void ImageMouseMove(int index, Qt::MouseButtons buttons, QPoint pos);
  void ImageMouseUp(int index, Qt::MouseButton button, QPoint pos);
  void ImageClick(int index);
  void ImageDoubleClick(int index);
  void PictureClick(int index);
  // Picture1 mouse down and move, the window's mouse move.
  void HidePointerLabel();
  // Shows the frame and its range label from CropActive and the two corners, or hides them;
  // a frame one pixel thin is no selection and clears CropActive.
  void ApplyCropRect();

  bool selecting() const { return selecting_; }
  bool rubber_drawn() const { return rubber_drawn_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPoint ViewPixel(QPoint pos) const;
  // Draws the outline from (CropX1, CropY1) to (CropX2, CropY2) inverted; drawing the same
  // outline again erases it.
  void DrawBand();
  void ShowPointerText(const std::string& text);

  CropControls c_;
  MainController& commands_;
  AppState& state_;
  std::function<void()> edit_result_;
  RubberBand* band_ = nullptr;  // owned by the source box

  bool selecting_ = false;     // the left button went down on the picture, not yet released
  bool rubber_drawn_ = false;  // an outline is drawn on the source view
  float start_x_ = 0, start_y_ = 0;
  std::string coord_text1_, coord_text2_;
  bool double_clicked_ = false;  // the press under way began with a double click
};

}  // namespace dotcaster
