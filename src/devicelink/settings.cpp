#include "devicelink/settings.h"

#include <QSettings>

#include "devicelink/install.h"

namespace dotcaster {
namespace {

constexpr const char* kSettingsOrg = "Tresk";

QString Key(std::string_view section, std::string_view key) {
  return QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size())) + "/" +
         QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

std::string GetSetting(std::string_view section, std::string_view key,
                       std::string_view default_value) {
  auto settings = OpenUserSettings(kSettingsOrg, kSettingsApp);
  const QVariant value = settings->value(Key(section, key));
  if (!value.isValid()) return std::string(default_value);
  return value.toString().toStdString();
}

void SaveSetting(std::string_view section, std::string_view key, std::string_view value) {
  auto settings = OpenUserSettings(kSettingsOrg, kSettingsApp);
  settings->setValue(Key(section, key),
                     QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
  settings->sync();
}

std::string LastFileRecord(std::string_view path, int file_on_pc) {
  return std::to_string(file_on_pc) + "," + (file_on_pc == 1 ? "PC:" : "Vantro:") +
         FileNamePart(path) + "," + std::string(path);
}

void SaveLastFileSetting(std::string_view section, std::string_view path, int file_on_pc) {
  SaveSetting(section, kLastFileKey, LastFileRecord(path, file_on_pc));
}

}  // namespace dotcaster
