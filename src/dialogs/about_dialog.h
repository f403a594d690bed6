#pragma once

// GlobalVersion: the About box shared by the applications of the Vantro link suite. The
// caller picks an application by number (0..12; Dotcaster is 4) when it creates the box;
// the box shows that application's title and icon with the suite's version and notices,
// centred on the screen. OK, Enter and Esc close it.
//
// Object names: "Command1" (OK), "Label1".."Label7", "Image1" (suite logo) and the icons
// "Image2_0".."Image2_12", of which only the chosen one is visible.

#include <QDialog>
#include <QPixmap>
#include <array>
#include <cstdint>
#include <string_view>

namespace dotcaster {

inline constexpr std::int16_t kDotcasterAppNumber = 4;
inline constexpr int kSuiteAppCount = 13;

// Titles of the suite's applications by number.
inline constexpr std::array<std::string_view, kSuiteAppCount> kSuiteTitles = {
    "Vantro Link", "Schedule Keeper", "Address Book", "Memo Pad",        "Dotcaster",
    "Alarm Setup", "Backup Manager",  "Font Loader",  "Melody Composer", "Expense Diary",
    "World Clock", "To-Do Planner",   "Game Loader"};

inline constexpr const char* kSuiteVersionText =
    "Version 2.00 for Windows95 / Windows98 / WindowsNT4.0";

// The suite's icon for application n (drawn in code, size x size pixels); a null pixmap
// for a number outside 0..12. SuiteIcon(kDotcasterAppNumber) is Dotcaster's own icon.
QPixmap SuiteIcon(int n, int size = 32);

class GlobalVersion : public QDialog {
  Q_OBJECT
 public:
  // A number outside 0..12 shows no icon and leaves the design caption "[Caption]".
  explicit GlobalVersion(std::int16_t applicationNumber, QWidget* parent = nullptr);

  std::int16_t applicationNumber() const { return number_; }

 private:
  std::int16_t number_;
};

// The "&About Dotcaster..." command: application number 4, modal, owned by parent.
void ShowAboutDotcaster(QWidget* parent);

}  // namespace dotcaster
