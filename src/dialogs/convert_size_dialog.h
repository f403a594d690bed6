#pragma once

// QDLChange: the modal Convert Size dialog behind the window's "&Convert Size..." command.
//
// Contract: construct it over the main window, then exec(). The constructor copies the
// shared state into the controls (nothing is read later); OK validates the custom size and
// writes SizeDlgOK, ZoomMode, JustZoom, SizeMode, OutWidth and OutHeight; Cancel, Esc, the
// close box and a "keep" answer from the edit confirmation write only SizeDlgOK = false.
// exec() returns Accepted exactly when the state was written. The dialog converts nothing:
// the caller reads SizeDlgOK and converts again.
//
// Object names are the design names; the members of a control array carry their index
// after an underscore: "QDLZoom_0", "QDLZoom_1", "JustZoom", "Frame3", "Frame4",
// "QDLSize_0".."QDLSize_2", "CustomSize_0" (width), "CustomSize_1" (height),
// "UpDown1_0", "UpDown1_1", "Command1" (OK), "Command2" (Cancel).

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

#include "state/app_state.h"

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace dotcaster {

// Spin buttons bound to a numeric field (the up-down control of the design): a click, or
// the Up/Down key while they have the focus, steps the field's value by one within
// [minimum, maximum]. A field value outside the range is first brought into it.
class SpinButtons : public QWidget {
  Q_OBJECT
 public:
  SpinButtons(QLineEdit* buddy, int minimum, int maximum, QWidget* parent = nullptr);

  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }
  void StepBy(int delta);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QLineEdit* buddy_;
  int minimum_;
  int maximum_;
  QToolButton* up_;
  QToolButton* down_;
};

class QDLChange : public QDialog {
  Q_OBJECT
 public:
  // Answers true to go on, false to keep the hand-edited result. An empty function goes on.
  using ConfirmDiscardEdits = std::function<bool()>;

  // help (not owned, may be null) answers F1.
  QDLChange(AppState& state, ConfirmDiscardEdits confirm, HelpProvider* help,
            QWidget* parent = nullptr);

  // Value of custom field i (0 width, 1 height) as typed; an empty field reads as 0.
  int FieldValue(int i) const;
  // Most recent acceptable values of the two custom fields.
  const std::array<std::int16_t, 2>& LastGood() const { return last_good_; }

 public slots:
  void accept() override;  // the OK button
  void reject() override;  // Cancel, Esc, the close box

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ApplySizeRule();
  void ApplyStretchRule();
  void FieldEdited(int i);
  bool ValidateField(int i);

  AppState& state_;
  ConfirmDiscardEdits confirm_;
  HelpProvider* help_;
  std::array<std::int16_t, 2> last_good_{};

  QGroupBox* frame3_;
  QGroupBox* frame4_;
  std::array<QRadioButton*, 2> zoom_{};
  QCheckBox* just_zoom_;
  std::array<QRadioButton*, 3> size_{};
  std::array<QLineEdit*, 2> custom_{};
  std::array<SpinButtons*, 2> up_down_{};
  QPushButton* ok_;
  QPushButton* cancel_;
};

// Opens the dialog modally over parent, lets pending window events run once it has closed
// and returns state.SizeDlgOK.
bool RunConvertSizeDialog(AppState& state, QDLChange::ConfirmDiscardEdits confirm,
                          HelpProvider* help, QWidget* parent);

}  // namespace dotcaster
