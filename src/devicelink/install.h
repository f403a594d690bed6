#pragma once

// Finding the link software's installation, Dotcaster's folders inside it, and the path
// routines every file command shares.
//
// The installation folder is the value "InstallDir" under Software\Tresk\Dovimar-e\PC: on
// Windows in the current user's registry, elsewhere in the per-user settings file of
// organisation "Tresk", application "Dovimar-e" (group "PC", INI format). Dotcaster only
// reads it; the link layer's installer (vantro-link install) writes it.
//
// Every per-user settings file can be moved away from the user's own settings by setting
// the environment variable DOTCASTER_CONFIG_DIR to a folder: the files are then
// <dir>/<organisation>/<application>.ini on every platform (tests and scripts use this).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QSettings;

namespace dotcaster {

inline constexpr const char* kConfigDirVariable = "DOTCASTER_CONFIG_DIR";

// The settings object for one organisation and application, honouring DOTCASTER_CONFIG_DIR:
// the user's own file or key only, never a system-wide or organisation-wide one.
std::unique_ptr<QSettings> OpenUserSettings(std::string_view organisation,
                                            std::string_view application);

// The installation folder without a trailing separator, or nothing when there is no
// installation (the key or the value is missing or empty): the window then ends silently.
std::optional<std::string> GetInstallDir();

// Writes InstallDir (the installer's side, used by vantro-link only).
void RecordInstallDir(std::string_view install_dir);

// The message shown when neither user-data folder exists.
inline constexpr const char* kMissingUserDataMessage =
    "Directory does not exist.\r\nPlease install the PC Application again.";

// Keeps user_data_dir when that folder exists; else takes <install_dir>/UserData when that
// one exists; else, when show_message is set, shows kMissingUserDataMessage once and clears
// show_message. Never creates a folder.
void CheckUserDataDir(std::string_view install_dir, std::string& user_data_dir, bool& show_message);

// Removes a double quote at the end of path, then one at its start (a command line names
// its file optionally in quotes).
void RemoveEnclosingQuotes(std::string& path);

// Cleans path of a double quote at either end (in place), sets file_on_pc from the link
// (1: PC file, 0: device-cache file) and, for a device-cache file whose folder exists, sets
// folder to that folder (without a trailing separator). folder is otherwise unchanged.
void ClassifyCommandFile(std::string& path, std::string& folder, std::int16_t& file_on_pc);

// The text after the last separator (the whole path when there is none).
std::string FileNamePart(std::string_view path);
// The text up to and including the last separator (empty when there is none).
std::string FolderPart(std::string_view path);

// Attribute masks of PathExists: bits add hidden (2), system (4) and folders (16) to the
// ordinary files that are always found.
inline constexpr int kAttrHidden = 2;
inline constexpr int kAttrSystem = 4;
inline constexpr int kAttrFolder = 16;

// The name the directory search finds for path (its last name), or empty text when nothing
// is found or the search fails for any reason. Hidden entries (a leading "." elsewhere than
// Windows) need kAttrHidden, folders kAttrFolder. A trailing separator is ignored.
std::string PathExists(std::string_view path, int mask);

// The installation's derived folders, joined with the native separator.
std::string DefaultUserDataDir(std::string_view install_dir);   // <dir>/userdata/qdl
std::string FallbackUserDataDir(std::string_view install_dir);  // <dir>/UserData
std::string DefaultCacheDir(std::string_view install_dir);  // <dir>/pcshelf/cache/accessor/graphics

}  // namespace dotcaster
