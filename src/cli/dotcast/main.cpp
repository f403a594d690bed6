// dotcast: Dotcaster's converter for the command line. Links no Qt, so it starts in a
// few milliseconds.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// shellapi.h needs windows.h first
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "cli/dotcast/batch.h"
#include "cli/dotcast/options.h"
#include "formats/file_io.h"
#include "state/paths.h"

namespace {

// The arguments after the program's name, in UTF-8 like every name inside dotcast. On
// Windows argv holds them in the ANSI code page, which cannot spell every file name, so
// they are taken from the wide command line instead.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
      args.push_back(dotcaster::FromFsPath(std::filesystem::path(wide[i])));
    LocalFree(wide);
    return args;
  }
#endif
  return {argv + 1, argv + argc};
}

int Run(int argc, char** argv) {
  using namespace dotcaster::cli;
  const std::vector<std::string> args = Arguments(argc, argv);
  const auto parsed = ParseCommandLine(args);
  if (!parsed) {
    std::fprintf(stderr, "dotcast: %s\n%s", EscapedForTerminal(parsed.error()).c_str(),
                 "Run 'dotcast --help' for the usage.\n");
    return kExitUsage;
  }
  const Options& options = *parsed;
  Streams streams;
  streams.progress = isatty(fileno(stderr)) != 0;
  switch (options.command) {
    case Command::kHelp:
      std::fputs(UsageText(options.help_for).c_str(), stdout);
      return kExitOk;
    case Command::kVersion:
      std::fputs(VersionText().c_str(), stdout);
      return kExitOk;
    case Command::kConvert:
      return RunConvert(options, streams);
    case Command::kShow:
      return RunShow(options, streams);
    case Command::kInfo:
      return RunInfo(options, streams);
  }
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  dotcaster::ReportFileSizeLimitAsError();
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // "-o -" writes a picture there
#endif
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "dotcast: %s\n", e.what());
    return dotcaster::cli::kExitSomeFailed;
  }
}
