#include "cli/dotcast/options.h"

#include <charconv>
#include <limits>

#include "state/app_state.h"
#include "state/paths.h"

namespace dotcaster::cli {
namespace {

using Result = Expected<Options, std::string>;

// A whole decimal number in [lo, hi], nothing else around it.
std::optional<long long> ParseNumber(std::string_view text, long long lo, long long hi) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < lo || value > hi) {
    return std::nullopt;
  }
  return value;
}

// Splits "a<sep>b<sep>c" into its parts (empty parts kept, so "1,,2" is caught later).
std::vector<std::string_view> Split(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

std::optional<OutputSize> ParseSize(std::string_view text) {
  if (text == "device") return OutputSize{SizeKind::kDevice, kDeviceWidth, kDeviceHeight};
  if (text == "full") return OutputSize{SizeKind::kFull, kMaxOutWidth, kMaxOutHeight};
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return std::nullopt;
  const auto w = ParseNumber(text.substr(0, x), 1, kMaxOutWidth);
  const auto h = ParseNumber(text.substr(x + 1), 1, kMaxOutHeight);
  if (!w || !h) return std::nullopt;
  return OutputSize{SizeKind::kCustom, static_cast<int>(*w), static_cast<int>(*h)};
}

std::optional<CropRect> ParseCrop(std::string_view text) {
  const auto parts = Split(text, ',');
  if (parts.size() != 4) return std::nullopt;
  constexpr long long kMax = std::numeric_limits<std::int16_t>::max();
  const auto x = ParseNumber(parts[0], 0, kMax);
  const auto y = ParseNumber(parts[1], 0, kMax);
  const auto w = ParseNumber(parts[2], 1, kMax);
  const auto h = ParseNumber(parts[3], 1, kMax);
  if (!x || !y || !w || !h) return std::nullopt;
  return CropRect{static_cast<int>(*x), static_cast<int>(*y), static_cast<int>(*w),
                  static_cast<int>(*h)};
}

std::optional<Command> CommandNamed(std::string_view name) {
  if (name == "convert") return Command::kConvert;
  if (name == "show") return Command::kShow;
  if (name == "info") return Command::kInfo;
  return std::nullopt;
}

std::string Quote(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '\'';
  quoted += text;
  quoted += '\'';
  return quoted;
}

}  // namespace

OutputFormat FormatForName(std::string_view path) {
  if (EndsWithNoCase(path, ".bmp")) return OutputFormat::kBmp;
  if (EndsWithNoCase(path, ".png")) return OutputFormat::kPng;
  if (EndsWithNoCase(path, ".pbm")) return OutputFormat::kPbm;
  return OutputFormat::kQdl;
}

std::string_view FormatExtension(OutputFormat format) {
  switch (format) {
    case OutputFormat::kBmp:
      return ".bmp";
    case OutputFormat::kPng:
      return ".png";
    case OutputFormat::kPbm:
      return ".pbm";
    case OutputFormat::kQdl:
      break;
  }
  return ".qdl";
}

Result ParseCommandLine(const std::vector<std::string>& args) {
  Options opt;
  if (args.empty()) return std::string("no command given");

  std::size_t i = 0;
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    opt.command = Command::kHelp;
    if (first == "help" && args.size() > 1) {
      if (const auto c = CommandNamed(args[1])) opt.help_for = *c;
    }
    return opt;
  }
  if (first == "--version") {
    opt.command = Command::kVersion;
    return opt;
  }
  const auto command = CommandNamed(first);
  if (!command) return "unknown command " + Quote(first);
  opt.command = *command;
  ++i;

  const bool converts = opt.command != Command::kInfo;
  bool options_done = false;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_done || arg.empty() || arg[0] != '-' || arg == "-") {
      opt.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      opt.help_for = opt.command;
      opt.command = Command::kHelp;
      return opt;
    }

    // "--name=value" or "--name value".
    std::string name = arg;
    std::optional<std::string> inline_value;
    if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
      name = arg.substr(0, eq);
      inline_value = arg.substr(eq + 1);
    } else if ((arg.starts_with("-j") || arg.starts_with("-o")) && arg.size() > 2) {
      name = arg.substr(0, 2);  // "-j4", "-oout.qdl"
      inline_value = arg.substr(2);
    }
    auto value = [&]() -> std::optional<std::string> {
      if (inline_value) return inline_value;
      if (i + 1 < args.size()) return args[++i];
      return std::nullopt;
    };
    auto flag = [&](bool& target) -> std::optional<std::string> {
      if (inline_value) return name + " takes no value";
      target = true;
      return std::nullopt;
    };
    auto needs = [&](std::string_view what) { return name + " needs " + std::string(what); };

    ConvertSettings& s = opt.settings;
    std::optional<std::string> error;
    const bool convert_option = name == "--size" || name == "--method" || name == "--level" ||
                                name == "--fit" || name == "--crop" || name == "--seed";
    if (convert_option && !converts) return name + " does not apply to info";

    if (name == "--size") {
      const auto v = value();
      if (!v) return needs("WxH, device or full");
      const auto size = ParseSize(*v);
      if (!size) return "--size " + Quote(*v) + ": expected WxH (1..320 x 1..240), device or full";
      s.size = *size;
    } else if (name == "--method") {
      const auto v = value();
      if (!v) return needs("document, photo-sharp or photo-soft");
      if (*v == "document") {
        s.method = Method::kDocument;
      } else if (*v == "photo-sharp") {
        s.method = Method::kPhotoSharp;
      } else if (*v == "photo-soft") {
        s.method = Method::kPhotoSoft;
      } else {
        return "--method " + Quote(*v) + ": expected document, photo-sharp or photo-soft";
      }
    } else if (name == "--level") {
      const auto v = value();
      if (!v) return needs("a number 0..255");
      const auto level = ParseNumber(*v, 0, 255);
      if (!level) return "--level " + Quote(*v) + ": expected a number 0..255";
      s.level = static_cast<int>(*level);
    } else if (name == "--fit") {
      const auto v = value();
      if (!v) return needs("keep-ratio, stretch or none");
      if (*v == "keep-ratio") {
        s.fit = Fit::kKeepRatio;
      } else if (*v == "stretch") {
        s.fit = Fit::kStretch;
      } else if (*v == "none") {
        s.fit = Fit::kNone;
      } else {
        return "--fit " + Quote(*v) + ": expected keep-ratio, stretch or none";
      }
    } else if (name == "--crop") {
      const auto v = value();
      if (!v) return needs("X,Y,W,H");
      const auto crop = ParseCrop(*v);
      if (!crop) return "--crop " + Quote(*v) + ": expected X,Y,W,H in source pixels, W and H > 0";
      s.crop = *crop;
    } else if (name == "--seed") {
      const auto v = value();
      if (!v) return needs("a number");
      std::uint64_t seed = 0;
      const char* end = v->data() + v->size();
      const auto [ptr, ec] = std::from_chars(v->data(), end, seed);
      if (v->empty() || ec != std::errc() || ptr != end) {
        return "--seed " + Quote(*v) + ": expected a number 0..18446744073709551615";
      }
      s.seed = seed;
    } else if (name == "-o" || name == "--output") {
      if (opt.command != Command::kConvert) return name + " applies to convert only";
      const auto v = value();
      if (!v || v->empty()) return needs("a file name");
      opt.output = *v;
    } else if (name == "--out-dir") {
      if (opt.command != Command::kConvert) return name + " applies to convert only";
      const auto v = value();
      if (!v || v->empty()) return needs("a folder");
      opt.out_dir = *v;
    } else if (name == "--format") {
      if (opt.command != Command::kConvert) return name + " applies to convert only";
      const auto v = value();
      if (!v) return needs("qdl, bmp, png or pbm");
      if (*v == "qdl") {
        opt.format = OutputFormat::kQdl;
      } else if (*v == "bmp") {
        opt.format = OutputFormat::kBmp;
      } else if (*v == "png") {
        opt.format = OutputFormat::kPng;
      } else if (*v == "pbm") {
        opt.format = OutputFormat::kPbm;
      } else {
        return "--format " + Quote(*v) + ": expected qdl, bmp, png or pbm";
      }
    } else if (name == "-j" || name == "--jobs") {
      if (opt.command != Command::kConvert) return name + " applies to convert only";
      const auto v = value();
      if (!v) return needs("a number");
      const auto jobs = ParseNumber(*v, 1, 256);
      if (!jobs) return name + " " + Quote(*v) + ": expected a number 1..256";
      opt.jobs = static_cast<int>(*jobs);
    } else if (name == "--force" || name == "-f") {
      if (opt.command != Command::kConvert) return name + " applies to convert only";
      error = flag(opt.force);
    } else if (name == "--quiet" || name == "-q") {
      error = flag(opt.quiet);
    } else if (name == "--invert") {
      if (opt.command != Command::kShow) return name + " applies to show only";
      error = flag(opt.invert);
    } else {
      return "unknown option " + Quote(arg);
    }
    if (error) return *error;
  }

  switch (opt.command) {
    case Command::kConvert:
      if (opt.inputs.empty()) return std::string("convert needs at least one picture");
      if (!opt.output.empty() && opt.inputs.size() > 1) {
        return std::string("-o names one output; use --out-dir for several pictures");
      }
      if (!opt.output.empty() && !opt.out_dir.empty()) {
        return std::string("-o and --out-dir exclude each other");
      }
      if (!opt.output.empty() && opt.format) {
        return std::string("--format is for names dotcast makes; -o names the format itself");
      }
      break;
    case Command::kShow:
      if (opt.inputs.size() != 1) return std::string("show takes exactly one file");
      break;
    case Command::kInfo:
      if (opt.inputs.empty()) return std::string("info needs at least one file");
      break;
    case Command::kHelp:
    case Command::kVersion:
      break;
  }
  return opt;
}

std::string VersionText() {
  return std::string("dotcast (Dotcaster) ") + DOTCASTER_VERSION + "\n";
}

std::string UsageText(Command command) {
  static constexpr const char* kConvertOptions =
      "Conversion options:\n"
      "  --size WxH|device|full  output size in dots: up to 320x240, device = 102x64,\n"
      "                          full = 320x240 (default: the picture's own size, limited\n"
      "                          to 320x240 with its ratio kept; a Quadrel file's own size)\n"
      "  --method M              document (default), photo-sharp or photo-soft\n"
      "  --level N               threshold level 0..255 (default 128)\n"
      "  --fit F                 keep-ratio (default), stretch, or none (one pixel per dot)\n"
      "  --crop X,Y,W,H          convert only this rectangle, in source pixels\n"
      "  --seed N                start of the photo methods' random dither (default: the\n"
      "                          window's fixed start)\n";
  static constexpr const char* kExitCodes =
      "Exit codes: 0 all converted, 1 some files failed, 2 usage error.\n";

  std::string text;
  switch (command) {
    case Command::kConvert:
      text =
          "Usage: dotcast convert [options] PICTURE...\n"
          "Converts BMP, JPEG, GIF and Quadrel (.qdl) pictures into Vantro dot images, as\n"
          "the Dotcaster window does when it loads them; several files in parallel.\n\n";
      text += kConvertOptions;
      text +=
          "Output options:\n"
          "  -o FILE                 output file (one picture only); its name chooses the\n"
          "                          format: .bmp 1-bit bitmap, .png, .pbm, else Quadrel\n"
          "  --out-dir DIR           write every output into DIR (default: beside its input)\n"
          "  --format F              qdl (default), bmp, png or pbm for names dotcast makes\n"
          "                          (input's base name + extension)\n"
          "  -f, --force             replace outputs that exist already\n"
          "  -j, --jobs N            files converted at once (default: one per core)\n"
          "  -q, --quiet             no line per file, no progress bar\n\n";
      text += kExitCodes;
      return text;
    case Command::kShow:
      text =
          "Usage: dotcast show FILE [conversion options] [--invert]\n"
          "Prints the dot image in the terminal, two dot rows per character cell: a Quadrel\n"
          "file as it is, or a picture converted with the options given.\n\n";
      text += kConvertOptions;
      text += "  --invert                draw the light dots instead (dark backgrounds)\n\n";
      text += kExitCodes;
      return text;
    case Command::kInfo:
      text =
          "Usage: dotcast info FILE...\n"
          "Tells what Dotcaster sees in each file: whether its name is accepted, the type,\n"
          "width, height and bit depth; for Quadrel files the band count and whether the\n"
          "length matches the header.\n\n";
      text += kExitCodes;
      return text;
    case Command::kHelp:
    case Command::kVersion:
      break;
  }
  text =
      "Usage: dotcast convert [options] PICTURE...   convert pictures to Vantro dot images\n"
      "       dotcast show FILE [options]            print a dot image in the terminal\n"
      "       dotcast info FILE...                   what Dotcaster sees in each file\n"
      "       dotcast --version\n"
      "Run 'dotcast COMMAND --help' for the options of a command.\n\n";
  text += kExitCodes;
  return text;
}

}  // namespace dotcaster::cli
