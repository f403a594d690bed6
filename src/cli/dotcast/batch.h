#pragma once

// The dotcast commands over their files: convert (many files on all cores, a line per
// file in input order, a progress bar on a terminal, a summary), show and info.

#include <cstdio>
#include <string>

#include "cli/dotcast/options.h"

namespace dotcaster::cli {

// Where the output of one input goes: -o, else --out-dir or the input's own folder, with
// the input's base name and the extension of --format (Quadrel by default).
std::string OutputPathFor(const std::string& input, const Options& options);

// Where messages go; the progress bar only when progress is set (a terminal).
struct Streams {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool progress = false;
};

// Each returns the process exit code (kExitOk, kExitSomeFailed).
int RunConvert(const Options& options, const Streams& streams);
int RunShow(const Options& options, const Streams& streams);
int RunInfo(const Options& options, const Streams& streams);

}  // namespace dotcaster::cli
