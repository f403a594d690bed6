#include "devicelink/save_pipeline.h"

#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "devicelink/install.h"
#include "devicelink/link.h"
#include "devicelink/settings.h"
#include "formats/file_io.h"
#include "formats/probe.h"
#include "formats/quadrel.h"
#include "state/paths.h"
#include "state/prompter.h"

namespace dotcaster {
namespace fs = std::filesystem;
namespace {

std::optional<Bytes> ReadResult(const std::string& path) {
  auto bytes = ReadFileBytes(path, kDefaultLimits);
  if (!bytes) return std::nullopt;
  return std::move(bytes).value();
}

// The Quadrel form of the working bitmap, or nothing when it is not a bitmap the converter
// takes (a result that is no bitmap would otherwise be "converted" the other way).
std::optional<Bytes> QuadrelOfResult(const std::string& work_dsp_file) {
  auto bitmap = ReadResult(work_dsp_file);
  if (!bitmap || KindOfContent(*bitmap) != ContentKind::kBitmap) return std::nullopt;
  auto qdl = ConvertQdlBmp(*bitmap);
  if (!qdl) return std::nullopt;
  return std::move(qdl).value();
}

bool RemoveIfPresent(const std::string& path) {
  if (PathExists(path, 0).empty()) return true;
  std::error_code ec;
  return fs::remove(ToFsPath(path), ec) && !ec;
}

}  // namespace

std::string TrimAtNul(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

std::string SystemTempDir() {
  std::error_code ec;
  const fs::path dir = fs::temp_directory_path(ec);
  if (ec || dir.empty()) return {};
  std::string text = FromFsPath(dir);
  if (!IsSeparator(text.back())) text += kSeparator;
  return text;
}

std::string CreateUniqueTempFile(std::string_view folder, std::string_view prefix) {
  // As the system's own temporary names: the prefix and up to four hex digits.
  const unsigned first = QRandomGenerator::global()->bounded(0x10000u);
  for (unsigned i = 0; i < 0x10000u; ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%X", (first + i) & 0xFFFFu);
    const std::string path = JoinPath(folder, std::string(prefix) + number + ".tmp");
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return path;
    std::error_code ec;
    // Only a name that is taken is worth another try; a folder that refuses files is not.
    if (!fs::exists(ToFsPath(path), ec)) return {};
  }
  return {};
}

void DeleteFileIfExists(std::string_view path) {
  if (PathExists(path, kAttrHidden | kAttrSystem).empty()) return;
  std::error_code ec;
  fs::permissions(ToFsPath(path), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove(ToFsPath(path), ec);
}

bool SaveResultFile(AppState& state, std::string_view target_view) {
  if (!state.Modified) return true;
  const std::string target(target_view);

  if (EndsWithNoCase(target, ".BMP")) {
    auto bitmap = ReadResult(state.WorkDspFile);
    if (!bitmap || !ReplaceFileContent(target, *bitmap)) {
      ShowError(kWriteErrorMessage);
      return false;
    }
    state.SrcIsQdl = false;
    state.SrcExt = AsciiUpper(target.substr(target.size() - 4));
    state.SrcIsMono = true;
    state.CurFileName = target;
    state.Modified = false;
    return true;
  }

  std::string temp_file;
  auto fail = [&] {
    if (!temp_file.empty()) DeleteFileIfExists(temp_file);
    ShowError(kWriteErrorMessage);
    return false;
  };

  const bool upload = state.UploadAfterSave;
  if (upload) {
    state.SaveTarget = target;
    state.TempDir = SystemTempDir();
    if (state.TempDir.empty()) return fail();
    temp_file = TrimAtNul(CreateUniqueTempFile(state.TempDir, "Qdl"));
    if (temp_file.empty()) return fail();
    state.TempFile = temp_file;
  }

  const std::optional<Bytes> qdl = QuadrelOfResult(state.WorkDspFile);
  if (!qdl) return fail();

  if (upload) {
    // The cache copy goes only now that the new picture exists; the link puts the new
    // copy in its place.
    if (!ReplaceFileContent(temp_file, *qdl)) return fail();
    if (!RemoveIfPresent(target)) return fail();
    if (Dov_PutFile(state.DevicePath, temp_file, 0) != 0) {
      ThePrompter().Message(kUploadErrorMessage, kAppTitle, MsgIcon::None, MsgButtons::Ok);
      // The device did not take the picture and the old cache copy is gone: the cache copy
      // takes the picture, so that the file the title will name holds it, as after the save
      // prompt's write for a device file (the link keeps a cache copy changed on the PC).
      // Completing the save without it would clear Modified over a picture that exists
      // nowhere but in the work file, and the next close would drop it without a question.
      if (!ReplaceFileContent(target, *qdl)) return fail();
    }
    DeleteFileIfExists(temp_file);
    state.UploadAfterSave = false;
  } else if (!ReplaceFileContent(target, *qdl)) {
    return fail();
  }

  state.SrcIsQdl = true;
  SaveLastFileSetting(kSettingsSection, target, state.FileOnPC);
  state.CurFileName = target;
  state.Modified = false;
  return true;
}

}  // namespace dotcaster
