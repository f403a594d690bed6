#pragma once

// Dotcaster's own link layer, working on folders. An installation is one folder:
//
//   <InstallDir>/userdata/qdl              the user's pictures and Dotcaster's work files
//   <InstallDir>/pcshelf/cache/accessor/   the PC-side copy of the device drive "B:\"
//                                 graphics/  (B:\graphics, where pictures live)
//   <InstallDir>/pcshelf/cache/transfers.ini  what was last copied between the two
//   <InstallDir>/device/                   the storage that stands for the handheld itself
//   <InstallDir>/link.ini                  the link's own settings (the disconnection refusal)
//
// The cache holds copies of device files. Putting a file on the device writes both. Mapping
// a device path to its cache path copies the device's file into the cache only when the
// cache has no copy, or an older one that still holds what was last transferred: a copy
// that was changed on the PC since (the window's save prompt writes only there) is never
// overwritten.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devicelink/link.h"
#include "formats/file_io.h"
#include "state/prompter.h"

namespace dotcaster {

// The drive of every device path.
inline constexpr const char* kDeviceDrive = "B:";

// Title and text of the link's own message when it refuses to disconnect.
inline constexpr const char* kLinkTitle = "Vantro Link";
inline constexpr const char* kRefuseMessage =
    "The Vantro link is set to stay connected and refuses to disconnect now.\r\n"
    "This can be changed with File > Disconnection Setup.";

class FolderDeviceLink : public DeviceLink {
 public:
  // install_dir may be empty: such a link has no cache and no device.
  explicit FolderDeviceLink(std::string install_dir);

  std::optional<std::string> CacheToDevice(std::string_view cache_path) override;
  std::optional<std::string> DeviceToCache(std::string_view device_path) override;
  std::optional<std::string> OpenFileDialog(std::string_view file_type,
                                            std::string_view start) override;
  std::optional<std::string> SaveFileDialog(std::string_view file_type,
                                            std::string_view start) override;
  int PutFile(std::string_view device_path, std::string_view local_path, int flags) override;
  bool IsOnPcFile(std::string_view path) override;
  int DoDisconnect() override;
  void SetupDisconnection() override;

  // Results of PutFile besides 0.
  enum PutError { kBadDevicePath = 1, kMissingSource = 2, kCannotWrite = 3 };

  const std::string& install_dir() const { return install_dir_; }
  std::string CacheRoot() const;    // <InstallDir>/pcshelf/cache/accessor
  std::string StorageRoot() const;  // <InstallDir>/device

  // Storage path of a device path, or nothing for text that is not one (no "B:" drive, an
  // empty, "." or ".." name).
  std::optional<std::string> StoragePath(std::string_view device_path) const;

  // Device paths of the files directly in a device folder, sorted by name; with file_type
  // ("qdl") only those with that extension, in any case.
  std::vector<std::string> List(std::string_view device_folder,
                                std::string_view file_type = {}) const;

  // The folders and files directly in a device folder, sorted by name; nothing when the
  // text is no device folder or the folder is missing.
  std::optional<std::vector<DeviceEntry>> Entries(std::string_view device_folder) const;

  // Copies a device file to a local path: false when it is missing or cannot be written.
  bool GetFile(std::string_view device_path, std::string_view local_path) const;

  // The disconnection refusal setting, kept in link.ini. While it is set, DoDisconnect
  // says so in a message titled kLinkTitle and refuses.
  bool RefusesDisconnection() const;
  void SetRefusesDisconnection(bool refuse);

 private:
  std::optional<std::string> Dialog(bool save, std::string_view file_type, std::string_view start);
  void RefreshCacheCopy(const std::vector<std::string>& names);
  // The fingerprint of the last transfer of a device file, kept in transfers.ini; an empty
  // content pointer forgets it.
  std::string TransferRecord(const std::string& device_path) const;
  void RecordTransfer(const std::string& device_path, const Bytes* content);

  std::string install_dir_;
};

// Splits a device path into its names after the drive ("B:\graphics\cat.qdl" gives
// {"graphics", "cat.qdl"}); nothing when it does not start with the drive. "\" and "/" both
// separate; empty names from doubled separators are skipped.
std::optional<std::vector<std::string>> DevicePathNames(std::string_view device_path);

// Creates the folder tree of an installation (existing folders and files are kept).
// Returns an error text, or nothing on success.
std::optional<std::string> CreateInstallationTree(std::string_view install_dir);

}  // namespace dotcaster
