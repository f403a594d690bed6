// dotcast's command line, parsed into values.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/dotcast/options.h"

namespace dotcaster::cli {
namespace {

// The forms the end-to-end tests do not show through the program's outputs.
TEST(DotcastCommandLine, AcceptedOptions) {
  using enum Command;
  const struct {
    const char* name;
    std::vector<std::string> args;
    Options expected;
  } rows[] = {
      {"options after the file, the last one wins, the largest values",
       {"show", "a.gif", "--size", "1X1", "--size", "320x240", "--level=255", "--seed",
        "18446744073709551615"},
       {.command = kShow,
        .settings = {.size = {SizeKind::kCustom, 320, 240},
                     .level = 255,
                     .seed = 18446744073709551615u},
        .inputs = {"a.gif"}}},
      {"grouped short flags, values joined to short options",
       {"convert", "-qfj4", "-oout.png", "a.jpg"},
       {.command = kConvert,
        .inputs = {"a.jpg"},
        .output = "out.png",
        .force = true,
        .quiet = true,
        .jobs = 4}},
      {"-- ends the options, after a file too: even names of options and commands are files",
       {"convert", "a.jpg", "--", "-ovictim.jpg", "--size", "info", "--"},
       {.command = kConvert, .inputs = {"a.jpg", "-ovictim.jpg", "--size", "info", "--"}}},
      {"files named like commands",
       {"info", "show", "-"},
       {.command = kInfo, .inputs = {"show", "-"}}},
      {"command help, before any check",
       {"convert", "--level", "999", "-h"},
       {.help_for = kConvert}},
      {"help command", {"help", "info"}, {.help_for = kInfo}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto opt = ParseCommandLine(row.args);
    ASSERT_TRUE(opt.has_value()) << opt.error();
    EXPECT_TRUE(*opt == row.expected);
  }
}

// Methods are named in the order of the window's list; an output name chooses its format by
// its extension, in any case.
TEST(DotcastCommandLine, NamesOfMethodsAndFormats) {
  const char* methods[] = {"document",  "photo-sharp", "photo-soft",
                           "diffusion", "atkinson",    "ordered"};
  for (int m = 0; m < 6; ++m)
    EXPECT_EQ(ParseCommandLine({"show", "--method", methods[m], "a"})->settings.method, m);
  using enum OutputFormat;
  const std::pair<const char*, OutputFormat> names[] = {{"a.bmp", kBmp},     {"A.BmP", kBmp},
                                                        {"a.PNG", kPng},     {"a.pbm", kPbm},
                                                        {"a.bmp.out", kQdl}, {"bmp", kQdl}};
  for (const auto& [name, format] : names)
    EXPECT_EQ(FormatForName(name), format) << name;
  for (auto [name, format] : {std::pair{"qdl", kQdl}, {"bmp", kBmp}, {"png", kPng}, {"pbm", kPbm}})
    EXPECT_EQ(ParseCommandLine({"convert", "--format", name, "a"})->format, format) << name;
}

TEST(DotcastCommandLine, UsageErrorsSayWhatIsWrong) {
  const std::pair<std::vector<std::string>, const char*> rows[] = {
      {{}, "no command"},
      {{"transmogrify", "a.jpg"}, "unknown command"},
      {{"convert"}, "at least one picture"},
      {{"convert", "--size", "321x10", "a.jpg"}, "--size"},
      {{"convert", "--size", "0x10", "a.jpg"}, "--size"},
      {{"convert", "--size", "10x241", "a.jpg"}, "--size"},
      {{"convert", "--size", "10x", "a.jpg"}, "--size"},
      {{"convert", "a.jpg", "--size"}, "--size needs"},
      {{"convert", "--level", "256", "a.jpg"}, "--level"},
      {{"convert", "--level", "-1", "a.jpg"}, "--level"},
      {{"convert", "--level", "12abc", "a.jpg"}, "--level"},
      {{"convert", "--level", "Auto", "a.jpg"}, "--level"},
      {{"convert", "--method", "Document", "a.jpg"}, "--method"},
      {{"convert", "--fit", "squash", "a.jpg"}, "--fit"},
      {{"convert", "--crop", "1,2,3", "a.jpg"}, "--crop"},
      {{"convert", "--crop", "1,2,0,4", "a.jpg"}, "--crop"},
      {{"convert", "--crop", "-1,2,3,4", "a.jpg"}, "--crop"},
      {{"convert", "--seed", "18446744073709551616", "a.jpg"}, "--seed"},
      {{"convert", "-o", "x.qdl", "a.jpg", "b.jpg"}, "--out-dir"},
      {{"convert", "-o", "x.qdl", "--out-dir", "d", "a.jpg"}, "exclude"},
      {{"convert", "--force=yes", "a.jpg"}, "takes no value"},
      {{"convert", "--bogus", "a.jpg"}, "unknown option '--bogus'"},
      {{"convert", "--sise=device", "a.jpg"},
       "unknown option '--sise=device'; did you mean --size?"},
      {{"convet", "a.jpg"}, "unknown command 'convet'; did you mean convert?"},
      {{"convert", "-qx", "a.jpg"}, "unknown option '-x'"},
      {{"show", "a.qdl", "b.qdl"}, "exactly one"},
      {{"show", "-o", "x.qdl", "a.qdl"}, "convert only"},
      {{"info", "--level", "3", "a.qdl"}, "does not apply"},
      {{"info"}, "at least one file"},
      {{"convert", "--invert", "a.jpg"}, "show only"},
  };
  for (const auto& [args, message_part] : rows) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const auto opt = ParseCommandLine(args);
    ASSERT_FALSE(opt.has_value());
    EXPECT_NE(opt.error().find(message_part), std::string::npos) << opt.error();
  }
}

TEST(DotcastCommandLine, NamesArePrintedEscaped) {
  const std::pair<std::string, std::string> rows[] = {
      {"plain name.jpg", "plain name.jpg"},
      {"caf\u00e9 \u2013 \U0001F600.jpg", "caf\u00e9 \u2013 \U0001F600.jpg"},
      {"two\nlines\r\t", "two\\nlines\\r\\t"},
      {"\x1b[2J\x7f", "\\x1b[2J\\x7f"},
      {"c1 \u009b csi", "c1 \\xc2\\x9b csi"},
      // Not UTF-8: a lone byte, an overlong '/', a surrogate, a cut sequence.
      {"\xff \xc0\xaf \xed\xa0\x80 \xe2\x82", "\\xff \\xc0\\xaf \\xed\\xa0\\x80 \\xe2\\x82"},
  };
  for (const auto& [text, printed] : rows)
    EXPECT_EQ(EscapedForTerminal(text), printed);
}

}  // namespace
}  // namespace dotcaster::cli
