#pragma once

// dotcast's command line, parsed into plain values. Parsing never touches a file: whether
// an input exists or a crop lies inside its picture is decided per file, later, so that one
// bad file does not stop a batch.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/mono.h"
#include "state/expected.h"

namespace dotcaster::cli {

enum class Command { kConvert, kShow, kInfo, kHelp, kVersion };

// The conversion method, as the window's method list numbers it.
using Method = convert::Method;

// How the picture is scaled into the output: stretched with its ratio kept (the window
// after a reset), stretched to fill, or one source pixel per dot ("No Stretch").
enum class Fit { kKeepRatio, kStretch, kNone };

// Where the output size comes from.
enum class SizeKind { kPicture, kDevice, kFull, kCustom };

struct OutputSize {
  SizeKind kind = SizeKind::kPicture;
  int width = 0;  // kCustom only
  int height = 0;
  bool operator==(const OutputSize&) const = default;
};

// A crop rectangle in source pixels.
struct CropRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const CropRect&) const = default;
};

struct ConvertSettings {
  OutputSize size{};
  Method method = Method::kDocument;
  int level = 128;
  bool auto_level = false;  // --level auto: the picture's own level instead of `level`
  Fit fit = Fit::kKeepRatio;
  std::optional<CropRect> crop{};
  std::optional<std::uint64_t> seed{};  // none: the generator's fixed start

  // True when the options ask for anything beyond "load it as the window does".
  bool ChangesGeometry() const { return size.kind != SizeKind::kPicture || crop.has_value(); }
  bool operator==(const ConvertSettings&) const = default;
};

// Output formats; the name of the output file chooses one.
enum class OutputFormat { kQdl, kBmp, kPng, kPbm };

struct Options {
  Command command = Command::kHelp;
  // The command whose help was asked for (--help after a command), or kHelp for the
  // general usage.
  Command help_for = Command::kHelp;
  ConvertSettings settings{};
  std::vector<std::string> inputs{};
  std::string output{};                  // -o FILE
  std::string out_dir{};                 // --out-dir DIR
  std::optional<OutputFormat> format{};  // --format, for names dotcast makes itself
  bool force = false;                    // replace existing outputs
  bool invert = false;                   // show: light dots drawn as ink
  bool quiet = false;                    // no per-file lines, no progress bar
  int jobs = 0;                          // 0: one per core
  bool operator==(const Options&) const = default;
};

// Parses argv[1..] in the usual way: "--name value" or "--name=value", grouped short flags
// ("-qf"), a value joined to its short option ("-j4"), options before or after the files,
// and "--" ending the options. The error is a one-line message for a usage error (exit
// code 2), with the nearest known name for a mistyped one.
Expected<Options, std::string> ParseCommandLine(const std::vector<std::string>& args);

// The format an output name asks for: ".bmp", ".png", ".pbm" in any case, else Quadrel.
OutputFormat FormatForName(std::string_view path);
std::string_view FormatExtension(OutputFormat format);

// Help texts: the general usage and that of one command.
std::string UsageText(Command command);
std::string VersionText();

// Text that came from outside (file names above all) made safe to print on a terminal:
// control characters, DEL, C1 controls and bytes that are not UTF-8 are written as \n, \t,
// \r or \xNN; other characters, non-ASCII letters included, stay as they are.
std::string EscapedForTerminal(std::string_view text);

// Exit codes, also listed in the help.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;

}  // namespace dotcaster::cli
