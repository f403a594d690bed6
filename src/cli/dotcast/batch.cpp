#include "cli/dotcast/batch.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "cli/dotcast/dots.h"
#include "cli/dotcast/job.h"
#include "formats/file_io.h"
#include "state/paths.h"

namespace dotcaster::cli {
namespace fs = std::filesystem;
namespace {

// More files than this get a progress bar on a terminal.
constexpr std::size_t kProgressFrom = 4;
constexpr int kBarWidth = 30;

struct Task {
  std::string input;
  std::string output;
  OutputFormat format = OutputFormat::kQdl;
  std::optional<std::string> refused;  // decided before any work: the reason
  bool existed = false;                // the output existed when the batch started
};

struct Outcome {
  bool ok = false;
  std::string line;  // the file's line, without the newline
};

std::string SizeText(int w, int h) {
  return std::to_string(w) + " x " + std::to_string(h);
}

// Writes data to path without ever leaving a partial file there: the content goes to a
// sibling file first and is renamed over the target. A target that did not exist before a
// failed write does not exist after it. Whether to replace an existing file was decided
// when the batch was planned.
std::optional<std::string> WriteOutput(const std::string& path, const Bytes& data, bool existed) {
  const auto error = WriteFileReplacing(path, data);
  if (!error) return std::nullopt;
  if (error->system == std::errc::is_a_directory) return std::string("is a folder");
  const fs::path target = ToFsPath(path);
  std::error_code ec;
  if (!existed) fs::remove(target, ec);
  if (error->system == std::errc::no_such_file_or_directory ||
      error->system == std::errc::not_a_directory) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    return "folder " + FromFsPath(folder) + " does not exist";
  }
  return ErrorText(*error);
}

Outcome RunTask(const Task& task, const Options& options) {
  if (task.refused) return {false, task.input + ": " + *task.refused};
  auto converted = ConvertOne(task.input, options.settings);
  if (!converted) return {false, task.input + ": " + converted.error()};
  const DotImage& image = converted->image;
  auto bytes = EncodeDots(image, task.format);
  if (!bytes) return {false, task.input + ": " + ErrorText(bytes.error())};
  if (auto error = WriteOutput(task.output, *bytes, task.existed)) {
    return {false, task.input + ": " + task.output + ": " + *error};
  }
  std::string line =
      task.input + " -> " + task.output + " (" + SizeText(image.width(), image.height());
  if (converted->copied) line += ", dots copied";
  return {true, line + ")"};
}

// The outcome lines in input order as soon as they are known, and the progress bar below
// them. One mutex serialises the two streams, so lines and bar never interleave.
class Reporter {
 public:
  Reporter(const Streams& streams, const Options& options, std::size_t total)
      : streams_(streams),
        quiet_(options.quiet),
        bar_(streams.progress && !options.quiet && total > kProgressFrom),
        outcomes_(total) {}

  void Done(std::size_t index, Outcome outcome) {
    std::lock_guard lock(mutex_);
    outcomes_[index] = std::move(outcome);
    ++done_;
    if (bar_) std::fputs("\r\033[K", streams_.err);
    while (printed_ < outcomes_.size() && outcomes_[printed_]) {
      const Outcome& o = *outcomes_[printed_++];
      if (o.ok) {
        ++converted_;
        if (!quiet_) std::fprintf(streams_.out, "%s\n", EscapedForTerminal(o.line).c_str());
      } else {
        std::fprintf(streams_.err, "dotcast: %s\n", EscapedForTerminal(o.line).c_str());
      }
    }
    std::fflush(streams_.out);
    if (bar_) DrawBar();
    std::fflush(streams_.err);
  }

  // Clears the bar; returns the number of files converted.
  std::size_t Finish() {
    std::lock_guard lock(mutex_);
    if (bar_) std::fputs("\r\033[K", streams_.err);
    std::fflush(streams_.err);
    return converted_;
  }

 private:
  void DrawBar() {
    const std::size_t total = outcomes_.size();
    const int filled = static_cast<int>(done_ * kBarWidth / total);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(streams_.err, "[%s] %zu/%zu", bar.c_str(), done_, total);
  }

  const Streams& streams_;
  const bool quiet_;
  const bool bar_;
  std::mutex mutex_;
  std::vector<std::optional<Outcome>> outcomes_;
  std::size_t printed_ = 0;
  std::size_t done_ = 0;
  std::size_t converted_ = 0;
};

std::vector<Task> PlanTasks(const Options& options) {
  std::vector<Task> tasks;
  // Two inputs that would write the same file: the first wins, the others fail, whatever
  // order the threads would have finished in.
  std::map<fs::path, std::string> claimed;
  for (const std::string& input : options.inputs) {
    Task task;
    task.input = input;
    task.output = OutputPathFor(input, options);
    task.format = FormatForName(task.output);
    const fs::path key = ToFsPath(task.output).lexically_normal();
    if (const auto [it, fresh] = claimed.emplace(key, input); !fresh) {
      task.refused = "same output " + task.output + " as " + it->second;
    } else {
      std::error_code ec;
      task.existed = fs::exists(fs::symlink_status(ToFsPath(task.output), ec));
      if (task.existed && !options.force) {
        task.refused = key == ToFsPath(input).lexically_normal()
                           ? std::string("would replace itself (--force allows it)")
                           : task.output + ": exists already (--force replaces it)";
      }
    }
    tasks.push_back(std::move(task));
  }
  return tasks;
}

}  // namespace

std::string OutputPathFor(const std::string& input, const Options& options) {
  if (!options.output.empty()) return options.output;
  const fs::path in = ToFsPath(input);
  fs::path name = in.filename();
  name.replace_extension(ToFsPath(FormatExtension(options.format.value_or(OutputFormat::kQdl))));
  const fs::path folder = options.out_dir.empty() ? in.parent_path() : ToFsPath(options.out_dir);
  return FromFsPath(folder / name);
}

int RunConvert(const Options& options, const Streams& streams) {
  if (!options.out_dir.empty()) {
    std::error_code ec;
    if (!fs::is_directory(ToFsPath(options.out_dir), ec)) {
      std::fprintf(streams.err, "dotcast: output folder %s does not exist\n",
                   EscapedForTerminal(options.out_dir).c_str());
      return kExitUsage;
    }
  }

  const std::vector<Task> tasks = PlanTasks(options);
  Reporter reporter(streams, options, tasks.size());
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(
      options.jobs > 0 ? static_cast<unsigned>(options.jobs) : cores, tasks.size());

  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < tasks.size();) {
      // An exception must not leave the thread (that would end the process): it fails the
      // file, like any other error. In practice only an allocation can throw here.
      Outcome outcome;
      try {
        outcome = RunTask(tasks[i], options);
      } catch (const std::exception& e) {
        outcome = {false, tasks[i].input + ": " + e.what()};
      }
      reporter.Done(i, std::move(outcome));
    }
  };
  if (workers <= 1) {
    work();
  } else {
    std::vector<std::jthread> pool;
    for (std::size_t t = 0; t < workers; ++t)
      pool.emplace_back(work);
  }

  const std::size_t converted = reporter.Finish();
  const std::size_t failed = tasks.size() - converted;
  if (tasks.size() > 1 && !options.quiet) {
    std::fprintf(streams.out, "%zu converted, %zu failed\n", converted, failed);
  }
  return failed == 0 ? kExitOk : kExitSomeFailed;
}

int RunShow(const Options& options, const Streams& streams) {
  const std::string& path = options.inputs.front();
  const auto converted = ConvertOne(path, options.settings);
  if (!converted) {
    std::fprintf(streams.err, "dotcast: %s: %s\n", EscapedForTerminal(path).c_str(),
                 EscapedForTerminal(converted.error()).c_str());
    return kExitSomeFailed;
  }
  const std::string text = RenderHalfBlocks(converted->image, options.invert);
  std::fwrite(text.data(), 1, text.size(), streams.out);
  return kExitOk;
}

int RunInfo(const Options& options, const Streams& streams) {
  bool all_ok = true;
  bool first = true;
  for (const std::string& path : options.inputs) {
    const FileInfo info = DescribeFile(path);
    all_ok = all_ok && info.ok;
    if (!first) std::fputc('\n', streams.out);
    first = false;
    std::fprintf(streams.out, "%s\n", EscapedForTerminal(path).c_str());
    for (const std::string& line : info.lines)
      std::fprintf(streams.out, "  %s\n", EscapedForTerminal(line).c_str());
  }
  return all_ok ? kExitOk : kExitSomeFailed;
}

}  // namespace dotcaster::cli
