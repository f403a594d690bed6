#include "devicelink/install.h"

#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "devicelink/link.h"
#include "state/paths.h"
#include "state/prompter.h"

namespace dotcaster {
namespace fs = std::filesystem;
namespace {

constexpr const char* kInstallOrg = "Tresk";
constexpr const char* kInstallApp = "Dovimar-e";
constexpr const char* kInstallKey = "PC/InstallDir";

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Sep() {
  return std::string(1, kSeparator);
}

}  // namespace

std::unique_ptr<QSettings> OpenUserSettings(std::string_view organisation,
                                            std::string_view application) {
  const char* dir = std::getenv(kConfigDirVariable);
  if (dir && *dir) {
    const std::string file =
        JoinPath(JoinPath(dir, organisation), std::string(application) + ".ini");
    return std::make_unique<QSettings>(Q(file), QSettings::IniFormat);
  }
#ifdef _WIN32
  const auto format = QSettings::NativeFormat;  // HKEY_CURRENT_USER\Software\<org>\<app>
#else
  const auto format = QSettings::IniFormat;  // ~/.config/<org>/<app>.ini
#endif
  auto settings =
      std::make_unique<QSettings>(format, QSettings::UserScope, Q(organisation), Q(application));
  // Only the user's own values count: no organisation-wide or system-wide file or key stands
  // in for a missing one (an installation recorded for another user is not this user's).
  settings->setFallbacksEnabled(false);
  return settings;
}

std::optional<std::string> GetInstallDir() {
  auto settings = OpenUserSettings(kInstallOrg, kInstallApp);
  const QVariant value = settings->value(kInstallKey);
  if (!value.isValid()) return std::nullopt;
  std::string text = value.toString().toStdString();
  // A value written by a C program may carry its terminating NUL (and whatever follows).
  if (auto nul = text.rfind('\0'); nul != std::string::npos) text.resize(nul);
  if (text.empty()) return std::nullopt;
  if (IsSeparator(text.back()) || text.back() == '\\') text.pop_back();
  return text;
}

void RecordInstallDir(std::string_view install_dir) {
  auto settings = OpenUserSettings(kInstallOrg, kInstallApp);
  settings->setValue(kInstallKey, Q(install_dir));
  settings->sync();
}

std::string DefaultUserDataDir(std::string_view install_dir) {
  return std::string(install_dir) + Sep() + "userdata" + Sep() + "qdl";
}

std::string FallbackUserDataDir(std::string_view install_dir) {
  return std::string(install_dir) + Sep() + "UserData";
}

std::string DefaultCacheDir(std::string_view install_dir) {
  return std::string(install_dir) + Sep() + "pcshelf" + Sep() + "cache" + Sep() + "accessor" +
         Sep() + "graphics";
}

void CheckUserDataDir(std::string_view install_dir, std::string& user_data_dir,
                      bool& show_message) {
  if (!PathExists(user_data_dir, kAttrFolder).empty()) return;
  const std::string fallback = FallbackUserDataDir(install_dir);
  if (!PathExists(fallback, kAttrFolder).empty()) {
    user_data_dir = fallback;
    return;
  }
  if (show_message) {
    ShowError(kMissingUserDataMessage);
    show_message = false;
  }
}

void RemoveEnclosingQuotes(std::string& path) {
  if (path.ends_with('"')) path.pop_back();
  if (path.starts_with('"')) path.erase(0, 1);
}

void ClassifyCommandFile(std::string& path, std::string& folder, std::int16_t& file_on_pc) {
  RemoveEnclosingQuotes(path);
  std::string own_folder = FolderPart(path);
  if (!own_folder.empty() && IsSeparator(own_folder.back())) own_folder.pop_back();
  file_on_pc = Dov_IsOnPcFile(path) != 0 ? 1 : 0;
  if (file_on_pc == 0 && !PathExists(own_folder, kAttrFolder).empty()) folder = own_folder;
}

std::string FileNamePart(std::string_view path) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1])) return std::string(path.substr(i));
  return std::string(path);
}

std::string FolderPart(std::string_view path) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1])) return std::string(path.substr(0, i));
  return {};
}

std::string PathExists(std::string_view path, int mask) {
  std::string text(path);
  while (text.size() > 1 && IsSeparator(text.back()))
    text.pop_back();
  if (text.empty() || text.find('\0') != std::string::npos) return {};
  std::error_code ec;
  const fs::path fs_path = ToFsPath(text);
  const fs::file_status status = fs::status(fs_path, ec);
  if (ec || !fs::exists(status)) return {};
  if (fs::is_directory(status) && !(mask & kAttrFolder)) return {};
  if (!fs::is_directory(status) && !fs::is_regular_file(status) && !(mask & kAttrSystem)) return {};
  std::string name = FileNamePart(text);
  if (name.empty()) name = text;
  if (name != "." && name != ".." && QFileInfo(Q(text)).isHidden() && !(mask & kAttrHidden))
    return {};
  return name;
}

}  // namespace dotcaster
