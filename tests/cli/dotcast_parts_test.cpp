// dotcast's parts that need no picture: the command line and the terminal rendering.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/dotcast/dots.h"
#include "cli/dotcast/options.h"

namespace dotcaster::cli {
namespace {

// A dot image from a picture drawn as text rows, '#' black.
DotImage ImageOf(const std::vector<std::string>& rows) {
  DotImage image(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (rows[y][x] == '#') image.SetBlack(x, y);
  return image;
}

// The parsed options as one line, so that a row can state the fields it cares about.
std::string Describe(const Options& o) {
  const ConvertSettings& s = o.settings;
  std::string d = "command " + std::to_string(static_cast<int>(o.command)) + "/" +
                  std::to_string(static_cast<int>(o.help_for)) + " size " +
                  std::to_string(static_cast<int>(s.size.kind)) + ":" +
                  std::to_string(s.size.width) + "x" + std::to_string(s.size.height) + " method " +
                  std::to_string(static_cast<int>(s.method)) + " level " + std::to_string(s.level) +
                  " fit " + std::to_string(static_cast<int>(s.fit));
  d += s.crop ? " crop " + std::to_string(s.crop->x) + "," + std::to_string(s.crop->y) + "," +
                    std::to_string(s.crop->width) + "," + std::to_string(s.crop->height)
              : " no crop";
  d += s.seed ? " seed " + std::to_string(*s.seed) : " no seed";
  d += std::string(o.force ? " force" : "") + (o.invert ? " invert" : "") + " inputs";
  for (const auto& input : o.inputs)
    d += " " + input;
  return d;
}

TEST(DotcastCommandLine, AcceptedOptions) {
  const struct {
    std::vector<std::string> args;
    const char* expected;  // a part of Describe()
  } rows[] = {
      // The defaults are the window's after a reset: document, 128, ratio kept.
      {{"convert", "a.jpg"},
       "command 0/3 size 0:0x0 method 0 level 128 fit 0 no crop no seed inputs a.jpg"},
      {{"convert", "--size", "device", "a.gif"}, "size 1:102x64"},
      {{"convert", "--size=full", "a.gif"}, "size 2:320x240"},
      {{"convert", "a.gif", "--size", "320x240"}, "size 3:320x240"},
      {{"convert", "--size", "1X1", "a.gif"}, "size 3:1x1"},
      {{"show", "--method", "photo-soft", "a.gif"}, "command 1/3 size 0:0x0 method 2"},
      {{"convert", "--level", "0", "a.gif"}, "level 0 "},
      {{"convert", "--level=255", "a.gif"}, "level 255 "},
      {{"convert", "--fit", "none", "a.gif"}, "fit 2 "},
      {{"convert", "--crop", "0,5,10,20", "a.gif"}, "crop 0,5,10,20 "},
      {{"convert", "--seed", "18446744073709551615", "a.gif"}, "seed 18446744073709551615 "},
      {{"convert", "--force", "--", "-odd.jpg"}, "force inputs -odd.jpg"},
      {{"show", "x.qdl", "--invert"}, "invert inputs x.qdl"},
      {{"info", "--help"}, "command 3/2 "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args.back());
    const auto opt = ParseCommandLine(row.args);
    ASSERT_TRUE(opt.has_value()) << opt.error();
    EXPECT_NE(Describe(*opt).find(row.expected), std::string::npos) << Describe(*opt);
  }
}

TEST(DotcastCommandLine, UsageErrorsSayWhatIsWrong) {
  struct Row {
    std::vector<std::string> args;
    const char* message_part;
  };
  const Row rows[] = {
      {{}, "no command"},
      {{"transmogrify", "a.jpg"}, "unknown command"},
      {{"convert"}, "at least one picture"},
      {{"convert", "--size", "321x10", "a.jpg"}, "--size"},
      {{"convert", "--size", "0x10", "a.jpg"}, "--size"},
      {{"convert", "--size", "10x241", "a.jpg"}, "--size"},
      {{"convert", "--size", "10x", "a.jpg"}, "--size"},
      {{"convert", "--size", "huge", "a.jpg"}, "--size"},
      {{"convert", "a.jpg", "--size"}, "--size needs"},
      {{"convert", "--level", "256", "a.jpg"}, "--level"},
      {{"convert", "--level", "-1", "a.jpg"}, "--level"},
      {{"convert", "--level", "12abc", "a.jpg"}, "--level"},
      {{"convert", "--method", "Document", "a.jpg"}, "--method"},
      {{"convert", "--fit", "squash", "a.jpg"}, "--fit"},
      {{"convert", "--crop", "1,2,3", "a.jpg"}, "--crop"},
      {{"convert", "--crop", "1,2,0,4", "a.jpg"}, "--crop"},
      {{"convert", "--crop", "-1,2,3,4", "a.jpg"}, "--crop"},
      {{"convert", "--seed", "18446744073709551616", "a.jpg"}, "--seed"},
      {{"convert", "-o", "x.qdl", "a.jpg", "b.jpg"}, "--out-dir"},
      {{"convert", "-o", "x.qdl", "--out-dir", "d", "a.jpg"}, "exclude"},
      {{"convert", "--force=yes", "a.jpg"}, "takes no value"},
      {{"convert", "--bogus", "a.jpg"}, "unknown option"},
      {{"show", "a.qdl", "b.qdl"}, "exactly one"},
      {{"show", "-o", "x.qdl", "a.qdl"}, "convert only"},
      {{"info", "--level", "3", "a.qdl"}, "does not apply"},
      {{"info"}, "at least one file"},
      {{"convert", "--invert", "a.jpg"}, "show only"},
  };
  for (const Row& row : rows) {
    std::string joined;
    for (const auto& a : row.args)
      joined += a + " ";
    SCOPED_TRACE(joined);
    const auto opt = ParseCommandLine(row.args);
    ASSERT_FALSE(opt.has_value());
    EXPECT_NE(opt.error().find(row.message_part), std::string::npos) << opt.error();
  }
}

TEST(DotcastCommandLine, OutputFormatFollowsTheName) {
  const std::pair<const char*, OutputFormat> rows[] = {
      {"a.bmp", OutputFormat::kBmp},     {"A.BmP", OutputFormat::kBmp},
      {"a.PNG", OutputFormat::kPng},     {"a.pbm", OutputFormat::kPbm},
      {"a.bmp.out", OutputFormat::kQdl}, {"bmp", OutputFormat::kQdl}};
  for (const auto& [name, format] : rows)
    EXPECT_EQ(FormatForName(name), format) << name;
}

TEST(DotcastRendering, HalfBlocksPairRowsAndInvert) {
  const DotImage image = ImageOf({"#.#.", "##..", "...#"});
  // Row pairs (0, 1) and (2, -): top+bottom, bottom, top, none; then the odd last row.
  EXPECT_EQ(RenderHalfBlocks(image, false),
            "\u2588\u2584\u2580 \n"
            "   \u2580\n");
  EXPECT_EQ(RenderHalfBlocks(image, true),
            " \u2580\u2584\u2588\n"
            "\u2580\u2580\u2580 \n");
}

}  // namespace
}  // namespace dotcaster::cli
