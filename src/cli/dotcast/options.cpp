#include "cli/dotcast/options.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>

#include "state/app_state.h"
#include "state/paths.h"

namespace dotcaster::cli {
namespace {

struct CommandText {
  Command command;
  const char* name;
  const char* usage;  // after "dotcast "
  const char* summary;
  const char* description;
};

constexpr CommandText kCommands[] = {
    {Command::kConvert, "convert", "convert [options] PICTURE...",
     "convert pictures to Vantro dot images",
     "Converts BMP, JPEG, GIF and Quadrel (.qdl) pictures into Vantro dot images, as\n"
     "the Dotcaster window does when it loads them; several files in parallel."},
    {Command::kShow, "show", "show [options] FILE", "print a dot image in the terminal",
     "Prints the dot image in the terminal, two dot rows per character cell: a Quadrel\n"
     "file as it is, or a picture converted with the options given."},
    {Command::kInfo, "info", "info FILE...", "what Dotcaster sees in each file",
     "Tells what Dotcaster sees in each file: whether its name is accepted, the type,\n"
     "width, height and bit depth; for Quadrel files the band count and whether the\n"
     "length matches the header."},
};

constexpr const char* kFooter =
    "'--' ends the options: what follows are files, even names that start with '-'.\n"
    "Exit codes: 0 all converted, 1 some files failed, 2 usage error.\n";

const CommandText* FindCommand(std::string_view name) {
  for (const CommandText& c : kCommands) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

std::string Quote(std::string_view text) {
  return "'" + std::string(text) + "'";
}

// A whole decimal number in [lo, hi], nothing else around it.
template <class T>
std::optional<T> ParseNumber(std::string_view text, T lo, T hi) {
  T value{};
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end || value < lo || value > hi) {
    return std::nullopt;
  }
  return value;
}

std::optional<OutputSize> ParseSize(std::string_view text) {
  if (text == "device") return OutputSize{SizeKind::kDevice, kDeviceWidth, kDeviceHeight};
  if (text == "full") return OutputSize{SizeKind::kFull, kMaxOutWidth, kMaxOutHeight};
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return std::nullopt;
  const auto w = ParseNumber(text.substr(0, x), 1, kMaxOutWidth);
  const auto h = ParseNumber(text.substr(x + 1), 1, kMaxOutHeight);
  if (!w || !h) return std::nullopt;
  return OutputSize{SizeKind::kCustom, *w, *h};
}

// "X,Y,W,H": four numbers, W and H at least 1.
std::optional<CropRect> ParseCrop(std::string_view text) {
  constexpr int kMax = std::numeric_limits<std::int16_t>::max();
  int v[4] = {};
  for (int i = 0; i < 4; ++i) {
    const std::size_t end = i < 3 ? text.find(',') : text.size();
    const auto number = ParseNumber(text.substr(0, end), i < 2 ? 0 : 1, kMax);
    if (end == std::string_view::npos || !number) return std::nullopt;
    v[i] = *number;
    text.remove_prefix(std::min(text.size(), end + 1));
  }
  return CropRect{v[0], v[1], v[2], v[3]};
}

template <class T>
std::optional<T> Pick(std::string_view word,
                      std::initializer_list<std::pair<std::string_view, T>> choices) {
  for (const auto& [name, value] : choices) {
    if (name == word) return value;
  }
  return std::nullopt;
}

template <class T, class U>
bool Store(T& target, const std::optional<U>& value) {
  if (value) target = *value;
  return value.has_value();
}

// The help of every command in one layout: usage, description, commands (top level only),
// the option groups, the common footer.
class HelpLayout : public CLI::Formatter {
 public:
  HelpLayout() { column_width(26); }

  std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
    std::string text = "Usage: ";
    if (const CommandText* command = FindCommand(app->get_name())) {
      text += std::string("dotcast ") + command->usage + "\n" + command->description + "\n";
    } else {
      for (const CommandText& c : kCommands)
        text += std::string("dotcast ") + c.usage + "\n       ";
      text += "dotcast --help | COMMAND --help | --version\n" + app->get_description() + "\n" +
              make_subcommands(app, mode);
    }
    for (const std::string& group : app->get_groups()) {
      const auto options =
          app->get_options([&](const CLI::Option* o) { return o->get_group() == group; });
      if (group.empty() || options.empty()) continue;
      text += "\n" + group + ":\n";
      for (const CLI::Option* option : options)
        text += make_option(option, false);
    }
    return text + "\n" + kFooter;
  }

  std::string make_option_name(const CLI::Option* opt, bool) const override {
    std::string names;
    for (const std::string& s : opt->get_snames())
      names += "-" + s + ", ";
    for (const std::string& l : opt->get_lnames())
      names += "--" + l + ", ";
    return names.substr(0, names.size() - 2);
  }
};

// Edit distance, for suggestions.
std::size_t Distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0]++;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// "; did you mean X?" for the nearest candidate, when it is near enough to be a typo.
std::string Suggestion(std::string_view typed, const std::vector<std::string>& candidates) {
  const std::size_t letters = typed.size() - std::min(typed.size(), typed.find_first_not_of('-'));
  const std::string* best = nullptr;
  std::size_t best_distance = 3;
  for (const std::string& candidate : candidates) {
    const std::size_t d = Distance(typed, candidate);
    if (d < best_distance && 2 * d < letters) {
      best = &candidate;
      best_distance = d;
    }
  }
  return best ? "; did you mean " + *best + "?" : std::string();
}

// dotcast's command line in CLI11. The callbacks write into the Options given, which must
// outlive the parse; every check of a value happens there, with our own message.
class CommandLine {
 public:
  explicit CommandLine(Options& opt) : opt_(opt), app_("", "dotcast") {
    app_.description("Run 'dotcast COMMAND --help' for the options of a command.");
    app_.formatter(std::make_shared<HelpLayout>());
    app_.allow_extras();
    app_.require_subcommand(0, 1);  // so that a file may be named like a command
    app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    HelpFlag(app_);
    Flag(app_, "--version", version_, "the program's version");
    for (const CommandText& c : kCommands) {
      CLI::App* sub = app_.add_subcommand(c.name, c.summary)->group("Commands");
      sub->allow_extras();
      // The minimum is out of reach on purpose: CLI11 2.1 hands what follows a '--' to the
      // top level once a command has all the files it needs.
      files_[sub] = sub->add_option("FILE")
                        ->expected(std::numeric_limits<int>::max() / 2, -1)
                        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                        ->group("");
      commands_.emplace_back(sub, c.command);
      if (c.command != Command::kInfo) AddConversionOptions(*sub, opt.settings);
      if (c.command == Command::kShow) {
        Flag(*sub, "--invert", opt.invert, "draw the light dots instead (dark backgrounds)")
            ->group("Conversion options");
      }
      if (c.command == Command::kConvert) {
        AddOutputOptions(*sub, opt);
      } else {
        Flag(*sub, "-q,--quiet", opt.quiet, "")->group("");  // accepted, nothing to silence
      }
      HelpFlag(*sub)->group("Other options");
    }
    help_ = app_.add_subcommand("help")->group("");  // "dotcast help [COMMAND]"
    help_->add_option("COMMAND", help_topic_);
  }

  // Fills the options; the error is a one-line message.
  std::optional<std::string> Parse(const std::vector<std::string>& args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
      app_.parse(reversed);
    } catch (const CLI::CallForHelp&) {
      opt_.command = Command::kHelp;
      opt_.help_for = CommandOf(Selected());
      return std::nullopt;
    } catch (const CLI::ArgumentMismatch& e) {
      return MissingValue(args, e.what());
    } catch (const CLI::ParseError& e) {
      return std::string(e.what());
    }
    CLI::App* sub = Selected();
    for (const CLI::App* app : {&app_, sub}) {
      for (const std::string& arg : app ? app->remaining() : std::vector<std::string>()) {
        if (arg != "--") return Unknown(app == &app_ ? nullptr : sub, arg);
      }
    }
    for (const auto& [option, target] : flags_) {
      for (const std::string& result : option->results()) {
        if (result != "true") return option->get_name() + " takes no value";
      }
      if (option->count() > 0) *target = true;
    }
    if (version_) {
      opt_.command = Command::kVersion;
    } else if (sub == help_) {
      const CommandText* topic = FindCommand(help_topic_);
      opt_.help_for = topic ? topic->command : Command::kHelp;
    } else if (sub == nullptr) {
      return "no command given";
    } else {
      opt_.command = CommandOf(sub);
      opt_.inputs = files_.at(sub)->results();
    }
    return std::nullopt;
  }

  std::string Help(Command command) const {
    for (const auto& [sub, c] : commands_) {
      if (c == command) return sub->help();
    }
    return app_.help();
  }

 private:
  CLI::Option* Flag(CLI::App& app, const std::string& names, bool& target,
                    const std::string& help) {
    CLI::Option* option = app.add_flag(names, help);
    flags_.emplace_back(option, &target);
    return option;
  }

  // The help flag acts as soon as it is seen, before the other values are checked.
  static CLI::Option* HelpFlag(CLI::App& app) {
    app.set_help_flag();
    return app
        .add_flag_callback(
            "-h,--help", [] { throw CLI::CallForHelp(); }, "this help")
        ->trigger_on_parse();
  }

  // An option with one value; take stores it, or returns false to refuse it.
  void Value(CLI::App& app, const std::string& names, const std::string& type,
             const std::string& what, std::function<bool(const std::string&)> take,
             const std::string& help) {
    const std::string name = names.substr(0, names.find(','));
    CLI::Option* option = app.add_option_function<std::string>(
        names,
        [name, what, take](const std::string& value) {
          if (take(value)) return;
          throw CLI::ValidationError(value.empty()
                                         ? name + " needs " + what
                                         : name + " " + Quote(value) + ": expected " + what);
        },
        help);
    option->type_name(type);
    needs_[option] = what;
  }

  void AddConversionOptions(CLI::App& app, ConvertSettings& s) {
    app.option_defaults()->group("Conversion options");
    Value(
        app, "--size", "WxH|device|full", "WxH (1..320 x 1..240), device or full",
        [&s](const std::string& v) { return Store(s.size, ParseSize(v)); },
        "output size in dots: up to 320x240, device = 102x64,\n"
        "full = 320x240 (default: the picture's own size, limited\n"
        "to 320x240 with its ratio kept; a Quadrel file's own size)");
    Value(
        app, "--method", "M", "document, photo-sharp, photo-soft, diffusion, atkinson or ordered",
        [&s](const std::string& v) {
          return Store(s.method, Pick<Method>(v, {{"document", Method::kDocument},
                                                  {"photo-sharp", Method::kPhotoSharp},
                                                  {"photo-soft", Method::kPhotoSoft},
                                                  {"diffusion", Method::kPhotoDiffusion},
                                                  {"atkinson", Method::kPhotoAtkinson},
                                                  {"ordered", Method::kPhotoOrdered}}));
        },
        "document (default), photo-sharp, photo-soft (random\n"
        "dither), diffusion (Floyd-Steinberg), atkinson, or\n"
        "ordered (8x8 Bayer)");
    Value(
        app, "--level", "N|auto", "a number 0..255 or auto",
        [&s](const std::string& v) {
          s.auto_level = v == "auto";
          return s.auto_level || Store(s.level, ParseNumber(v, 0, 255));
        },
        "threshold level 0..255 (default 128; the grey that comes\n"
        "out half dark in the dithers), or auto: Otsu's threshold\n"
        "of the picture as placed");
    Value(
        app, "--fit", "F", "keep-ratio, stretch or none",
        [&s](const std::string& v) {
          return Store(s.fit, Pick<Fit>(v, {{"keep-ratio", Fit::kKeepRatio},
                                            {"stretch", Fit::kStretch},
                                            {"none", Fit::kNone}}));
        },
        "keep-ratio (default), stretch, or none (one pixel per dot)");
    Value(
        app, "--crop", "X,Y,W,H", "X,Y,W,H in source pixels, W and H > 0",
        [&s](const std::string& v) { return Store(s.crop, ParseCrop(v)); },
        "convert only this rectangle, in source pixels");
    constexpr auto kMaxSeed = std::numeric_limits<std::uint64_t>::max();
    Value(
        app, "--seed", "N", "a number 0.." + std::to_string(kMaxSeed),
        [&s](const std::string& v) {
          return Store(s.seed, ParseNumber<std::uint64_t>(v, 0, kMaxSeed));
        },
        "start of the photo methods' random dither (default: the\nwindow's fixed start)");
  }

  void AddOutputOptions(CLI::App& app, Options& opt) {
    app.option_defaults()->group("Output options");
    auto text = [](std::string& target) {
      return [&target](const std::string& v) {
        target = v;
        return !v.empty();
      };
    };
    Value(app, "-o,--output", "FILE", "a file name", text(opt.output),
          "output file (one picture only); its name chooses the\n"
          "format: .bmp 1-bit bitmap, .png, .pbm, else Quadrel;\n"
          "- is standard output (--format chooses)");
    Value(app, "--out-dir", "DIR", "a folder", text(opt.out_dir),
          "write every output into DIR (default: beside its input)");
    Value(
        app, "--format", "F", "qdl, bmp, png or pbm",
        [&opt](const std::string& v) {
          return Store(opt.format, Pick<OutputFormat>(v, {{"qdl", OutputFormat::kQdl},
                                                          {"bmp", OutputFormat::kBmp},
                                                          {"png", OutputFormat::kPng},
                                                          {"pbm", OutputFormat::kPbm}}));
        },
        "qdl (default), bmp, png or pbm for names dotcast makes\n"
        "(input's base name + extension)");
    Flag(app, "-f,--force", opt.force, "replace outputs that exist already");
    Value(
        app, "-j,--jobs", "N", "a number 1..256",
        [&opt](const std::string& v) { return Store(opt.jobs, ParseNumber(v, 1, 256)); },
        "files converted at once (default: one per core)");
    Flag(app, "-q,--quiet", opt.quiet, "no line per file, no progress bar");
  }

  CLI::App* Selected() const {
    const auto picked = app_.get_subcommands();
    return picked.empty() ? nullptr : picked.front();
  }

  Command CommandOf(const CLI::App* sub) const {
    for (const auto& [app, command] : commands_) {
      if (app == sub) return command;
    }
    return Command::kHelp;
  }

  // Values are taken whatever they look like, so only the last argument can lack one.
  std::string MissingValue(const std::vector<std::string>& args, const std::string& fallback) {
    std::string name = args.empty() ? std::string() : args.back().substr(0, args.back().find('='));
    if (!name.starts_with("--") && name.size() > 2) name = "-" + name.substr(name.size() - 1);
    const CLI::App* sub = Selected();
    const CLI::Option* option = sub ? sub->get_option_no_throw(name) : nullptr;
    const auto what = needs_.find(option);
    return what == needs_.end() ? fallback : name + " needs " + what->second;
  }

  // An argument no command took: an unknown command, an option of another command, or an
  // unknown option, with the nearest known name.
  std::string Unknown(const CLI::App* sub, const std::string& arg) const {
    std::vector<std::string> known;
    if (sub == nullptr && !arg.starts_with("-")) {
      for (const CommandText& c : kCommands)
        known.emplace_back(c.name);
      return "unknown command " + Quote(arg) + Suggestion(arg, known);
    }
    const std::string name = arg.substr(0, arg.find('='));
    std::vector<std::string> others;
    for (const auto& [other, command] : commands_) {
      if (sub && other != sub && other->get_option_no_throw(name)) {
        others.push_back(other->get_name());
      }
    }
    if (others.size() == 1) return name + " applies to " + others.front() + " only";
    if (others.size() > 1) return name + " does not apply to " + sub->get_name();
    for (const CLI::Option* option : (sub ? sub : &app_)->get_options()) {
      for (const std::string& l : option->get_lnames())
        known.push_back("--" + l);
    }
    return "unknown option " + Quote(arg) + Suggestion(name, known);
  }

  Options& opt_;
  CLI::App app_;
  bool version_ = false;
  std::vector<std::pair<CLI::App*, Command>> commands_;
  std::map<const CLI::App*, CLI::Option*> files_;
  std::vector<std::pair<CLI::Option*, bool*>> flags_;
  std::map<const CLI::Option*, std::string> needs_;
  CLI::App* help_ = nullptr;
  std::string help_topic_;
};

// The length of the UTF-8 character text starts with when it is one beyond ASCII and the C1
// controls (U+0080..U+009F); 0 for anything else.
std::size_t PrintableUtf8Length(std::string_view text) {
  const auto byte = [&](std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  };
  const unsigned c = byte(0);
  const std::size_t n = c >= 0xC2 && c <= 0xDF   ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
  // The second byte's range rules out overlong forms, surrogates, code points past U+10FFFF
  // and, after C2, the C1 controls.
  const unsigned lo = c == 0xC2 || c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
  const unsigned hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
  if (n == 0 || byte(1) < lo || byte(1) > hi) return 0;
  for (std::size_t i = 2; i < n; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return n;
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

Expected<Options, std::string> ParseCommandLine(const std::vector<std::string>& args) {
  Options opt;
  if (auto error = CommandLine(opt).Parse(args)) return *error;
  switch (opt.command) {
    case Command::kConvert:
      if (opt.inputs.empty()) return std::string("convert needs at least one picture");
      if (!opt.output.empty() && opt.inputs.size() > 1) {
        return std::string("-o names one output; use --out-dir for several pictures");
      }
      if (!opt.output.empty() && !opt.out_dir.empty()) {
        return std::string("-o and --out-dir exclude each other");
      }
      if (!opt.output.empty() && opt.output != "-" && opt.format) {
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
  Options unused;
  return CommandLine(unused).Help(command);
}

std::string EscapedForTerminal(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t n = c < 0x80 ? 1 : PrintableUtf8Length(text.substr(i));
    if ((c >= 0x20 && c < 0x7F) || n > 1) {
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
    out += c == '\n' ? "\\n" : c == '\t' ? "\\t" : c == '\r' ? "\\r" : escaped;
    ++i;
  }
  return out;
}

}  // namespace dotcaster::cli
