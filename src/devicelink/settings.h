#pragma once

// Dotcaster's per-user settings: the window placement and the last-file record, application
// "Dovimar", section "Mkqdl" (QSettings: organisation "Tresk", application "Dovimar", group
// "Mkqdl"; DOTCASTER_CONFIG_DIR moves the file, see devicelink/install.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

namespace dotcaster {

inline constexpr const char* kSettingsApp = "Dovimar";
inline constexpr const char* kSettingsSection = "Mkqdl";
inline constexpr const char* kPlacementKey = "WindwInformation";  // spelled so
inline constexpr const char* kLastFileKey = "File1";

// Text values by section and key; a missing key gives the default.
std::string GetSetting(std::string_view section, std::string_view key,
                       std::string_view default_value = {});
void SaveSetting(std::string_view section, std::string_view key, std::string_view value);

// Writes the last-file record "<marker>,<PC:|Vantro:><name>,<path>" under key "File1".
void SaveLastFileSetting(std::string_view section, std::string_view path, int file_on_pc);
// The record's text, for tests and tools.
std::string LastFileRecord(std::string_view path, int file_on_pc);

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
