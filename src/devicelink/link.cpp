#include "devicelink/link.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "devicelink/folder_link.h"
#include "devicelink/install.h"

namespace dotcaster {
namespace {

DeviceLink* installed = nullptr;
std::unique_ptr<FolderDeviceLink> default_link;

// Writes result into the caller's buffer and returns its length, or 0 when there is no
// result or it does not fit with its NUL (the caller could not tell a cut path).
std::int16_t Answer(char* buffer, std::int16_t size, const std::optional<std::string>& result) {
  if (!result || buffer == nullptr || size <= 0) return 0;
  if (result->size() + 1 > static_cast<std::size_t>(size)) return 0;
  PutInLinkBuffer(std::span<char>(buffer, static_cast<std::size_t>(size)), *result);
  return static_cast<std::int16_t>(result->size());
}

std::string InputText(const char* buffer, std::int16_t size) {
  if (buffer == nullptr || size <= 0) return {};
  return LinkBufferText(std::span<const char>(buffer, static_cast<std::size_t>(size)));
}

}  // namespace

DeviceLink& TheDeviceLink() {
  if (installed) return *installed;
  if (!default_link)
    default_link = std::make_unique<FolderDeviceLink>(GetInstallDir().value_or(""));
  return *default_link;
}

DeviceLink* SetDeviceLink(DeviceLink* link) {
  DeviceLink* previous = installed;
  installed = link;
  return previous;
}

void ForgetDefaultDeviceLink() {
  default_link.reset();
}

void PutInLinkBuffer(std::span<char> buffer, std::string_view text) {
  if (buffer.empty()) return;
  const std::size_t n = std::min(text.size(), buffer.size() - 1);
  std::memcpy(buffer.data(), text.data(), n);
  buffer[n] = '\0';
  std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(n) + 1, buffer.end(), ' ');
}

std::string LinkBufferText(std::span<const char> buffer) {
  const auto nul = std::find(buffer.begin(), buffer.end(), '\0');
  std::string text(buffer.begin(), nul);
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  return text;
}

std::int16_t Dov_ConvPathCacheToDovimar(char* buffer, std::int16_t size,
                                        std::string_view cache_path) {
  return Answer(buffer, size, TheDeviceLink().CacheToDevice(cache_path));
}

std::int16_t Dov_ConvPathDovimarToCache(char* buffer, std::int16_t size,
                                        std::string_view device_path) {
  return Answer(buffer, size, TheDeviceLink().DeviceToCache(device_path));
}

std::int16_t Dov_PIMOpenFileDialog(std::string_view file_type, char* buffer, std::int16_t size) {
  const std::string start = InputText(buffer, size);
  return Answer(buffer, size, TheDeviceLink().OpenFileDialog(file_type, start));
}

std::int16_t Dov_PIMSaveFileDialog(std::string_view file_type, char* buffer, std::int16_t size) {
  const std::string start = InputText(buffer, size);
  return Answer(buffer, size, TheDeviceLink().SaveFileDialog(file_type, start));
}

std::int16_t Dov_PutFile(std::string_view device_path, std::string_view local_path,
                         std::int16_t flags) {
  return static_cast<std::int16_t>(TheDeviceLink().PutFile(device_path, local_path, flags));
}

std::int16_t Dov_IsOnPcFile(std::string_view path) {
  return TheDeviceLink().IsOnPcFile(path) ? 1 : 0;
}

std::int16_t Dov_DoDisconnect() {
  return static_cast<std::int16_t>(TheDeviceLink().DoDisconnect());
}

std::int16_t Dov_SetupDisconnection() {
  TheDeviceLink().SetupDisconnection();
  return 0;
}

}  // namespace dotcaster
