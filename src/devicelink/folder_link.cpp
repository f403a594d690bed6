#include "devicelink/folder_link.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "devicelink/install.h"
#include "devicelink/save_pipeline.h"
#include "formats/file_io.h"
#include "state/paths.h"
#include "state/prompter.h"

namespace dotcaster {
namespace fs = std::filesystem;
namespace {

fs::path Canonical(std::string_view path) {
  std::error_code ec;
  fs::path p = fs::absolute(ToFsPath(path), ec);
  if (ec) p = ToFsPath(path);
  fs::path c = fs::weakly_canonical(p, ec);
  return ec ? p.lexically_normal() : c;
}

// The names of a path from its root; the drive or server (Windows) comes first, so that the
// same folders on another drive or share never count as the same place.
std::vector<std::string> Names(const fs::path& path) {
  std::vector<std::string> names;
  if (path.has_root_name())
    names.push_back(FromFsPath(fs::path(path.root_name()).make_preferred()));
  for (const auto& part : path.relative_path()) {
    std::string name = FromFsPath(part);
    if (!name.empty() && name != ".") names.push_back(std::move(name));
  }
  return names;
}

bool SameName(const std::string& a, const std::string& b) {
#ifdef _WIN32
  return AsciiUpper(a) == AsciiUpper(b);
#else
  return a == b;
#endif
}

std::string DevicePathOf(const std::vector<std::string>& names) {
  std::string out = kDeviceDrive;
  for (const auto& n : names)
    out += "\\" + n;
  return out;
}

bool ValidNames(const std::vector<std::string>& names) {
  return std::none_of(names.begin(), names.end(),
                      [](const std::string& n) { return n == "." || n == ".."; });
}

std::string Under(const std::string& root, const std::vector<std::string>& names) {
  fs::path p = ToFsPath(root);
  for (const auto& n : names)
    p /= ToFsPath(n);
  return FromFsPath(p.make_preferred());
}

// Device files are pictures: one beyond the limits is refused rather than read.
std::optional<Bytes> ReadSmallFile(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(ToFsPath(path), ec)) return std::nullopt;
  auto bytes = ReadFileBytes(path, kDefaultLimits);
  if (!bytes) return std::nullopt;
  return std::move(bytes).value();
}

bool WriteWithFolders(const std::string& path, std::span<const std::uint8_t> data) {
  std::error_code ec;
  fs::create_directories(ToFsPath(path).parent_path(), ec);
  return ReplaceFileContent(path, data);
}

// Size and FNV-1a hash of a file's content: enough to tell whether a cache copy still holds
// what was transferred (nobody forges cache copies to fool the link).
std::string Fingerprint(std::span<const std::uint8_t> content) {
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (std::uint8_t b : content)
    hash = (hash ^ b) * 0x100000001b3u;
  char text[48];
  std::snprintf(text, sizeof text, "%zu:%016llx", content.size(),
                static_cast<unsigned long long>(hash));
  return text;
}

// Names of a path below root, or nothing when it is not root or below it.
std::optional<std::vector<std::string>> NamesBelow(const std::string& root, std::string_view path) {
  const std::vector<std::string> base = Names(Canonical(root));
  const std::vector<std::string> full = Names(Canonical(path));
  if (full.size() < base.size()) return std::nullopt;
  for (std::size_t i = 0; i < base.size(); ++i)
    if (!SameName(base[i], full[i])) return std::nullopt;
  return std::vector<std::string>(full.begin() + static_cast<std::ptrdiff_t>(base.size()),
                                  full.end());
}

// The path of names below root, or nothing when it leads out of root: every symbolic link
// on the way that exists is followed, and the result must still lie below the root's own
// resolved path. Names are plain (no "." or "..") by the time they get here.
std::optional<std::string> ResolvedBelow(const std::string& root,
                                         const std::vector<std::string>& names) {
  const std::string path = Under(root, names);
  if (!NamesBelow(root, path)) return std::nullopt;
  return path;
}

}  // namespace

std::optional<std::vector<std::string>> DevicePathNames(std::string_view device_path) {
  if (device_path.size() < 2 || AsciiUpper(device_path.substr(0, 2)) != kDeviceDrive)
    return std::nullopt;
  std::vector<std::string> names;
  std::string current;
  for (char c : device_path.substr(2)) {
    if (c == '\\' || c == '/') {
      if (!current.empty()) names.push_back(std::move(current));
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) names.push_back(std::move(current));
  return names;
}

FolderDeviceLink::FolderDeviceLink(std::string install_dir)
    : install_dir_(std::move(install_dir)) {}

std::string FolderDeviceLink::CacheRoot() const {
  return Under(install_dir_, {"pcshelf", "cache", "accessor"});
}

std::string FolderDeviceLink::StorageRoot() const {
  return Under(install_dir_, {"device"});
}

std::optional<std::string> FolderDeviceLink::StoragePath(std::string_view device_path) const {
  if (install_dir_.empty()) return std::nullopt;
  auto names = DevicePathNames(device_path);
  if (!names || !ValidNames(*names)) return std::nullopt;
  return ResolvedBelow(StorageRoot(), *names);
}

std::optional<std::string> FolderDeviceLink::CacheToDevice(std::string_view cache_path) {
  if (install_dir_.empty() || cache_path.empty()) return std::nullopt;
  auto names = NamesBelow(CacheRoot(), cache_path);
  if (!names) return std::nullopt;
  return DevicePathOf(*names);
}

std::optional<std::string> FolderDeviceLink::DeviceToCache(std::string_view device_path) {
  if (install_dir_.empty()) return std::nullopt;
  auto names = DevicePathNames(device_path);
  if (!names || !ValidNames(*names)) return std::nullopt;
  if (!names->empty()) RefreshCacheCopy(*names);
  return ResolvedBelow(CacheRoot(), *names);
}

void FolderDeviceLink::RefreshCacheCopy(const std::vector<std::string>& names) {
  const auto device_in = ResolvedBelow(StorageRoot(), names);
  const auto cache_in = ResolvedBelow(CacheRoot(), names);
  if (!device_in || !cache_in) return;
  const std::string& device_file = *device_in;
  const std::string& cache_file = *cache_in;
  const std::string device_path = DevicePathOf(names);
  std::optional<Bytes> device = ReadSmallFile(device_file);
  if (!device) return;
  std::error_code ec;
  if (fs::exists(ToFsPath(cache_file), ec) || ec) {
    std::error_code cache_ec, device_ec;
    const auto cache_time = fs::last_write_time(ToFsPath(cache_file), cache_ec);
    const auto device_time = fs::last_write_time(ToFsPath(device_file), device_ec);
    if (cache_ec || device_ec || cache_time >= device_time) return;
    const std::string record = TransferRecord(device_path);
    if (!record.empty()) {
      const std::optional<Bytes> cached = ReadSmallFile(cache_file);
      if (!cached || Fingerprint(*cached) != record) return;
    }
  }
  if (WriteWithFolders(cache_file, *device)) RecordTransfer(device_path, &*device);
}

std::optional<std::string> FolderDeviceLink::OpenFileDialog(std::string_view file_type,
                                                            std::string_view start) {
  return Dialog(false, file_type, start);
}

std::optional<std::string> FolderDeviceLink::SaveFileDialog(std::string_view file_type,
                                                            std::string_view start) {
  return Dialog(true, file_type, start);
}

std::optional<std::string> FolderDeviceLink::Dialog(bool save, std::string_view file_type,
                                                    std::string_view start) {
  // The start text is a device folder ending in "\" and, for a save, a proposed name. A
  // caller whose folder had no device counterpart passes only "\" and the name.
  std::string text(start);
  if (!DevicePathNames(text))
    text = std::string(kDeviceDrive) + (text.starts_with('\\') ? "" : "\\") + text;
  std::vector<std::string> names = DevicePathNames(text).value_or(std::vector<std::string>{});
  std::string proposed;
  const bool ends_in_folder = text.ends_with('\\') || text.ends_with('/');
  if (!ends_in_folder && !names.empty()) {
    proposed = names.back();
    names.pop_back();
  }
  if (!ValidNames(names)) names.clear();
  const std::string folder = DevicePathOf(names) + "\\";

  DeviceFileDialogRequest request;
  request.save = save;
  request.fileType = std::string(file_type);
  request.startFolder = folder;
  request.proposedName = save ? proposed : std::string();
  request.list = [this](const std::string& device_folder) { return Entries(device_folder); };
  std::optional<std::string> chosen = ThePrompter().DeviceFileName(request);
  if (!chosen || chosen->empty()) return std::nullopt;

  std::string path = *chosen;
  if (!DevicePathNames(path)) {
    if (path.find_first_of("\\/") != std::string::npos) return std::nullopt;
    path = folder + path;
  }
  auto chosen_names = DevicePathNames(path);
  if (!chosen_names || chosen_names->empty() || !ValidNames(*chosen_names)) return std::nullopt;
  if (save && !file_type.empty() && chosen_names->back().find('.') == std::string::npos) {
    chosen_names->back() += '.';
    chosen_names->back() += file_type;
  }
  return DevicePathOf(*chosen_names);
}

std::optional<std::vector<DeviceEntry>> FolderDeviceLink::Entries(
    std::string_view device_folder) const {
  auto names = DevicePathNames(device_folder);
  if (install_dir_.empty() || !names || !ValidNames(*names)) return std::nullopt;
  const auto inside = ResolvedBelow(StorageRoot(), *names);
  if (!inside) return std::nullopt;
  const fs::path folder = ToFsPath(*inside);
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return std::nullopt;
  std::vector<DeviceEntry> out;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::error_code entry_ec;
    DeviceEntry entry;
    entry.name = FromFsPath(it->path().filename());
    entry.folder = it->is_directory(entry_ec);
    if (!entry.folder && !it->is_regular_file(entry_ec)) continue;
    if (!entry.folder) entry.size = it->file_size(entry_ec);
    const auto time = it->last_write_time(entry_ec);
    if (!entry_ec) {
      entry.modified = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::file_clock::to_sys(time).time_since_epoch())
                           .count();
    }
    out.push_back(std::move(entry));
  }
  std::sort(out.begin(), out.end(),
            [](const DeviceEntry& a, const DeviceEntry& b) { return a.name < b.name; });
  return out;
}

std::vector<std::string> FolderDeviceLink::List(std::string_view device_folder,
                                                std::string_view file_type) const {
  std::vector<std::string> out;
  const auto entries = Entries(device_folder);
  if (!entries) return out;
  const std::string prefix = DevicePathOf(*DevicePathNames(device_folder)) + "\\";
  std::string extension = ".";
  extension += file_type;
  for (const DeviceEntry& entry : *entries) {
    if (entry.folder || (!file_type.empty() && !EndsWithNoCase(entry.name, extension))) continue;
    out.push_back(prefix + entry.name);
  }
  return out;
}

int FolderDeviceLink::PutFile(std::string_view device_path, std::string_view local_path, int) {
  auto names = DevicePathNames(device_path);
  auto storage = StoragePath(device_path);
  if (!storage || !names || names->empty()) return kBadDevicePath;
  auto bytes = ReadSmallFile(std::string(local_path));
  if (!bytes) return kMissingSource;
  if (!WriteWithFolders(*storage, *bytes)) return kCannotWrite;
  // The device has the file now. A cache that cannot take its copy is refreshed on the
  // next mapping of the device path (with no record, an older copy gives way).
  const auto cache_file = ResolvedBelow(CacheRoot(), *names);
  const bool cached = cache_file && WriteWithFolders(*cache_file, *bytes);
  RecordTransfer(DevicePathOf(*names), cached ? &*bytes : nullptr);
  return 0;
}

bool FolderDeviceLink::GetFile(std::string_view device_path, std::string_view local_path) const {
  auto storage = StoragePath(device_path);
  if (!storage) return false;
  auto bytes = ReadSmallFile(*storage);
  return bytes && ReplaceFileContent(local_path, *bytes);
}

bool FolderDeviceLink::IsOnPcFile(std::string_view path) {
  if (install_dir_.empty() || path.empty()) return true;
  return !NamesBelow(CacheRoot(), path).has_value();
}

namespace {
QString LinkSettingsFile(const std::string& install_dir) {
  return QString::fromStdString(Under(install_dir, {"link.ini"}));
}
constexpr const char* kRefuseKey = "RefuseDisconnection";

QString TransfersFile(const std::string& install_dir) {
  return QString::fromStdString(Under(install_dir, {"pcshelf", "cache", "transfers.ini"}));
}
// Device paths become keys in hexadecimal: no settings-file quoting, case folding or "\"
// as a group separator can touch them.
QString TransferKey(const std::string& device_path) {
  return QStringLiteral("Transferred/") +
         QString::fromLatin1(QByteArray::fromStdString(device_path).toHex());
}
}  // namespace

std::string FolderDeviceLink::TransferRecord(const std::string& device_path) const {
  QSettings settings(TransfersFile(install_dir_), QSettings::IniFormat);
  return settings.value(TransferKey(device_path)).toString().toStdString();
}

void FolderDeviceLink::RecordTransfer(const std::string& device_path, const Bytes* content) {
  QSettings settings(TransfersFile(install_dir_), QSettings::IniFormat);
  if (content) {
    settings.setValue(TransferKey(device_path), QString::fromStdString(Fingerprint(*content)));
  } else {
    settings.remove(TransferKey(device_path));
  }
  settings.sync();
}

bool FolderDeviceLink::RefusesDisconnection() const {
  if (install_dir_.empty()) return false;
  QSettings settings(LinkSettingsFile(install_dir_), QSettings::IniFormat);
  return settings.value(kRefuseKey, false).toBool();
}

void FolderDeviceLink::SetRefusesDisconnection(bool refuse) {
  if (install_dir_.empty()) return;
  QSettings settings(LinkSettingsFile(install_dir_), QSettings::IniFormat);
  settings.setValue(kRefuseKey, refuse);
  settings.sync();
}

int FolderDeviceLink::DoDisconnect() {
  if (!RefusesDisconnection()) return 0;
  ThePrompter().Message(kRefuseMessage, kLinkTitle, MsgIcon::Exclamation, MsgButtons::Ok);
  return 1;
}

void FolderDeviceLink::SetupDisconnection() {
  if (auto refuse = ThePrompter().DisconnectionSetup(RefusesDisconnection()))
    SetRefusesDisconnection(*refuse);
}

std::optional<std::string> CreateInstallationTree(std::string_view install_dir) {
  if (install_dir.empty()) return "no installation folder given";
  const std::string root(install_dir);
  for (const auto& folder :
       {Under(root, {"userdata", "qdl"}), Under(root, {"pcshelf", "cache", "accessor", "graphics"}),
        Under(root, {"device", "graphics"})}) {
    std::error_code ec;
    fs::create_directories(ToFsPath(folder), ec);
    if (ec || !fs::is_directory(ToFsPath(folder), ec))
      return "cannot create " + folder + (ec ? ": " + ec.message() : std::string());
  }
  return std::nullopt;
}

}  // namespace dotcaster
