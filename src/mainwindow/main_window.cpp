#include "mainwindow/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QSessionManager>
#include <QSlider>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/help_window.h"
#include "mainwindow/clipboard_drop.h"
#include "mainwindow/crop_selection.h"
#include "mainwindow/icons.h"
#include "mainwindow/main_controller.h"
#include "state/prompter.h"

namespace dotcaster {
namespace {

// The design places every control in a client area of 606 x 408 pixels whose top 24
// pixels the toolbar takes; here the toolbar sits outside the central widget, so design
// positions move up by that much.
constexpr int kDesignTop = 24;
constexpr int kDesignTextHeight = 17;
constexpr int kSliderWidth = 240;

QRect Design(int left, int top, int width, int height) {
  return QRect(left, top - kDesignTop, width, height);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  return label;
}

}  // namespace

QDLmain::QDLmain(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint) {
  setObjectName("QDLmain");
  setWindowTitle(kAppTitle);
  setWindowIcon(MakeAppIcon());
  BuildMenus();
  BuildToolbar();
  BuildClient();
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  // The views, their captions and the position labels take no drops themselves: their drags
  // reach the window, which answers them all alike.
  setAcceptDrops(true);
  help_ = std::make_unique<HelpWindowProvider>(this);
  controller_ = std::make_unique<MainController>(*this, TheState());
  crop_ = std::make_unique<CropSelection>(
      CropControls{views_[0].box, views_[0].image, views_[1].box, views_[1].image, centralWidget(),
                   rubber_, crop_label_, pointer_label_, pop_menu_},
      *controller_, TheState(), [this] { EditResultRequested(); });

  // Wired only now: the handlers need the controller, and building the list and the slider
  // must not raise them.
  connect(photo_mode_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controller_->OnMethodSelected(index); });
  // The label follows the thumb while it is dragged; the value counts as settled when the
  // thumb is released or the value is changed by keyboard or click (no tracking).
  level_slider_->setTracking(false);
  connect(level_slider_, &QSlider::sliderMoved, this,
          [this](int value) { controller_->OnSliderScroll(value); });
  connect(level_slider_, &QSlider::valueChanged, this, [this](int value) {
    controller_->OnSliderScroll(value);
    controller_->OnSliderChange(value);
  });
  // The end of the desktop session closes the window; it is never refused.
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    const bool may_ask = manager.allowsInteraction();
    EndSession(may_ask);
    if (may_ask) manager.release();
  });
}

QDLmain::~QDLmain() {
  // The state outlives the window (tests make one window after another).
  if (TheState().HelpDialog == help_.get()) TheState().HelpDialog = nullptr;
}

HelpProvider* QDLmain::help() {
  return help_.get();
}

void QDLmain::BuildMenus() {
  auto add = [this](QMenu* menu, const char* name, const QString& caption,
                    QKeySequence shortcut = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setShortcut(shortcut);
    return action;
  };
  auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(name); };

  QMenu* file = menuBar()->addMenu("&File");
  file->setObjectName("FileCTRL");
  connect(add(file, "FileOpen", "&Open on PC...", QKeySequence("Ctrl+O")), &QAction::triggered,
          this, [this] { controller_->OpenOnPc(); });
  connect(add(file, "FileOverWrite", "&Save to PC", QKeySequence("Ctrl+S")), &QAction::triggered,
          this, [this] { controller_->SaveToPc(); });
  connect(add(file, "FileSaveWhithName", "Save to PC &as..."), &QAction::triggered, this,
          [this] { controller_->SaveToPcAs(); });
  separator(file, "kubun1");
  connect(add(file, "FileOpenD770", "Open on Va&ntro..."), &QAction::triggered, this,
          [this] { controller_->OpenOnDevice(); });
  connect(add(file, "FileOverWriteD770", "Save to Vant&ro"), &QAction::triggered, this,
          [this] { controller_->SaveToDevice(); });
  connect(add(file, "FileSaveWhithNameD770", "Save &to Vantro as..."), &QAction::triggered, this,
          [this] { controller_->SaveToDeviceAs(); });
  separator(file, "kubun2");
  connect(add(file, "Disconnection", "Dis&connection Setup..."), &QAction::triggered, this,
          [this] { controller_->SetupDisconnection(); });
  separator(file, "kubun5");
  connect(add(file, "QDLEnd", "E&xit"), &QAction::triggered, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->setObjectName("EditCTRL");
  update_bmp_ = add(edit, "UpdateBMP", "&Convert Size...");
  connect(update_bmp_, &QAction::triggered, this, [this] { controller_->ShowConvertSize(); });
  auto_level_ = add(edit, "AutoLevel", "Auto &Level", QKeySequence("Ctrl+L"));
  connect(auto_level_, &QAction::triggered, this, [this] { controller_->AutoLevel(); });
  separator(edit, "kubun3");
  // Not "&Copy": Alt+E, C must reach "&Convert Size..." at once.
  copy_ = add(edit, "CopyResult", "C&opy", QKeySequence("Ctrl+C"));
  connect(copy_, &QAction::triggered, this, [this] { controller_->CopyResult(); });
  QAction* paste = add(edit, "PasteClipboard", "&Paste", QKeySequence("Ctrl+V"));
  connect(paste, &QAction::triggered, this, [this] { controller_->PasteClipboard(); });
  // Only when the menu opens: until then Ctrl+V runs "&Paste", which looks for itself.
  connect(edit, &QMenu::aboutToShow, this,
          [paste] { paste->setEnabled(OffersImage(QGuiApplication::clipboard()->mimeData())); });
  separator(edit, "kubun4");
  edit_picture_ = add(edit, "EditPicture", "&Edit image");
  connect(edit_picture_, &QAction::triggered, this, [this] { EditResultRequested(); });

  QMenu* help = menuBar()->addMenu("&Help");
  help->setObjectName("MenuHelp");
  connect(add(help, "MenuTopic", "&Help Topics"), &QAction::triggered, this,
          [this] { controller_->ShowHelpTopics(); });
  separator(help, "kubunhelp");
  connect(add(help, "MenuVersion", "&About Dotcaster..."), &QAction::triggered, this,
          [this] { controller_->ShowAbout(); });

  pop_menu_ = new QMenu("Menu of &Edit graphic image", this);
  pop_menu_->setObjectName("PopMenu");
  connect(add(pop_menu_, "EditPicture2", "&Edit graphic image"), &QAction::triggered, this,
          [this] { EditResultRequested(); });
}

void QDLmain::EditResultRequested() {
  controller_->EditResultImage();
}

void QDLmain::BuildToolbar() {
  toolbar_ = addToolBar("Toolbar1");
  toolbar_->setObjectName("Toolbar1");
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setIconSize(QSize(20, 20));
  toolbar_->toggleViewAction()->setVisible(false);
  setContextMenuPolicy(Qt::NoContextMenu);

  auto button = [this](const char* key, const QString& tooltip, ToolIcon icon) {
    QAction* action = toolbar_->addAction(MakeToolIcon(icon), tooltip);
    action->setObjectName(QStringLiteral("Toolbar1_") + key);
    action->setToolTip(tooltip);
    const std::string k = key;
    connect(action, &QAction::triggered, this, [this, k] { controller_->ToolbarButton(k); });
    return action;
  };
  button("Fopen", "Open on PC", ToolIcon::kOpenPc);
  button("OvrWrite", "Save to PC", ToolIcon::kSavePc);
  toolbar_->addSeparator();
  button("D770Open", "Open on Vantro", ToolIcon::kOpenDevice);
  button("D770OvrWrite", "Save to Vantro", ToolIcon::kSaveDevice);
  toolbar_->addSeparator();
  update_bmp_button_ = button("UpdateBMP", "&Convert Size...", ToolIcon::kConvertSize);

  // F1 anywhere in the window opens the help; Shift+F1 and other combinations do nothing.
  auto* f1 = new QAction(this);
  f1->setObjectName("HelpKey");
  f1->setShortcut(QKeySequence(Qt::Key_F1));
  f1->setShortcutContext(Qt::WindowShortcut);
  addAction(f1);
  connect(f1, &QAction::triggered, this, [this] { controller_->ShowHelpTopics(); });
}

void QDLmain::BuildClient() {
  auto* client = new QWidget(this);
  client->setObjectName("Client");
  setCentralWidget(client);

  const char* texts[2] = {"Source image", "Vantro image"};
  for (int i = 0; i < 2; ++i) {
    PictureView& v = views_[i];
    v.box = new QFrame(client);
    v.box->setObjectName(QStringLiteral("Picture1_%1").arg(i));
    v.box->setFrameStyle(QFrame::Box | QFrame::Plain);
    v.box->setLineWidth(1);
    v.box->setAutoFillBackground(true);
    v.box->setFixedSize(kViewWidth, kViewHeight);
    v.image = new QLabel(v.box);
    v.image->setObjectName(QStringLiteral("Image1_%1").arg(i));
    v.image->move(1, 1);
    v.image->resize(0, 0);
    v.caption = MakeLabel(client, "", texts[i]);
    v.caption->setObjectName(QStringLiteral("Label1_%1").arg(i));
  }
  rubber_ = new QFrame(views_[0].box);
  rubber_->setObjectName("Rubber");
  rubber_->setFrameStyle(QFrame::Box | QFrame::Plain);
  rubber_->hide();

  crop_label_ = MakeLabel(client, "切り出し座標", "Cut of cordenates");
  crop_label_->hide();
  pointer_label_ = MakeLabel(client, "座標", "Cordenates");
  pointer_label_->hide();

  frame1_ = new QGroupBox(client);
  frame1_->setObjectName("Frame1");
  label2_ = MakeLabel(frame1_, "Label2", "Conversion &Method :");
  photo_mode_ = new QComboBox(frame1_);
  photo_mode_->setObjectName("PhotoMode");
  photo_mode_->addItems({"Document", "Photo(Sharp)", "Photo(Soft)", "Photo(Diffusion)",
                         "Photo(Atkinson)", "Photo(Ordered)"});
  label2_->setBuddy(photo_mode_);
  label3_ = MakeLabel(frame1_, "Label3", "&Level :");
  level_label_ = MakeLabel(frame1_, "LabelSikii", "0");
  level_slider_ = new QSlider(Qt::Horizontal, frame1_);
  level_slider_->setObjectName("MONOSikii");
  level_slider_->setRange(0, 255);
  level_slider_->setSingleStep(1);
  level_slider_->setPageStep(16);
  level_slider_->setTickInterval(16);
  level_slider_->setTickPosition(QSlider::TicksBelow);
  // The design value is 0: the reset at start-up moves it to 128 and so raises the change
  // handler, which records 128 as the level of the (not yet existing) result.
  level_slider_->setValue(0);
  level_slider_->setMinimumWidth(kSliderWidth);
  label3_->setBuddy(level_slider_);

  // The frame's controls in rows sized by their font. The list sits under its label, as wide
  // as the frame: the names of the dithering methods do not fit beside the label.
  auto* level_row = new QHBoxLayout;
  level_row->addWidget(label3_);
  level_row->addWidget(level_label_, 1);
  auto* rows = new QVBoxLayout(frame1_);
  rows->setContentsMargins(8, 12, 8, 4);
  rows->addWidget(label2_);
  rows->addWidget(photo_mode_);
  rows->addLayout(level_row);
  rows->addWidget(level_slider_);

  LayOutClient();
  // The result view overlaps the lower right corner of the source view and starts in front.
  views_[1].box->raise();
}

void QDLmain::LayOutClient() {
  // The design's positions, with room made for text: the views keep their pixel size, every
  // text takes the room its font needs (captions the room of their longest text), and what
  // lies beside or below a text moves away from it. The window grows to fit.
  const QFontMetrics metrics(views_[0].caption->font());
  const int text_height = std::max(kDesignTextHeight, metrics.height() + 2);
  const auto width_of = [&](const std::string& text, int design_width) {
    return std::max(design_width, metrics.horizontalAdvance(QString::fromStdString(text)) + 4);
  };
  constexpr int kGap = 4;

  const QRect source = Design(8, 32, kViewWidth, kViewHeight);
  views_[0].box->move(source.topLeft());
  const QRect source_caption(48, source.bottom() + kGap,
                             width_of(SizeCaption("Source image", 32767, 32767), 193), text_height);
  views_[0].caption->setGeometry(source_caption);
  crop_label_->setGeometry(16, source_caption.bottom() + kGap,
                           width_of(crop_label_->text().toStdString(), 210), text_height);
  pointer_label_->setGeometry(16, crop_label_->geometry().bottom() + kGap,
                              width_of(pointer_label_->text().toStdString(), 210), text_height);

  const QRect design_frame = Design(342, 28, 256, 106);
  const QRect frame(design_frame.topLeft(), frame1_->sizeHint().expandedTo(design_frame.size()));
  frame1_->setGeometry(frame);

  const QRect result(std::max(272, source_caption.right() + 1 + kGap),
                     std::max(140 - kDesignTop, frame.bottom() + 1 + kGap), kViewWidth,
                     kViewHeight);
  views_[1].box->move(result.topLeft());
  const QRect result_caption(
      result.left() + 16, result.bottom() + 2 + kGap,
      width_of(SizeCaption("Vantro image", kMaxOutWidth, kMaxOutHeight), 245), text_height);
  views_[1].caption->setGeometry(result_caption);

  const int right = std::max({frame.right(), result.right(), result_caption.right()}) + 1;
  const int bottom = std::max({result_caption.bottom(), pointer_label_->geometry().bottom()}) + 1;
  centralWidget()->setFixedSize(std::max(kClientWidth, right + 9),
                                std::max(kClientHeight, bottom + 5));
}

void QDLmain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) LayOutClient();
}

void QDLmain::dragEnterEvent(QDragEnterEvent* event) {
  AnswerDragEnter(event);
}

void QDLmain::dropEvent(QDropEvent* event) {
  AnswerDrop(event, *controller_);
}

void QDLmain::SetTitle(const std::string& title) {
  setWindowTitle(QString::fromStdString(title));
}

void QDLmain::SetPictureCommandsEnabled(bool enabled) {
  update_bmp_->setEnabled(enabled);
  update_bmp_button_->setEnabled(enabled);
  edit_picture_->setEnabled(enabled);
  copy_->setEnabled(enabled);
}

void QDLmain::SetConvControlsEnabled(bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{level_slider_, label3_, level_label_,
                                                    photo_mode_, label2_}) {
    w->setEnabled(enabled);
  }
  auto_level_->setEnabled(enabled);
}

bool QDLmain::ConvControlsEnabled() const {
  return level_slider_->isEnabled();
}

int QDLmain::SliderValue() const {
  return level_slider_->value();
}

void QDLmain::SetSliderValue(int value) {
  level_slider_->setValue(value);
}

void QDLmain::SetLevelLabel(int value) {
  level_label_->setText(QString::number(value));
}

int QDLmain::MethodIndex() const {
  return photo_mode_->currentIndex();
}

void QDLmain::SetMethodIndex(int index) {
  photo_mode_->setCurrentIndex(index);
}

void QDLmain::ClearPictures() {
  for (PictureView& v : views_) {
    v.image->clear();
    v.image->resize(0, 0);
  }
}

void QDLmain::ShowSourcePicture(const QImage& image) {
  views_[0].image->setPixmap(QPixmap::fromImage(image));
  views_[0].image->resize(image.size());
}

void QDLmain::ShowResultPicture(const QImage& image) {
  views_[1].image->setPixmap(QPixmap::fromImage(image));
  views_[1].image->resize(image.size());
}

void QDLmain::SetSourceCaption(const std::string& text) {
  views_[0].caption->setText(QString::fromStdString(text));
}

void QDLmain::SetResultCaption(const std::string& text) {
  views_[1].caption->setText(QString::fromStdString(text));
}

void QDLmain::BringSourceToFront() {
  views_[0].box->raise();
}

void QDLmain::BringResultToFront() {
  views_[1].box->raise();
}

bool QDLmain::ResultInFront() const {
  const QObjectList& children = centralWidget()->children();
  return children.indexOf(views_[1].box) > children.indexOf(views_[0].box);
}

void QDLmain::SetRubberVisible(bool visible) {
  rubber_->setVisible(visible);
}

QRect QDLmain::RubberGeometry() const {
  return rubber_->geometry().translated(-views_[0].image->pos());
}

void QDLmain::HideCropLabel() {
  crop_label_->hide();
}

void QDLmain::SetBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QDLmain::closeEvent(QCloseEvent* event) {
  // Disabled, the window waits for the bitmap editor, whose copy of the result is pending.
  if (!shut_down_ && (!isEnabled() || !controller_->Shutdown())) {
    event->ignore();
    return;
  }
  event->accept();
  FinishShutdown();
}

void QDLmain::EndSession(bool may_ask) {
  if (shut_down_) return;
  controller_->Shutdown(may_ask ? MainController::CloseReason::kSessionEnd
                                : MainController::CloseReason::kSessionEndSilent);
  hide();
  FinishShutdown();
}

void QDLmain::FinishShutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  emit shutDown();
}

}  // namespace dotcaster
