#include "devicelink/link.h"

#include <algorithm>
#include <memory>

#include "devicelink/folder_link.h"
#include "devicelink/install.h"

namespace dotcaster {
namespace {

DeviceLink* installed = nullptr;
std::unique_ptr<FolderDeviceLink> default_link;

// Bytes that are not UTF-8 travel as the code points U+DC80..U+DCFF (never valid on their
// own), so that such a name comes back out of a buffer byte for byte.
constexpr char32_t kByteEscape = 0xDC00;

std::u32string Characters(std::string_view utf8) {
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    bool ok = length > 0 && i + length <= utf8.size();
    for (std::size_t k = 1; ok && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      ok = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    ok = ok && c >= kSmallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    if (!ok) {
      out += kByteEscape + lead;
      ++i;
      continue;
    }
    out += c;
    i += length;
  }
  return out;
}

std::string Utf8(std::u32string_view characters) {
  std::string out;
  for (char32_t c : characters) {
    if (c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF) {
      out += static_cast<char>(c - kByteEscape);
      continue;
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;  // nothing a path can hold
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Writes result into the caller's buffer and returns its length in characters, or 0 when
// there is no result or it does not fit with its NUL (the caller could not tell a cut path).
std::int16_t Answer(LinkChar* buffer, std::int16_t size, const std::optional<std::string>& result) {
  if (!result || buffer == nullptr || size <= 0) return 0;
  const std::size_t length = Characters(*result).size();
  if (length + 1 > static_cast<std::size_t>(size)) return 0;
  PutInLinkBuffer(std::span<LinkChar>(buffer, static_cast<std::size_t>(size)), *result);
  return static_cast<std::int16_t>(length);
}

std::string InputText(const LinkChar* buffer, std::int16_t size) {
  if (buffer == nullptr || size <= 0) return {};
  return LinkBufferText(std::span<const LinkChar>(buffer, static_cast<std::size_t>(size)));
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

void PutInLinkBuffer(std::span<LinkChar> buffer, std::string_view text) {
  if (buffer.empty()) return;
  const std::u32string characters = Characters(text);
  const std::size_t n = std::min(characters.size(), buffer.size() - 1);
  std::copy_n(characters.begin(), n, buffer.begin());
  buffer[n] = U'\0';
  std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(n) + 1, buffer.end(), U' ');
}

std::string LinkBufferText(std::span<const LinkChar> buffer) {
  std::u32string_view text(buffer.data(), buffer.size());
  text = text.substr(0, text.find(U'\0'));
  while (!text.empty() && text.back() == U' ')
    text.remove_suffix(1);
  return Utf8(text);
}

std::string LinkBufferKept(std::span<const LinkChar> buffer, int n) {
  const std::size_t count = std::min(static_cast<std::size_t>(std::max(n, 0)), buffer.size());
  return Utf8(std::u32string_view(buffer.data(), count));
}

std::int16_t Dov_ConvPathCacheToDovimar(LinkChar* buffer, std::int16_t size,
                                        std::string_view cache_path) {
  return Answer(buffer, size, TheDeviceLink().CacheToDevice(cache_path));
}

std::int16_t Dov_ConvPathDovimarToCache(LinkChar* buffer, std::int16_t size,
                                        std::string_view device_path) {
  return Answer(buffer, size, TheDeviceLink().DeviceToCache(device_path));
}

std::int16_t Dov_PIMOpenFileDialog(std::string_view file_type, LinkChar* buffer,
                                   std::int16_t size) {
  const std::string start = InputText(buffer, size);
  return Answer(buffer, size, TheDeviceLink().OpenFileDialog(file_type, start));
}

std::int16_t Dov_PIMSaveFileDialog(std::string_view file_type, LinkChar* buffer,
                                   std::int16_t size) {
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
