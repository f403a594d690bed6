// vantro-link: installs Dotcaster's folder-backed link layer and moves files to and from the
// device storage it stands for. Exit status: 0 done, 1 failed (with a message on standard
// error), 2 wrong usage.

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "devicelink/folder_link.h"
#include "devicelink/install.h"
#include "state/paths.h"

namespace {
using namespace dotcaster;

constexpr const char* kUsage =
    "usage: vantro-link install [DIR]          create the link layer (default: the user's\n"
    "                                           data folder/Dovimar-e) and record it\n"
    "       vantro-link status                 show the installation\n"
    "       vantro-link ls [DEVICE-FOLDER]     list device files (default B:\\graphics\\)\n"
    "       vantro-link put FILE [DEVICE-PATH] send a file (default B:\\graphics\\<name>)\n"
    "       vantro-link get DEVICE-PATH [FILE] fetch a device file (default: its name here)\n"
    "DOTCASTER_CONFIG_DIR, when set, is the folder of the settings files.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "vantro-link: %s\n", message.c_str());
  return 1;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(ToFsPath(path), ec);
  return ec ? path : FromFsPath(absolute.lexically_normal());
}

std::optional<FolderDeviceLink> Installed() {
  auto dir = GetInstallDir();
  if (!dir || dir->empty()) return std::nullopt;
  return FolderDeviceLink(*dir);
}

const char* Presence(const std::string& folder) {
  return PathExists(folder, kAttrFolder).empty() ? "missing" : "present";
}

int Install(const std::vector<std::string>& args) {
  if (args.size() > 1) return Usage();
  std::string dir = args.empty() ? std::string() : args[0];
  if (dir.empty()) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty()) return Fail("the user's data folder is unknown; name a folder");
    dir = JoinPath(QDir::toNativeSeparators(data).toStdString(), "Dovimar-e");
  }
  dir = Absolute(dir);
  while (dir.size() > 1 && IsSeparator(dir.back()))
    dir.pop_back();
  if (auto error = CreateInstallationTree(dir)) return Fail(*error);
  RecordInstallDir(dir);
  if (GetInstallDir() != dir) return Fail("cannot record the installation in the settings");
  std::printf("Installed the Vantro link layer in %s\n", dir.c_str());
  return 0;
}

int Status() {
  auto link = Installed();
  if (!link) return Fail("no link layer installed (run: vantro-link install)");
  const std::string& dir = link->install_dir();
  std::printf("InstallDir: %s\n", dir.c_str());
  std::printf("user data:  %s (%s)\n", DefaultUserDataDir(dir).c_str(),
              Presence(DefaultUserDataDir(dir)));
  std::printf("cache:      %s (%s)\n", DefaultCacheDir(dir).c_str(),
              Presence(DefaultCacheDir(dir)));
  std::printf("device:     %s (%s)\n", link->StorageRoot().c_str(), Presence(link->StorageRoot()));
  std::printf("pictures:   %zu in B:\\graphics\\\n", link->List("B:\\graphics\\", "qdl").size());
  std::printf("disconnect: %s\n", link->RefusesDisconnection() ? "refused" : "allowed");
  return 0;
}

int List(const std::vector<std::string>& args) {
  if (args.size() > 1) return Usage();
  auto link = Installed();
  if (!link) return Fail("no link layer installed (run: vantro-link install)");
  const std::string folder = args.empty() ? "B:\\graphics\\" : args[0];
  if (!link->StoragePath(folder)) return Fail("not a device folder: " + folder);
  for (const std::string& path : link->List(folder))
    std::printf("%s\n", path.c_str());
  return 0;
}

int Put(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) return Usage();
  auto link = Installed();
  if (!link) return Fail("no link layer installed (run: vantro-link install)");
  const std::string device = args.size() == 2 ? args[1] : "B:\\graphics\\" + FileNamePart(args[0]);
  switch (link->PutFile(device, args[0], 0)) {
    case 0:
      std::printf("%s\n", device.c_str());
      return 0;
    case FolderDeviceLink::kMissingSource:
      return Fail("cannot read " + args[0]);
    case FolderDeviceLink::kBadDevicePath:
      return Fail("not a device file path, or one leading outside the device's storage: " + device);
    default:
      return Fail("cannot write " + device + " to the device");
  }
}

int Get(const std::vector<std::string>& args) {
  if (args.empty() || args.size() > 2) return Usage();
  auto link = Installed();
  if (!link) return Fail("no link layer installed (run: vantro-link install)");
  auto names = DevicePathNames(args[0]);
  if (!names || names->empty()) return Fail("not a device file path: " + args[0]);
  const auto storage = link->StoragePath(args[0]);
  if (!storage) return Fail(args[0] + " leads outside the device's storage");
  std::error_code ec;
  if (!std::filesystem::exists(ToFsPath(*storage), ec))
    return Fail(args[0] + " is missing on the device");
  if (!std::filesystem::is_regular_file(ToFsPath(*storage), ec))
    return Fail(args[0] + " is not a file on the device");
  const std::string local = args.size() == 2 ? args[1] : names->back();
  if (!link->GetFile(args[0], local)) return Fail("cannot copy " + args[0] + " to " + local);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "install") return Install(args);
  if (command == "status" && args.empty()) return Status();
  if (command == "ls") return List(args);
  if (command == "put") return Put(args);
  if (command == "get") return Get(args);
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return Usage();
}
