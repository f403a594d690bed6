#pragma once

// The device link: what Dotcaster needs from the Vantro's PC link software. The calls keep
// the link libraries' names and their buffer contract (a caller-owned path buffer of 200
// characters, results read as 16-bit numbers, the caller keeping the first N characters);
// behind them sits one DeviceLink object. By default that is the folder-backed link of
// devicelink/folder_link.h on the installation found by GetInstallDir; tests and a future
// adapter for the vendor's own libraries install another with SetDeviceLink.
//
// Device paths are written as on the handheld: the drive "B:" and "\"-separated names, such
// as B:\graphics\cat.qdl, whatever the PC's own separator is.
//
// A path buffer holds characters, not bytes: one LinkChar is one Unicode code point, so a
// 200-character buffer takes a path of 199 letters in any script. Texts outside the
// buffers are UTF-8; bytes of a path that are not UTF-8 (a name written under another
// encoding) cross the buffer as the code points U+DC80..U+DCFF and come back unchanged.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace dotcaster {

// Size, in characters, of the path buffer every caller hands to the link calls.
inline constexpr int kLinkBufferSize = 200;
using LinkChar = char32_t;
using LinkBuffer = std::array<LinkChar, kLinkBufferSize>;

class DeviceLink {
 public:
  virtual ~DeviceLink() = default;

  // Device path of a cache folder or file (no trailing "\" for a folder; the cache root is
  // "B:"), or nothing when the path lies outside the device cache.
  virtual std::optional<std::string> CacheToDevice(std::string_view cache_path) = 0;
  // Cache path of a device path; nothing when the text is not a device path. The device's
  // file is copied into the cache first when the cache has no copy or an older one, but
  // never over a copy that was changed on the PC since it was last transferred.
  virtual std::optional<std::string> DeviceToCache(std::string_view device_path) = 0;
  // The device's file dialogs: the chosen device path, or nothing for Cancel. start is the
  // device folder ending in "\" (save: followed by the proposed name without extension).
  virtual std::optional<std::string> OpenFileDialog(std::string_view file_type,
                                                    std::string_view start) = 0;
  virtual std::optional<std::string> SaveFileDialog(std::string_view file_type,
                                                    std::string_view start) = 0;
  // Copies a local file to the device: 0 on success, nonzero when it cannot.
  virtual int PutFile(std::string_view device_path, std::string_view local_path, int flags) = 0;
  // False for a path inside the device cache, true for an ordinary PC file.
  virtual bool IsOnPcFile(std::string_view path) = 0;
  // 0: the application may close; nonzero: closing is refused.
  virtual int DoDisconnect() = 0;
  // Shows the link's own disconnection settings.
  virtual void SetupDisconnection() = 0;
};

// The link in force. Never fails: without an installed one, the folder link on the
// installation of GetInstallDir is made on first use (with no installation it maps
// nothing, lists nothing and refuses every copy).
DeviceLink& TheDeviceLink();

// Installs link (not owned; nullptr goes back to the default). Returns the previous
// installed link (nullptr for the default) so a scope can put it back.
DeviceLink* SetDeviceLink(DeviceLink* link);

// Drops the default link so that the next TheDeviceLink() looks up the installation again.
void ForgetDefaultDeviceLink();

// Buffer helpers. PutInLinkBuffer writes UTF-8 text, a NUL and blanks up to the buffer's end
// (text longer than the buffer leaves room for the NUL and is cut). LinkBufferText is the
// input path a buffer carries: the text before its first NUL, without trailing blanks.
// LinkBufferKept is what a caller keeps after a call: the first n characters.
void PutInLinkBuffer(std::span<LinkChar> buffer, std::string_view text);
std::string LinkBufferText(std::span<const LinkChar> buffer);
std::string LinkBufferKept(std::span<const LinkChar> buffer, int n);

// The link calls. size counts characters. A result that does not fit the buffer (with its
// NUL) counts as "none" (0).
std::int16_t Dov_ConvPathCacheToDovimar(LinkChar* buffer, std::int16_t size,
                                        std::string_view cache_path);
std::int16_t Dov_ConvPathDovimarToCache(LinkChar* buffer, std::int16_t size,
                                        std::string_view device_path);
std::int16_t Dov_PIMOpenFileDialog(std::string_view file_type, LinkChar* buffer, std::int16_t size);
std::int16_t Dov_PIMSaveFileDialog(std::string_view file_type, LinkChar* buffer, std::int16_t size);
std::int16_t Dov_PutFile(std::string_view device_path, std::string_view local_path,
                         std::int16_t flags);
std::int16_t Dov_IsOnPcFile(std::string_view path);
std::int16_t Dov_DoDisconnect();
std::int16_t Dov_SetupDisconnection();

}  // namespace dotcaster
