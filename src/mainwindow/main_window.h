#pragma once

// QDLmain, Dotcaster's main window: the two overlapping views, the conversion controls,
// the menus and the toolbar. The window only shows things and forwards user actions:
// every command is a plain function of MainController (main_controller.h), which tests
// call directly. Controls carry their design names as object names ("MONOSikii",
// "PhotoMode", "Picture1_0", ...), so tests and style sheets can find them.

#include <QAction>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <memory>
#include <string>

class QComboBox;
class QGroupBox;
class QMenu;
class QSlider;
class QToolBar;
class QToolButton;

namespace dotcaster {

class CropSelection;
class HelpProvider;
class HelpWindowProvider;
class MainController;

// One of the two views: a fixed-size framed box holding the picture label.
struct PictureView {
  QFrame* box = nullptr;      // Picture1(i)
  QLabel* image = nullptr;    // Image1(i)
  QLabel* caption = nullptr;  // Label1(i)
};

class QDLmain : public QMainWindow {
  Q_OBJECT

 public:
  explicit QDLmain(QWidget* parent = nullptr);
  ~QDLmain() override;

  MainController& controller() { return *controller_; }
  // The window's help (ComHelp): Dotcaster's manual in a help window of its own.
  HelpProvider* help();

  // Window side of the commands; MainController is the only caller.
  void SetTitle(const std::string& title);
  // UpdateBMP (menu and button), EditPicture, CopyResult
  void SetPictureCommandsEnabled(bool enabled);
  void SetConvControlsEnabled(bool enabled);  // also the menu entry "Auto &Level"
  bool ConvControlsEnabled() const;

  int SliderValue() const;
  // Moves the slider; when the value changes this raises the slider's change handler, as a
  // user's change would.
  void SetSliderValue(int value);
  void SetLevelLabel(int value);
  int MethodIndex() const;
  // Selects a method; a different index raises the list's selection handler.
  void SetMethodIndex(int index);

  void ClearPictures();
  void ShowSourcePicture(const QImage& image);
  void ShowResultPicture(const QImage& image);
  void SetSourceCaption(const std::string& text);
  void SetResultCaption(const std::string& text);
  void BringSourceToFront();
  void BringResultToFront();
  bool ResultInFront() const;

  // The crop frame (in source-view pixels) and its coordinates label; the crop selection
  // (crop_selection.h) places them, the conversion reads the frame while CropActive is set.
  void SetRubberVisible(bool visible);
  QRect RubberGeometry() const;
  void HideCropLabel();

  void SetBusy(bool busy);

  // The pixel geometry of the design: the window's client area below the toolbar (its
  // smallest size: it grows when larger text needs room) and the two views.
  static constexpr int kClientWidth = 606;
  static constexpr int kClientHeight = 388;
  static constexpr int kViewWidth = 325;
  static constexpr int kViewHeight = 245;

  // The desktop session is ending: the shutdown sequence without a refusal (questions only
  // when may_ask), then the window goes.
  void EndSession(bool may_ask);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 signals:
  // The shutdown sequence has run to its end and the window closed: the process ends.
  void shutDown();

 private:
  void BuildMenus();
  void BuildToolbar();
  void BuildClient();
  void LayOutClient();    // again whenever the font changes
  void FinishShutdown();  // emits shutDown once
  // The requests to edit the result by hand: "&Edit image", the result view's pop-up entry
  // "&Edit graphic image" and a double click on the result.
  void EditResultRequested();

  std::unique_ptr<HelpWindowProvider> help_;
  std::unique_ptr<MainController> controller_;
  std::unique_ptr<CropSelection> crop_;

  PictureView views_[2];
  QFrame* rubber_ = nullptr;
  QLabel* crop_label_ = nullptr;     // 切り出し座標
  QLabel* pointer_label_ = nullptr;  // 座標

  QGroupBox* frame1_ = nullptr;
  QLabel* label2_ = nullptr;
  QComboBox* photo_mode_ = nullptr;
  QLabel* label3_ = nullptr;
  QSlider* level_slider_ = nullptr;
  QLabel* level_label_ = nullptr;

  QToolBar* toolbar_ = nullptr;
  QAction* update_bmp_ = nullptr;         // menu entry "&Convert Size..."
  QAction* update_bmp_button_ = nullptr;  // toolbar button "UpdateBMP"
  QAction* edit_picture_ = nullptr;       // menu entry "&Edit image"
  QMenu* pop_menu_ = nullptr;             // PopMenu, the result view's pop-up menu
  QAction* copy_ = nullptr;               // menu entry "C&opy"
  QAction* auto_level_ = nullptr;         // menu entry "Auto &Level", with the level controls
  bool shut_down_ = false;                // the shutdown sequence has run to its end
};

}  // namespace dotcaster
