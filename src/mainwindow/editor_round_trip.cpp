#include "mainwindow/editor_round_trip.h"

#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTime>
#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

#include "convert/mono.h"
#include "devicelink/save_pipeline.h"
#include "devicelink/settings.h"
#include "formats/bytes.h"
#include "formats/file_io.h"
#include "mainwindow/main_window.h"
#include "mainwindow/picture_session.h"
#include "mainwindow/window_activation.h"
#include "picture/decoders.h"
#include "state/paths.h"
#include "state/prompter.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first.
#include <shellapi.h>
#include <QWinEventNotifier>
#endif

namespace dotcaster {
namespace fs = std::filesystem;
namespace {

// An edited copy of at most 320 x 240 dots is a few kilobytes even with a large header; a
// longer file is not read at all.
constexpr Limits kEditedCopyLimits{
    .max_file_bytes = 16u << 20, .max_side = 32767, .max_pixels = 40'000'000};

// How far the copy's time stamp is set back once it is written. The file system stamps a
// write with a clock that advances in ticks of several milliseconds (seconds on some
// disks), so an editor saving soon after the copy was made could leave the same stamp
// and its edits would pass for no save at all.
constexpr std::chrono::seconds kCopyStampBackdate{10};

enum class EditorRun { kNotStarted, kEnded, kAbandoned };

// Writes the copy of WorkDspFile and returns its time stamp; nothing when the copy cannot
// be made.
std::optional<fs::file_time_type> MakeEditorCopy(const std::string& work_dsp_file,
                                                 const std::string& copy) {
  auto bytes = ReadFileBytes(work_dsp_file, kDefaultLimits);
  if (!bytes || WriteFileReplacing(copy, *bytes)) return std::nullopt;
  std::error_code ec;
  const fs::path path = ToFsPath(copy);
  const fs::file_time_type written = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  fs::last_write_time(path, written - kCopyStampBackdate, ec);
  const fs::file_time_type stamp = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return stamp;
}

// Lets window events run until `source` emits `ended`. False when the event loop was told
// to end first: the application is quitting.
template <class Source, class Signal>
bool RunEventsUntil(const Source* source, Signal ended) {
  QEventLoop loop;
  bool seen = false;
  QObject::connect(source, ended, &loop, [&] {
    seen = true;
    loop.quit();
  });
  loop.exec();
  return seen;
}

// The window is disabled while the editor runs; afterwards it comes forward again.
class DisabledWhileEditing {
 public:
  explicit DisabledWhileEditing(QWidget& window) : window_(window) { window_.setEnabled(false); }
  ~DisabledWhileEditing() {
    window_.setEnabled(true);
    BringWindowForward(window_);
  }
  DisabledWhileEditing(const DisabledWhileEditing&) = delete;
  DisabledWhileEditing& operator=(const DisabledWhileEditing&) = delete;

 private:
  QWidget& window_;
};

#ifdef _WIN32
// The shell's "Open" of the file: its process handle, a null handle when the file went to
// a program that was running already, INVALID_HANDLE_VALUE when nothing could open it.
HANDLE ShellOpen(const std::wstring& path, HWND owner) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.hwnd = owner;
  info.lpVerb = L"open";
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return INVALID_HANDLE_VALUE;
  return info.hProcess;
}
#endif

// Starts the first editor that can be started on the copy and waits for its process.
EditorRun RunEditor(QWidget& window, const QString& copy) {
  for (const EditorCommand& command : EditorCommands(copy)) {
    QProcess process;
    process.setProgram(command.program);
    process.setArguments(command.arguments);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted()) continue;
    const DisabledWhileEditing disabled(window);
    if (process.state() == QProcess::NotRunning) return EditorRun::kEnded;
    // Should the application quit meanwhile, the process object ends the editor as it goes;
    // the end of the desktop session that makes it quit ends the editor as well.
    return RunEventsUntil(&process, &QProcess::finished) ? EditorRun::kEnded
                                                         : EditorRun::kAbandoned;
  }
#ifdef _WIN32
  const HANDLE process = ShellOpen(copy.toStdWString(), reinterpret_cast<HWND>(window.winId()));
  if (process == INVALID_HANDLE_VALUE) return EditorRun::kNotStarted;
  const DisabledWhileEditing disabled(window);
  if (!process) return EditorRun::kEnded;
  QWinEventNotifier notifier(process);
  const bool ended = RunEventsUntil(&notifier, &QWinEventNotifier::activated);
  CloseHandle(process);
  return ended ? EditorRun::kEnded : EditorRun::kAbandoned;
#else
  return EditorRun::kNotStarted;
#endif
}

// Takes a copy back that the editor has saved.
void TakeBack(QDLmain& window, AppState& state, const std::string& copy, fs::file_time_type stamp) {
  std::error_code ec;
  const fs::file_time_type now = fs::last_write_time(ToFsPath(copy), ec);
  // Deleted, or not saved: nothing to take back.
  if (ec || now == stamp) return;
  auto bytes = ReadFileBytes(copy, kEditedCopyLimits);
  std::optional<DotImage> dots;
  if (bytes) {
    auto edited = EditedCopyDots(*bytes, state.OutWidth, state.OutHeight);
    if (edited) dots = std::move(edited).value();
  }
  if (!dots) return ShowError(kEditedCopyRefusedMessage);
  // The program's own layout, whatever the editor wrote: the save pipeline and the Quadrel
  // converter read rows at offset 62.
  if (WriteFileReplacing(state.WorkDspFile, EncodeBmp(*dots))) {
    return ShowError(kWriteErrorMessage);
  }
  window.ShowResultPicture(DotsToImage(*dots));
  state.Modified = true;
  state.ResultEdited = true;
}

}  // namespace

std::string EditorCopyName(const QTime& time) {
  return "$$" + time.toString(QStringLiteral("HHmmss")).toStdString() + ".bmp";
}

std::vector<EditorCommand> EditorCommands(const QString& copy_path) {
#ifdef _WIN32
  return {{QStringLiteral("mspaint"), {copy_path}}};
#else
  QString editor = qEnvironmentVariable(kBitmapEditorVariable);
  if (editor.isEmpty()) {
    editor = QString::fromStdString(GetSetting(kSettingsSection, kBitmapEditorKey));
  }
  for (const char* known : {"kolourpaint", "pinta", "gimp"}) {
    if (!editor.isEmpty()) break;
    if (!QStandardPaths::findExecutable(known).isEmpty()) editor = known;
  }
  std::vector<EditorCommand> commands;
  if (!editor.isEmpty()) commands.push_back({editor, {copy_path}});
  // The desktop's "Open" of the file.
  commands.push_back({QStringLiteral("xdg-open"), {copy_path}});
  return commands;
#endif
}

Expected<DotImage, Error> EditedCopyDots(std::span<const std::uint8_t> copy, int width,
                                         int height) {
  constexpr std::size_t kWidthAt = 18, kHeightAt = 22, kBitsAt = 28;
  if (copy.size() < kBitsAt + 2) return ErrorCode::kTooShort;
  if (Le16(copy, kWidthAt) != width || Le16(copy, kHeightAt) != height ||
      Le16(copy, kBitsAt) != 1) {
    return ErrorCode::kBadSize;
  }
  auto decoded = picture::DecodeBmp(copy, kEditedCopyLimits);
  if (!decoded) return decoded.error();
  const picture::RgbImage& rgb = decoded->image;
  if (rgb.width != width || rgb.height != height) return ErrorCode::kBadSize;
  DotImage dots(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = rgb.Pixel(x, y);
      if (convert::GrayLevel(p[0] | p[1] << 8 | p[2] << 16) < 128) dots.SetBlack(x, y);
    }
  }
  return dots;
}

void EditResultImage(QDLmain& window, AppState& state) {
  if (!state.ImageLoaded) return;
  const std::string folder = SystemTempDir();
  const std::string copy =
      folder.empty() ? std::string() : JoinPath(folder, EditorCopyName(QTime::currentTime()));
  const std::optional<fs::file_time_type> stamp =
      copy.empty() ? std::nullopt : MakeEditorCopy(state.WorkDspFile, copy);
  const EditorRun run =
      stamp ? RunEditor(window, QString::fromStdString(copy)) : EditorRun::kNotStarted;
  if (run == EditorRun::kNotStarted) ShowError(kCannotRunEditorMessage);
  if (run == EditorRun::kEnded) TakeBack(window, state, copy, *stamp);
  // A copy another program still holds open may resist; it is the system's temporary file.
  if (!copy.empty()) DeleteFileIfExists(copy);
}

}  // namespace dotcaster
