#include "cli/dotcast/batch.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
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
  bool to_stdout = false;              // -o - or a name of standard output
};

struct Outcome {
  bool ok = false;
  std::string line;  // the file's line, without the newline; none for a file on stdout
};

std::string SizeText(int w, int h) {
  return std::to_string(w) + " x " + std::to_string(h);
}

std::string WithReason(std::string text, const Error& error) {
  return error.system ? text + ": " + error.system.message() : text;
}

// Why writing an output failed, in the words of the failing call ("No space left on device",
// "Permission denied").
std::string WriteFailure(const std::string& path, const Error& error) {
  const auto& why = error.system;
  switch (error.code) {
    case ErrorCode::kTargetExists:
      return "exists already (--force replaces it)";
    case ErrorCode::kTargetNotFile:
      return why == std::errc::is_a_directory ? "is a folder" : ErrorText(error);
    case ErrorCode::kOpenTarget:
      if (why == std::errc::no_such_file_or_directory || why == std::errc::not_a_directory) {
        const fs::path target = ToFsPath(path);
        const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
        return "folder " + FromFsPath(folder) + " does not exist";
      }
      return WithReason(KindOfTarget(path) == TargetKind::kFile ? "cannot replace the existing file"
                                                                : "cannot create the output file",
                        error);
    default:
      return WithReason(ErrorText(error), error);
  }
}

std::optional<std::string> WriteToStdout(std::FILE* out, const Bytes& data) {
  errno = 0;
  if (std::fwrite(data.data(), 1, data.size(), out) == data.size() && std::fflush(out) == 0) {
    return std::nullopt;
  }
  return WithReason("cannot write to standard output",
                    Error::FromErrno(ErrorCode::kWriteTarget, errno));
}

// What the jobs of a batch may hold at once. A job takes what its file needs before it
// reads the file and gives it back when done; jobs are let in in the order they ask, and
// one that needs more than the whole budget runs when it is alone.
class MemoryBudget {
 public:
  explicit MemoryBudget(std::uint64_t total) : total_(total) {}

  void Take(std::uint64_t bytes) {
    std::unique_lock lock(mutex_);
    const std::uint64_t ticket = next_ticket_++;
    changed_.wait(lock, [&] {
      return ticket == serving_ && (used_ == 0 || bytes <= total_ - std::min(used_, total_));
    });
    used_ += bytes;
    ++serving_;
    changed_.notify_all();
  }

  void Give(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    used_ -= bytes;
    changed_.notify_all();
  }

 private:
  const std::uint64_t total_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t used_ = 0;
  std::uint64_t next_ticket_ = 0;
  std::uint64_t serving_ = 0;
};

Outcome RunTask(const Task& task, const Options& options, const Streams& streams) {
  if (task.refused) return {false, task.input + ": " + *task.refused};
  auto converted = ConvertOne(task.input, options.settings);
  if (!converted) return {false, task.input + ": " + converted.error()};
  const DotImage& image = converted->image;
  auto bytes = EncodeDots(image, task.format);
  if (!bytes) return {false, task.input + ": " + ErrorText(bytes.error())};
  if (task.to_stdout) {
    if (auto error = WriteToStdout(streams.out, *bytes)) return {false, task.input + ": " + *error};
    return {true, ""};
  }
  // Without --force the output must still be new when it is put in place.
  if (auto error = WriteFileSafely(task.output, *bytes, {.replace = options.force})) {
    return {false, task.input + ": " + task.output + ": " + WriteFailure(task.output, *error)};
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
        if (!quiet_ && !o.line.empty())
          std::fprintf(streams_.out, "%s\n", EscapedForTerminal(o.line).c_str());
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
  // order the threads would have finished in. "The same file" is decided by the file's
  // identity, so two names of one folder (a symbolic link) count as one.
  std::map<std::string, std::string> claimed;
  for (const std::string& input : options.inputs) {
    Task task;
    task.input = input;
    task.output = OutputPathFor(input, options);
    task.to_stdout = task.output == "-" || IsStandardOutput(task.output);
    task.format = task.output == "-" ? options.format.value_or(OutputFormat::kQdl)
                                     : FormatForName(task.output);
    if (task.to_stdout) {
      tasks.push_back(std::move(task));
      continue;
    }
    const std::string key = FileIdentity(task.output);
    const TargetKind kind = KindOfTarget(task.output);
    if (const auto [it, fresh] = claimed.emplace(key, input); !fresh) {
      task.refused = "same output " + task.output + " as " + it->second;
    } else if (kind == TargetKind::kFolder) {
      task.refused = task.output + ": is a folder";
    } else if (kind == TargetKind::kOther) {
      task.refused = task.output + ": " + ErrorText(ErrorCode::kTargetNotFile);
    } else if (kind == TargetKind::kFile && !options.force) {
      task.refused = key == FileIdentity(input)
                         ? std::string("would replace itself (--force allows it)")
                         : task.output + ": exists already (--force replaces it)";
    }
    tasks.push_back(std::move(task));
  }
  return tasks;
}

}  // namespace

std::string OutputPathFor(const std::string& input, const Options& options) {
  if (!options.output.empty()) return options.output;  // "-" included: standard output
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
  MemoryBudget budget(kDefaultLimits.batch_memory_bytes);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers = std::min<std::size_t>(
      options.jobs > 0 ? static_cast<unsigned>(options.jobs) : cores, tasks.size());

  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < tasks.size();) {
      // An exception must not leave the thread (that would end the process): it fails the
      // file, like any other error. In practice only an allocation can throw here.
      Outcome outcome;
      const std::uint64_t need =
          tasks[i].refused ? 0 : MemoryNeeded(tasks[i].input, options.settings, kDefaultLimits);
      budget.Take(need);
      try {
        outcome = RunTask(tasks[i], options, streams);
      } catch (const std::exception& e) {
        outcome = {false, tasks[i].input + ": " + e.what()};
      }
      budget.Give(need);
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
