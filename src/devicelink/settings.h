#pragma once

// Dotcaster's per-user settings (values by section and key) and the last-file record, application
// "Dovimar", section "Mkqdl" (QSettings: organisation "Tresk", application "Dovimar", group
// "Mkqdl"; DOTCASTER_CONFIG_DIR moves the file, see devicelink/install.h).

#include <string>
#include <string_view>

namespace dotcaster {

inline constexpr const char* kSettingsApp = "Dovimar";
inline constexpr const char* kSettingsSection = "Mkqdl";
inline constexpr const char* kPlacementKey = "WindwInformation";  // spelled so
inline constexpr const char* kLastFileKey = "File1";
// The program that retouches the result, where the system has no bitmap editor of its own.
inline constexpr const char* kBitmapEditorKey = "BitmapEditor";

// Text values by section and key; a missing key gives the default.
std::string GetSetting(std::string_view section, std::string_view key,
                       std::string_view default_value = {});
void SaveSetting(std::string_view section, std::string_view key, std::string_view value);

// Writes the last-file record "<marker>,<PC:|Vantro:><name>,<path>" under key "File1".
void SaveLastFileSetting(std::string_view section, std::string_view path, int file_on_pc);
// The record's text, for tests and tools.
std::string LastFileRecord(std::string_view path, int file_on_pc);

}  // namespace dotcaster
