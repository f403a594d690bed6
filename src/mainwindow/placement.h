#pragma once

// Where the main window stands between runs: its placement is stored as text under
// "WindwInformation" of Dotcaster's settings section and restored once at start-up.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace dotcaster {

// A window placement in screen pixels. Only the show state and the normal rectangle are
// stored; the other fields read back as zero.
struct WindowPlacement {
  std::int32_t length = 44;
  std::int32_t flags = 0;
  std::int32_t show_cmd = 0;  // 1 normal, 2 minimised, 3 maximised
  std::int32_t min_x = 0, min_y = 0;
  std::int32_t max_x = 0, max_y = 0;
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // the normal rectangle
  bool operator==(const WindowPlacement&) const = default;
};

// "show,bottom,left,right,top", e.g. "1,560,120,760,80".
std::string PlacementToText(const WindowPlacement& placement);
// The reverse; nothing for text that is not five comma-separated integers.
std::optional<WindowPlacement> TextToPlacement(std::string_view text);

// The placement of a window as the platform would report it: the show state and the normal
// (restored) frame rectangle.
WindowPlacement GetWindowPlacement(const QWidget& window);

// Stores the window's placement under "WindwInformation" of section.
void SaveWindowPlacement(const QWidget& window, std::string_view section);

// Restores the placement stored under section before the window is shown. Nothing stored:
// the window is centred on its screen, false. A fixed-size window (minimum size equal to
// maximum size) only moves its top-left corner to the stored left and top, false. A sizable
// window takes the stored rectangle and show state (minimised becomes normal), true.
bool RestoreWindowPlacement(QWidget& window, std::string_view section);

// Centres the window (its frame) on its screen; no clamping.
void CentreWindow(QWidget& window);

}  // namespace dotcaster
