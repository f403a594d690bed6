#include "dialogs/convert_size_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogs/centre.h"
#include "state/prompter.h"

namespace dotcaster {
namespace {

constexpr std::array<int, 2> kFieldMaximum = {kMaxOutWidth, kMaxOutHeight};

constexpr const char* kMaximumMessage = "Maximum size is H : 320 V : 240.";
constexpr const char* kMinimumMessage = "Minimum size is H : 1 V : 1.";

QString Indexed(const char* name, int i) {
  return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
}

int ParseField(const QLineEdit* field) {
  bool ok = false;
  const int value = field->text().toInt(&ok);
  return ok ? value : 0;
}

void SetField(QLineEdit* field, int value) {
  field->setText(QString::number(value));
}

}  // namespace

SpinButtons::SpinButtons(QLineEdit* buddy, int minimum, int maximum, QWidget* parent)
    : QWidget(parent),
      buddy_(buddy),
      minimum_(minimum),
      maximum_(maximum),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
  setFocusPolicy(Qt::TabFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* button : {up_, down_}) {
    button->setArrowType(button == up_ ? Qt::UpArrow : Qt::DownArrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    layout->addWidget(button);
  }
  connect(up_, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(down_, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void SpinButtons::StepBy(int delta) {
  const int value = std::clamp(ParseField(buddy_), minimum_, maximum_);
  SetField(buddy_, std::clamp(value + delta, minimum_, maximum_));
}

void SpinButtons::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
    StepBy(event->key() == Qt::Key_Up ? 1 : -1);
    return;
  }
  QWidget::keyPressEvent(event);
}

void SpinButtons::changeEvent(QEvent* event) {
  // The arrows show the buttons' own enabled state; keep it in step with ours.
  if (event->type() == QEvent::EnabledChange) {
    up_->setEnabled(isEnabled());
    down_->setEnabled(isEnabled());
  }
  QWidget::changeEvent(event);
}

QDLChange::QDLChange(AppState& state, ConfirmDiscardEdits confirm, HelpProvider* help,
                     QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      state_(state),
      confirm_(std::move(confirm)),
      help_(help) {
  setObjectName(QStringLiteral("QDLChange"));
  setWindowTitle(QStringLiteral("Convert Size"));

  frame3_ = new QGroupBox(QStringLiteral("Stretch mode"), this);
  frame3_->setObjectName(QStringLiteral("Frame3"));
  zoom_[0] = new QRadioButton(QStringLiteral("&No Stretch"), frame3_);
  zoom_[1] = new QRadioButton(QStringLiteral("&Stretch image,according to size."), frame3_);
  just_zoom_ = new QCheckBox(QStringLiteral("&Fix ratio of width / height"), frame3_);
  just_zoom_->setObjectName(QStringLiteral("JustZoom"));
  auto* stretch_layout = new QVBoxLayout(frame3_);
  for (int i = 0; i < 2; ++i) {
    zoom_[i]->setObjectName(Indexed("QDLZoom", i));
    stretch_layout->addWidget(zoom_[i]);
  }
  auto* ratio_row = new QHBoxLayout;
  ratio_row->addSpacing(20);
  ratio_row->addWidget(just_zoom_);
  stretch_layout->addLayout(ratio_row);

  frame4_ = new QGroupBox(QStringLiteral("Size"), this);
  frame4_->setObjectName(QStringLiteral("Frame4"));
  size_[0] = new QRadioButton(QStringLiteral("Width : &102  Height : 64"), frame4_);
  size_[1] = new QRadioButton(QStringLiteral("Width : &320  Height : 240"), frame4_);
  size_[2] = new QRadioButton(QStringLiteral("C&ustom Size"), frame4_);
  auto* size_layout = new QVBoxLayout(frame4_);
  size_layout->addWidget(size_[0]);
  size_layout->addWidget(size_[1]);
  auto* custom_row = new QHBoxLayout;
  custom_row->addWidget(size_[2]);
  const std::array<QString, 2> field_labels = {QStringLiteral("&Width :"),
                                               QStringLiteral("&Height :")};
  // Digits as the "####0" format shows them; out-of-range values can still be typed and
  // are refused at OK.
  auto* validator =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,5}")), this);
  for (int i = 0; i < 2; ++i) {
    size_[i]->setObjectName(Indexed("QDLSize", i));
    custom_[i] = new QLineEdit(frame4_);
    custom_[i]->setObjectName(Indexed("CustomSize", i));
    custom_[i]->setValidator(validator);
    custom_[i]->setAlignment(Qt::AlignRight);
    custom_[i]->setMaxLength(6);
    custom_[i]->setFixedWidth(custom_[i]->fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                              16);
    custom_[i]->installEventFilter(this);
    up_down_[i] = new SpinButtons(custom_[i], 1, kFieldMaximum[i], frame4_);
    up_down_[i]->setObjectName(Indexed("UpDown1", i));
    auto* label = new QLabel(field_labels[i], frame4_);
    label->setBuddy(custom_[i]);
    custom_row->addSpacing(8);
    custom_row->addWidget(label);
    custom_row->addWidget(custom_[i]);
    custom_row->addWidget(up_down_[i]);
  }
  size_[2]->setObjectName(Indexed("QDLSize", 2));
  size_layout->addLayout(custom_row);

  ok_ = new QPushButton(QStringLiteral("&OK"), this);
  ok_->setObjectName(QStringLiteral("Command1"));
  ok_->setDefault(true);
  ok_->setAutoDefault(true);
  cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel_->setObjectName(QStringLiteral("Command2"));
  cancel_->setAutoDefault(false);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  buttons->addStretch();

  auto* frames = new QVBoxLayout;
  frames->addWidget(frame3_);
  frames->addWidget(frame4_);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(frames);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // Tab order of the design: the stretch group, the size group, the two fields, OK and
  // Cancel, and last the two spin buttons.
  QWidget* order[] = {zoom_[0],   zoom_[1],   just_zoom_, size_[0], size_[1],    size_[2],
                      custom_[0], custom_[1], ok_,        cancel_,  up_down_[0], up_down_[1]};
  for (std::size_t i = 1; i < std::size(order); ++i)
    setTabOrder(order[i - 1], order[i]);

  // Every control sees F1 before it does (the form previews keys).
  for (QWidget* w : order)
    w->installEventFilter(this);
  installEventFilter(this);

  // Opening: the shared state into the controls.
  zoom_[state_.ZoomMode ? 1 : 0]->setChecked(true);
  just_zoom_->setChecked(state_.JustZoom);
  SetField(custom_[0], state_.OutWidth);
  SetField(custom_[1], state_.OutHeight);
  last_good_ = {state_.OutWidth, state_.OutHeight};
  if (state_.SizeMode >= 0 && state_.SizeMode <= 2) size_[state_.SizeMode]->setChecked(true);
  ApplySizeRule();
  ApplyStretchRule();

  for (int i = 0; i < 2; ++i)
    connect(custom_[i], &QLineEdit::textChanged, this, [this, i] { FieldEdited(i); });
  for (QRadioButton* option : size_)
    connect(option, &QRadioButton::toggled, this, [this] { ApplySizeRule(); });
  for (QRadioButton* option : zoom_)
    connect(option, &QRadioButton::toggled, this, [this] { ApplyStretchRule(); });
  connect(ok_, &QPushButton::clicked, this, &QDLChange::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDLChange::reject);

  CentreOnScreen(*this);
}

int QDLChange::FieldValue(int i) const {
  return ParseField(custom_[i]);
}

void QDLChange::ApplySizeRule() {
  const bool custom = size_[2]->isChecked();
  // The fields' background marks whether they take input: the theme's own field colours
  // while they do, the button face while they do not (light and dark themes alike).
  const QPalette theme = palette();
  for (int i = 0; i < 2; ++i) {
    custom_[i]->setEnabled(custom);
    up_down_[i]->setEnabled(custom);
    QPalette field = theme;
    if (!custom) {
      for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        field.setColor(group, QPalette::Base, theme.color(QPalette::Active, QPalette::Button));
    }
    custom_[i]->setPalette(field);
  }
}

void QDLChange::ApplyStretchRule() {
  just_zoom_->setEnabled(!zoom_[0]->isChecked());
}

void QDLChange::FieldEdited(int i) {
  const int value = ParseField(custom_[i]);
  // 1 itself is accepted but not remembered, so a rejected entry never falls back to it.
  if (value > 1 && value <= kFieldMaximum[i]) last_good_[i] = static_cast<std::int16_t>(value);
}

bool QDLChange::ValidateField(int i) {
  const int value = ParseField(custom_[i]);
  const char* message = nullptr;
  if (value > kFieldMaximum[i])
    message = kMaximumMessage;
  else if (value <= 0)
    message = kMinimumMessage;
  if (!message) return true;
  ShowError(message);
  SetField(custom_[i], last_good_[i]);
  custom_[i]->setFocus(Qt::OtherFocusReason);
  return false;
}

void QDLChange::accept() {
  if (confirm_ && !confirm_()) {
    reject();
    return;
  }
  if (size_[2]->isChecked() && !(ValidateField(0) && ValidateField(1))) return;

  state_.SizeDlgOK = true;
  state_.ZoomMode = zoom_[1]->isChecked();
  state_.JustZoom = just_zoom_->isChecked();
  if (size_[0]->isChecked()) {
    state_.SizeMode = kSizeDevice;
    state_.OutWidth = kDeviceWidth;
    state_.OutHeight = kDeviceHeight;
  } else if (size_[1]->isChecked()) {
    state_.SizeMode = kSizeFull;
    state_.OutWidth = kMaxOutWidth;
    state_.OutHeight = kMaxOutHeight;
  } else {
    // Reached with no size option chosen too (an out-of-range SizeMode at opening): the
    // fields are then taken unchecked, as they stand.
    state_.SizeMode = kSizeCustom;
    state_.OutWidth = static_cast<std::int16_t>(FieldValue(0));
    state_.OutHeight = static_cast<std::int16_t>(FieldValue(1));
  }
  QDialog::accept();
}

void QDLChange::reject() {
  state_.SizeDlgOK = false;
  QDialog::reject();
}

void QDLChange::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  // The fields hold colours of their own, taken from the theme: a new theme renews them.
  if (event->type() == QEvent::PaletteChange && custom_[0]) ApplySizeRule();
}

bool QDLChange::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const auto modifiers = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                             Qt::AltModifier | Qt::MetaModifier);
  if (key->key() == Qt::Key_F1) {
    if (modifiers == Qt::NoModifier && help_) help_->ShowTopics();
    return true;  // F1 with a modifier does nothing at all
  }
  for (int i = 0; i < 2; ++i) {
    if (watched != custom_[i]) continue;
    // No range test here: OK validates. Up is consumed; Down goes on to the field.
    if (key->key() == Qt::Key_Up) {
      SetField(custom_[i], FieldValue(i) + 1);
      return true;
    }
    if (key->key() == Qt::Key_Down) SetField(custom_[i], FieldValue(i) - 1);
  }
  return QDialog::eventFilter(watched, event);
}

bool RunConvertSizeDialog(AppState& state, QDLChange::ConfirmDiscardEdits confirm,
                          HelpProvider* help, QWidget* parent) {
  {
    QDLChange dialog(state, std::move(confirm), help, parent);
    dialog.exec();
  }
  QCoreApplication::processEvents();
  return state.SizeDlgOK;
}

}  // namespace dotcaster
