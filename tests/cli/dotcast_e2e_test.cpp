// dotcast end to end: the real program on real files, its exit codes, outputs and
// messages. (That the window gives dotcast's dots is the window tests' part.)

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "formats/quadrel.h"
#include "hostile.h"
#include "temp_dir.h"
#include "tools.h"
#include "unprivileged.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempDir;
using testing::UnprivilegedPrefix;
using testing::WriteAll;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  const auto bytes = ReadAll(path.string());
  return {bytes.begin(), bytes.end()};
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs dotcast with args in the folder dir, its streams caught in files; an exit by a
// signal gives 128 + the signal. file_size_limit > 0 caps the size of every file the
// program writes, in 512-byte blocks, as a full disk would stop it. `prefix` goes before
// the program (an unprivileged user, a time limit).
Result Dotcast(const TempDir& dir, const std::vector<std::string>& args, int file_size_limit = 0,
               const std::string& prefix = "") {
  std::string command = "cd '" + dir.path().string() + "' && ";
  if (file_size_limit > 0) command += "ulimit -f " + std::to_string(file_size_limit) + " && ";
  command += prefix + "'" DOTCAST_BINARY "'";
  for (const auto& a : args)
    command += " '" + a + "'";
  const int status = std::system((command + " > .stdout 2> .stderr").c_str());
  const int code = WEXITSTATUS(status);
  Result run{code, Slurp(dir.path() / ".stdout"), Slurp(dir.path() / ".stderr")};
  fs::remove(dir.path() / ".stdout");
  fs::remove(dir.path() / ".stderr");
  return run;
}

struct Rgb {
  std::uint8_t r, g, b;
};

void Shell(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A 24-bit bitmap of the colours `at` gives, written by netpbm.
void WriteBmp24(const std::string& path, int w, int h, const std::function<Rgb(int, int)>& at) {
  std::string ppm = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgb c = at(x, y);
      ppm += {static_cast<char>(c.r), static_cast<char>(c.g), static_cast<char>(c.b)};
    }
  }
  WriteAll(path + ".ppm", {ppm.begin(), ppm.end()});
  Shell("ppmtobmp -bpp 24 '" + path + ".ppm' > '" + path + "' 2>/dev/null");
  fs::remove(path + ".ppm");
}

// A uniform grey picture: every dot compares the same grey with its threshold.
void WriteGrey(const std::string& path, std::uint8_t grey, int w = 40, int h = 24) {
  WriteBmp24(path, w, h, [grey](int, int) { return Rgb{grey, grey, grey}; });
}

// The project's test card at the given size, as JPEG, BMP or PPM by the name.
void MakeCard(const std::string& path, const std::string& size) {
  Shell(std::string(MAKE_TESTCARD) + " '" + path + "' " + size);
}

void MakeGif(const TempDir& dir, const std::string& path, const std::string& size) {
  const std::string ppm = dir.File("gif-source.ppm");
  MakeCard(ppm, size);
  Shell("pnmquant 256 '" + ppm + "' 2>/dev/null | pamtogif > '" + path + "' 2>/dev/null");
  fs::remove(ppm);
}

// The 2 x 10 Quadrel image whose only black dots are (0, 0) and (1, 9).
const std::vector<std::uint8_t> kTinyQdl = {0x02, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x02};

// True when the dot (x, y) of a bitmap in the program's layout is black.
bool BmpBlack(const std::vector<std::uint8_t>& bmp, int x, int y) {
  const int row = (Le16(bmp, 22) - 1 - y) * BmpRowSize(Le16(bmp, 18));
  return (bmp.at(kBmpHeaderSize + row + x / 8) & (0x80 >> (x % 8))) == 0;
}

bool NoStrayFiles(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (Contains(entry.path().filename().string(), "tmp")) return false;
  }
  return true;
}

class DotcastTest : public ::testing::Test {
 protected:
  // Converts input to out.bmp with the extra options; the bitmap's bytes.
  std::vector<std::uint8_t> ConvertToBmp(const std::string& input,
                                         const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"convert", "--force", input, "-o", "out.bmp"};
    args.insert(args.end(), extra.begin(), extra.end());
    const Result run = Dotcast(dir, args);
    EXPECT_EQ(run.code, 0) << run.err;
    return ReadAll(dir.File("out.bmp"));
  }

  TempDir dir;
};

TEST_F(DotcastTest, HelpVersionAndUsageErrors) {
  const std::pair<std::vector<std::string>, const char*> helps[] = {
      {{"--help"}, "Usage: dotcast"},
      {{"convert", "--help"}, "--crop X,Y,W,H"},
      {{"show", "-h"}, "--invert"},
      {{"info", "--help"}, "Usage: dotcast"}};
  for (const auto& [args, part] : helps) {
    const Result run = Dotcast(dir, args);
    EXPECT_EQ(run.code, 0) << args[0];
    EXPECT_TRUE(Contains(run.out, part)) << run.out;
    EXPECT_TRUE(Contains(run.out, "0 all converted, 1 some files failed, 2 usage error"));
  }

  const Result version = Dotcast(dir, {"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, std::string("dotcast (Dotcaster) ") + DOTCASTER_VERSION + "\n");

  // Each message has its row in the parser's tests; here the exit code and the streams.
  const std::pair<std::vector<std::string>, const char*> errors[] = {
      {{}, "dotcast: no command given\n"},
      {{"paint", "a.jpg"}, "dotcast: unknown command 'paint'\n"},
      {{"convert", "--out-dir", "none", "a.jpg"}, "dotcast: output folder none does not exist\n"},
      {{"convert", "--levle=9", "a.jpg"}, "'--levle=9'; did you mean --level?\n"}};
  for (const auto& [args, part] : errors) {
    const Result run = Dotcast(dir, args);
    EXPECT_EQ(run.code, 2) << run.err;
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(Contains(run.err, part)) << run.err;
  }
}

// The usual command-line forms, "--" before names that look like options, and names with
// control characters, which are printed escaped.
TEST_F(DotcastTest, OptionFormsAndOddNames) {
  for (const char* name : {"-x.jpg", "-ovictim.jpg", "card.jpg"})
    MakeCard(dir.File(name), "64x48");
  WriteGrey(dir.File("new\nline.bmp"), 0);
  const struct {
    std::vector<std::string> args;
    int code;
    const char* out;
    const char* err;
  } rows[] = {
      {{"convert", "--size=device", "-qfj1", "--", "-x.jpg"}, 0, "", ""},
      {{"convert", "card.jpg", "--", "-ovictim.jpg"},
       0,
       "card.jpg -> card.qdl (64 x 48)\n-ovictim.jpg -> -ovictim.qdl (64 x 48)\n"
       "2 converted, 0 failed\n",
       ""},
      {{"convert", "new\nline.bmp", "gone\x1b[2J.jpg"},
       1,
       "new\\nline.bmp -> new\\nline.qdl (40 x 24)\n1 converted, 1 failed\n",
       "dotcast: gone\\x1b[2J.jpg: Read error! No such file or directory\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args.back());
    const Result run = Dotcast(dir, row.args);
    EXPECT_EQ(run.code, row.code);
    EXPECT_EQ(run.out, row.out);
    EXPECT_EQ(run.err, row.err);
  }
  EXPECT_EQ(Le16(ReadAll(dir.File("-x.qdl")), 0), 102);
  EXPECT_FALSE(fs::exists(dir.path() / "victim.jpg"));
}

TEST_F(DotcastTest, LinksNoQt) {
  std::system(("ldd '" DOTCAST_BINARY "' > '" + dir.File("libs.txt") + "' 2>&1").c_str());
  const std::string libs = Slurp(dir.File("libs.txt"));
  // Static in release builds ("not a dynamic executable"), dynamic under the sanitizers.
  EXPECT_TRUE(Contains(libs, "libc.so") || Contains(libs, "not a dynamic executable")) << libs;
  EXPECT_FALSE(Contains(libs, "Qt")) << libs;
}

TEST_F(DotcastTest, OutputSizeFollowsThePictureOrTheOption) {
  MakeCard(dir.File("card.jpg"), "408x256");
  const struct {
    const char* input;
    const char* size;  // the card made for the row, or none
    std::vector<std::string> args;
    const char* output;
    int w, h;
  } rows[] = {
      // The picture's own size, shrunk to fit 320 x 240 with its ratio kept.
      {"big.jpg", "640x480", {}, "big.qdl", 320, 240},
      {"small.bmp", "100x50", {}, "small.qdl", 100, 50},
      {"card.jpg", nullptr, {"--size", "device", "-o", "device.qdl"}, "device.qdl", 102, 64},
      {"card.jpg", nullptr, {"--size", "full", "-o", "full.qdl"}, "full.qdl", 320, 240},
      {"card.jpg", nullptr, {"--size", "50x40", "-o", "custom.qdl"}, "custom.qdl", 50, 40},
      {"card.jpg", nullptr, {"--size", "device", "-o", "other.name"}, "other.name", 102, 64},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.output);
    if (row.size) MakeCard(dir.File(row.input), row.size);
    std::vector<std::string> args = {"convert", row.input};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const Result run = Dotcast(dir, args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, std::string(row.input) + " -> " + row.output + " (" + std::to_string(row.w) +
                           " x " + std::to_string(row.h) + ")\n");
    const auto qdl = ReadAll(dir.File(row.output));
    EXPECT_EQ(qdl.size(), static_cast<std::size_t>(QdlFileSize(row.w, row.h)));
    EXPECT_EQ(Le16(qdl, 0), row.w);
  }

  // The name picks the encoder (each has its own tests); the bitmap has the same dots.
  for (const char* name : {"d.BMP", "d.pbm"})
    ASSERT_EQ(Dotcast(dir, {"convert", "card.jpg", "--size", "device", "-o", name}).code, 0);
  EXPECT_EQ(ConvertQdlBmp(ReadAll(dir.File("d.BMP"))).value(), ReadAll(dir.File("device.qdl")));
  EXPECT_TRUE(Slurp(dir.File("d.pbm")).starts_with("P4\n102 64\n"));
}

TEST_F(DotcastTest, OutDirAndFormatNameTheOutputs) {
  MakeCard(dir.File("a.jpg"), "64x48");
  MakeCard(dir.File("b.bmp"), "32x16");
  fs::create_directory(dir.path() / "out");
  const Result run =
      Dotcast(dir, {"convert", "--out-dir", "out", "--format", "png", "a.jpg", "b.bmp"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(fs::exists(dir.path() / "out" / "a.png"));
  EXPECT_TRUE(fs::exists(dir.path() / "out" / "b.png"));
  EXPECT_FALSE(fs::exists(dir.path() / "a.qdl"));
  EXPECT_TRUE(Contains(run.out, "2 converted, 0 failed"));

  // Names beyond ASCII, one job, quiet: the outputs without a word; failures still speak.
  const std::string name = "caf\u00e9 \u2013 copie.jpg";
  fs::copy_file(dir.path() / "a.jpg",
                dir.path() / fs::path(std::u8string(name.begin(), name.end())));
  const Result quiet =
      Dotcast(dir, {"convert", "-q", "-j", "1", "--out-dir", "out", name, "missing.gif"});
  EXPECT_EQ(quiet.code, 1);
  EXPECT_TRUE(quiet.out.empty()) << quiet.out;
  EXPECT_TRUE(Contains(quiet.err, "missing.gif: Read error!")) << quiet.err;
  EXPECT_TRUE(
      fs::exists(dir.path() / "out" / fs::path(std::u8string(u8"caf\u00e9 \u2013 copie.qdl"))));
}

// The PNG output read back by ImageMagick and by netpbm holds the dots of the Quadrel output.
TEST_F(DotcastTest, PngOpensElsewhereWithTheQuadrelDots) {
  REQUIRE_TOOLS("pngtopnm", "{convert}");
  MakeCard(dir.File("card.jpg"), "408x256");
  const std::string magick = std::ifstream("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
  for (const std::vector<std::string>& size :
       {std::vector<std::string>{}, {"--size", "301x37", "--fit", "stretch"}}) {
    SCOPED_TRACE(size.empty() ? "picture size" : size[1]);
    for (const char* out : {"c.qdl", "c.png"}) {
      std::vector<std::string> args = {"convert", "--force", "card.jpg", "-o", out};
      args.insert(args.end(), size.begin(), size.end());
      ASSERT_EQ(Dotcast(dir, args).code, 0);
    }
    const Bytes expected = EncodePbm(QuadrelDots(ReadAll(dir.File("c.qdl"))).value());
    for (const std::string& tool : {std::string("pngtopnm"), magick + " - -depth 1 pbm:-"}) {
      Shell("cd '" + dir.path().string() + "' && " + tool + " < c.png > c.pbm 2>/dev/null");
      EXPECT_EQ(ReadAll(dir.File("c.pbm")), expected) << tool;
    }
  }
}

TEST_F(DotcastTest, ExistingOutputsAreKeptWithoutForce) {
  MakeCard(dir.File("card.jpg"), "64x48");
  WriteAll(dir.File("card.qdl"), {'k', 'e', 'e', 'p'});
  const Result refused = Dotcast(dir, {"convert", "card.jpg"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_TRUE(Contains(refused.err, "exists already")) << refused.err;
  EXPECT_EQ(ReadAll(dir.File("card.qdl")), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));

  const Result forced = Dotcast(dir, {"convert", "--force", "card.jpg"});
  EXPECT_EQ(forced.code, 0) << forced.err;
  EXPECT_EQ(ReadAll(dir.File("card.qdl")).size(), static_cast<std::size_t>(QdlFileSize(64, 48)));
  EXPECT_TRUE(NoStrayFiles(dir.path()));

  // Two inputs of one batch for one output, by its name or through a link to its folder:
  // the first is written, the second refused.
  fs::create_directory(dir.path() / "two");
  fs::create_directory_symlink("two", dir.path() / "twolink");
  MakeCard(dir.File("x.jpg"), "64x48");
  MakeCard(dir.File("two/x.jpg"), "64x48");
  MakeCard(dir.File("x.bmp"), "32x16");
  fs::copy_file(dir.path() / "x.bmp", dir.path() / "two" / "x.bmp");
  for (const auto& [first, second] :
       {std::pair{"x.jpg", "x.bmp"}, {"two/x.jpg", "twolink/x.bmp"}}) {
    const Result twice = Dotcast(dir, {"convert", first, second});
    EXPECT_EQ(twice.code, 1);
    const std::string output =
        std::string(second).replace(std::string(second).size() - 3, 3, "qdl");
    EXPECT_TRUE(
        Contains(twice.err, std::string(second) + ": same output " + output + " as " + first))
        << twice.err;
  }
  EXPECT_EQ(Le16(ReadAll(dir.File("x.qdl")), 0), 64);
  EXPECT_EQ(Le16(ReadAll(dir.File("two/x.qdl")), 0), 64);
}

TEST_F(DotcastTest, ABatchGoesOnPastBadFiles) {
  MakeCard(dir.File("one.jpg"), "640x480");
  MakeCard(dir.File("two.bmp"), "120x90");
  MakeGif(dir, dir.File("three.gif"), "90x60");
  auto jpeg = ReadAll(dir.File("one.jpg"));
  jpeg.resize(jpeg.size() / 3);
  WriteAll(dir.File("cut.jpg"), jpeg);
  WriteAll(dir.File("notes.txt"), {'h', 'i'});
  WriteAll(dir.File("fake.gif"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});

  const Result run = Dotcast(dir, {"convert", "one.jpg", "cut.jpg", "two.bmp", "notes.txt",
                                   "missing.jpg", "fake.gif", "three.gif"});
  EXPECT_EQ(run.code, 1);
  for (const char* good : {"one.qdl", "two.qdl", "three.qdl"}) {
    EXPECT_TRUE(fs::exists(dir.path() / good)) << good;
  }
  for (const char* bad : {"cut.qdl", "notes.qdl", "missing.qdl", "fake.qdl"}) {
    EXPECT_FALSE(fs::exists(dir.path() / bad)) << bad;
  }
  // One line per file in input order: the good ones on stdout, the reasons on stderr.
  EXPECT_EQ(run.out,
            "one.jpg -> one.qdl (320 x 240)\n"
            "two.bmp -> two.qdl (120 x 90)\n"
            "three.gif -> three.qdl (90 x 60)\n"
            "3 converted, 4 failed\n");
  const std::string cut_line = "dotcast: cut.jpg: truncated JPEG";
  ASSERT_TRUE(run.err.starts_with(cut_line)) << run.err;
  EXPECT_TRUE(
      run.err.ends_with("\ndotcast: notes.txt: This is not an image file.\n"
                        "dotcast: missing.jpg: Read error! No such file or directory\n"
                        "dotcast: fake.gif: not a picture Dotcaster reads\n"))
      << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 4) << run.err;
  EXPECT_TRUE(NoStrayFiles(dir.path()));
}

// On a terminal a batch of more than four files draws a progress bar on standard error and
// clears it again; lines and bar never share a line. `script` gives the program a terminal.
TEST_F(DotcastTest, ProgressBarOnATerminalOnly) {
  WriteGrey(dir.File("p0.bmp"), 9, 8, 8);
  std::vector<std::string> args = {"convert", "--size", "8x8", "p0.bmp"};
  std::string command = std::string(DOTCAST_BINARY) + " convert --size 8x8 p0.bmp";
  for (int i = 1; i < 6; ++i) {
    args.push_back("p0.bmp");
    args.back()[1] = static_cast<char>('0' + i);
    fs::copy_file(dir.path() / "p0.bmp", dir.path() / args.back());
    command += " " + args.back();
  }
  const std::string typescript = dir.File("typescript.txt");
  Shell("cd '" + dir.path().string() + "' && script -qec '" + command + " 2>&1' /dev/null > '" +
        typescript + "'");
  const std::string seen = Slurp(typescript);
  EXPECT_TRUE(Contains(seen, "] 6/6")) << seen;
  EXPECT_TRUE(Contains(seen, "p5.bmp -> p5.qdl (8 x 8)")) << seen;
  // The bar is cleared before each line and at the end: the summary stands on a clean line.
  EXPECT_TRUE(Contains(seen, "\033[K6 converted, 0 failed")) << seen;

  // Without a terminal: the same lines, no bar.
  args.push_back("--force");
  const Result piped = Dotcast(dir, args);
  EXPECT_EQ(piped.code, 0);
  EXPECT_FALSE(Contains(piped.err, "6/6"));
  EXPECT_TRUE(Contains(piped.out, "6 converted, 0 failed"));
}

// Failures name their cause and leave the old output, or none, and no stray file: a
// file-size limit (the program itself turns its signal into an error), a full disk, a
// read-only output (for an unprivileged user), a folder, a missing folder.
TEST_F(DotcastTest, AFailedWriteSaysWhyAndLeavesNothingBehind) {
  MakeCard(dir.File("card.jpg"), "640x480");
  WriteAll(dir.File("old.qdl"), kTinyQdl);
  WriteAll(dir.File("locked.qdl"), kTinyQdl);
  fs::permissions(dir.File("locked.qdl"), fs::perms::owner_read);
  fs::create_directory(dir.path() / "taken.qdl");
  const struct {
    const char* name;
    std::vector<std::string> args;
    const char* reason;
    int file_size_limit = 0;  // 320 x 240 is 9604 bytes, more than 8 blocks
    std::string prefix = "";
  } rows[] = {
      {"NewOutput",
       {"card.jpg", "-o", "new.qdl"},
       "new.qdl: cannot write the output file: File too large",
       8},
      {"OldOutput",
       {"--force", "card.jpg", "-o", "old.qdl"},
       "old.qdl: cannot write the output file: File too large",
       8},
      {"FullDisk",
       {"card.jpg", "-o", "/dev/full"},
       "/dev/full: cannot write the output file: No space left on device"},
      {"ReadOnly",
       {"--force", "card.jpg", "-o", "locked.qdl"},
       "locked.qdl: cannot replace the existing file: Permission denied",
       0,
       UnprivilegedPrefix()},
      {"Folder", {"--force", "card.jpg", "-o", "taken.qdl"}, "taken.qdl: is a folder"},
      {"NoFolder",
       {"card.jpg", "-o", "no/such/folder.qdl"},
       "no/such/folder.qdl: folder no/such does not exist"},
  };
  testing::HandToUnprivilegedUser(dir.path());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> args = {"convert"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const Result run = Dotcast(dir, args, row.file_size_limit, row.prefix);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "dotcast: card.jpg: " + std::string(row.reason) + "\n");
  }
  EXPECT_FALSE(fs::exists(dir.path() / "new.qdl"));
  EXPECT_EQ(ReadAll(dir.File("old.qdl")), kTinyQdl);
  EXPECT_EQ(ReadAll(dir.File("locked.qdl")), kTinyQdl);
  EXPECT_TRUE(NoStrayFiles(dir.path()));
}

// A batch killed at any moment leaves every output it named complete, never a short one
// that a second run would then refuse to replace.
TEST_F(DotcastTest, AKilledBatchLeavesOnlyCompleteOutputs) {
  std::string names;
  WriteGrey(dir.File("p.bmp"), 100);
  for (int i = 0; i < 60; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%d.bmp", i);
    fs::copy_file(dir.path() / "p.bmp", dir.path() / name);
    names.append(" ").append(name);
  }
  for (int delay_ms = 1; delay_ms <= 25; delay_ms += 3) {
    SCOPED_TRACE(delay_ms);
    Shell("cd '" + dir.path().string() + "' && { '" DOTCAST_BINARY "' convert -q -j 2" + names +
          " & sleep 0." + (delay_ms < 10 ? "00" : "0") + std::to_string(delay_ms) +
          "; kill -9 $! 2>/dev/null; wait; } >/dev/null 2>&1; true");
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      if (entry.path().extension() == ".qdl") {
        EXPECT_EQ(fs::file_size(entry.path()), std::size_t(QdlFileSize(40, 24))) << entry.path();
        fs::remove(entry.path());
      } else if (entry.path().extension() == ".tmp") {
        fs::remove(entry.path());  // the one thing a kill may leave: never under the output's name
      }
    }
  }
}

// Only regular files are read, and nothing waits on a FIFO's writer. A device or a FIFO as
// the output is written to, never replaced; so is standard output, also by the name "-".
TEST_F(DotcastTest, SpecialFilesAreWrittenToAndNeverReadOrReplaced) {
  MakeCard(dir.File("card.jpg"), "64x48");
  for (const char* fifo : {"fifo.jpg", "fifo.qdl"})
    Shell("mkfifo '" + dir.File(fifo) + "'");
  for (const char* command : {"convert", "info", "show"}) {
    for (const char* fifo : {"fifo.jpg", "fifo.qdl"}) {
      SCOPED_TRACE(std::string(command) + " " + fifo);
      const Result run = Dotcast(dir, {command, fifo}, 0, "timeout 20 ");
      EXPECT_EQ(run.code, 1);
      EXPECT_TRUE(Contains(run.out + run.err, "not a regular file")) << run.out << run.err;
    }
  }
  ASSERT_EQ(Dotcast(dir, {"convert", "card.jpg"}).code, 0);
  const std::string qdl = Slurp(dir.File("card.qdl"));
  const Result dash = Dotcast(dir, {"convert", "card.jpg", "-o", "-"});
  EXPECT_EQ(dash.code, 0) << dash.err;
  EXPECT_EQ(dash.out, qdl);
  // Standard output a pipe, named as a device and through a link.
  fs::create_symlink("/proc/self/fd/1", dir.path() / "stdout.qdl");
  for (const std::string output : {"/dev/stdout", "stdout.qdl"}) {
    Shell("cd '" + dir.path().string() + "' && '" DOTCAST_BINARY "' convert card.jpg -o " + output +
          " | cat > piped");
    EXPECT_EQ(Slurp(dir.File("piped")), qdl) << output;
  }
  EXPECT_TRUE(fs::is_symlink(dir.path() / "stdout.qdl"));
  const Result png = Dotcast(dir, {"convert", "card.jpg", "-o", "-", "--format", "png"});
  EXPECT_TRUE(png.out.starts_with("\x89PNG")) << png.err;
  EXPECT_EQ(Dotcast(dir, {"convert", "card.jpg", "-o", "/dev/null"}).code, 0);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(DotcastTest, QuadrelInputsAreCopiedThroughOrConverted) {
  // Trailing bytes are not part of the image; a short file reads white where it ends.
  std::vector<std::uint8_t> padded = kTinyQdl;
  padded.insert(padded.end(), {0xAA, 0xBB, 0xCC});
  WriteAll(dir.File("padded.qdl"), padded);
  const Result run = Dotcast(dir, {"convert", "padded.qdl", "-o", "copy.qdl"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "padded.qdl -> copy.qdl (2 x 10, dots copied)\n");
  EXPECT_EQ(ReadAll(dir.File("copy.qdl")), kTinyQdl);

  WriteAll(dir.File("short.qdl"), {0x02, 0x00, 0x0A, 0x00, 0x01});
  ASSERT_EQ(Dotcast(dir, {"convert", "short.qdl", "-o", "short-out.qdl"}).code, 0);
  EXPECT_EQ(ReadAll(dir.File("short-out.qdl")),
            (std::vector<std::uint8_t>{0x02, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x00}));

  // Converting in place needs --force, and then normalises the file.
  const Result in_place = Dotcast(dir, {"convert", "padded.qdl"});
  EXPECT_EQ(in_place.code, 1);
  EXPECT_EQ(in_place.err, "dotcast: padded.qdl: would replace itself (--force allows it)\n");
  ASSERT_EQ(Dotcast(dir, {"convert", "--force", "padded.qdl"}).code, 0);
  EXPECT_EQ(ReadAll(dir.File("padded.qdl")), kTinyQdl);

  // Another size converts through the engine: every dot of the stretched 2 x 10 image.
  const Result bigger = Dotcast(
      dir, {"convert", "padded.qdl", "--size", "4x20", "--fit", "stretch", "-o", "big.bmp"});
  ASSERT_EQ(bigger.code, 0) << bigger.err;
  EXPECT_EQ(bigger.out, "padded.qdl -> big.bmp (4 x 20)\n");
  const auto bmp = ReadAll(dir.File("big.bmp"));
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool black = (x < 2 && y < 2) || (x >= 2 && y >= 18);
      EXPECT_EQ(BmpBlack(bmp, x, y), black) << x << "," << y;
    }
  }
}

TEST_F(DotcastTest, ShowPrintsTheDots) {
  WriteAll(dir.File("tiny.qdl"), kTinyQdl);
  const Result run = Dotcast(dir, {"show", "tiny.qdl"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "\u2580 \n  \n  \n  \n \u2584\n");
  const Result inverted = Dotcast(dir, {"show", "--invert", "tiny.qdl"});
  EXPECT_EQ(inverted.out, "\u2584\u2588\n\u2588\u2588\n\u2588\u2588\n\u2588\u2588\n\u2588\u2580\n");

  // A picture is converted first, with the options given: 102 x 64 dots in 32 rows.
  MakeCard(dir.File("card.jpg"), "408x256");
  const Result card = Dotcast(dir, {"show", "card.jpg", "--size", "device"});
  ASSERT_EQ(card.code, 0);
  EXPECT_EQ(std::count(card.out.begin(), card.out.end(), '\n'), 32);
  const std::string row = card.out.substr(0, card.out.find('\n'));
  EXPECT_EQ(std::count_if(row.begin(), row.end(), [](char c) { return (c & 0xC0) != 0x80; }), 102)
      << row;  // characters, not the bytes of their UTF-8

  const Result missing = Dotcast(dir, {"show", "none.qdl"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(missing.out.empty());
}

// What info says of each kind, and that convert agrees: a file info measures converts, and
// one it refuses fails convert for the same reason.
TEST_F(DotcastTest, InfoDescribesEachKindAsConvertSeesIt) {
  MakeCard(dir.File("card.jpg"), "640x480");
  MakeCard(dir.File("card.bmp"), "40x30");
  MakeGif(dir, dir.File("card.gif"), "64x48");
  WriteAll(dir.File("tiny.qdl"), kTinyQdl);
  WriteAll(dir.File("short.qdl"), {0x66, 0x00, 0x40, 0x00, 0x00});
  ASSERT_EQ(Dotcast(dir, {"convert", "tiny.qdl", "-o", "mono.bmp"}).code, 0);
  fs::copy_file(dir.path() / "mono.bmp", dir.path() / "renamed.qdl");
  auto jpeg = ReadAll(dir.File("card.jpg"));
  jpeg.resize(jpeg.size() / 2);
  WriteAll(dir.File("cut.jpg"), jpeg);
  WriteAll(dir.File("scans.jpg"), hostile::EmptyScansJpeg(64, 64, 1, 501));

  struct Row {
    const char* file;
    std::vector<std::string> lines;
    const char* error = nullptr;  // what info and convert both say
  };
  const Row rows[] = {
      {"card.jpg",
       {"name: accepted (.JPG)", "type: JPEG", "size: 640 x 480", "bits per pixel: 24",
        "loads as: converted to 320 x 240"}},
      {"card.bmp", {"type: Windows bitmap", "size: 40 x 30", "bits per pixel: 24"}},
      {"card.gif", {"name: accepted (.GIF)", "type: GIF", "size: 64 x 48", "bits per pixel: 8"}},
      {"mono.bmp", {"size: 2 x 10", "bits per pixel: 1 (the window offers no method or level"}},
      {"tiny.qdl",
       {"type: Quadrel", "bands: 2 of 2 bytes", "length: matches the header (8 bytes)",
        "size: 2 x 10", "loads as: the dots themselves, no conversion"}},
      {"short.qdl", {"size: 102 x 64", "length: 815 bytes short of the 820"}},
      {"renamed.qdl", {"content: Windows bitmap"}, "not a picture Dotcaster reads"},
      {"cut.jpg", {"size: 640 x 480"}, "truncated JPEG"},
      {"scans.jpg", {"size: 64 x 64"}, "JPEG with more scans than Dotcaster reads"},
      {"notes.txt", {"name: refused: This is not an image file."}, "This is not an image file."},
  };
  WriteAll(dir.File("notes.txt"), {'h', 'i'});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    const Result run = Dotcast(dir, {"info", row.file});
    EXPECT_EQ(run.code, row.error ? 1 : 0) << run.out;
    EXPECT_TRUE(run.out.starts_with(std::string(row.file) + "\n"));
    for (const std::string& line : row.lines)
      EXPECT_TRUE(Contains(run.out, "  " + line)) << run.out;
    const Result convert = Dotcast(dir, {"convert", "--force", row.file, "-o", "c.qdl"});
    EXPECT_EQ(convert.code, run.code) << convert.err;
    if (row.error && std::string(row.error) != "This is not an image file.") {
      EXPECT_TRUE(Contains(run.out, "  error: " + std::string(row.error))) << run.out;
    }
    if (row.error) {
      EXPECT_EQ(convert.err, "dotcast: " + std::string(row.file) + ": " + row.error + "\n");
    }
  }
}

// Jobs wait for the memory their files need: eight pictures that each hold 96 MB while
// they decode stay under 256 MB together, however many run at once.
TEST_F(DotcastTest, ABatchStaysWithinItsMemoryBudget) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer keeps freed memory and shadows all of it";
#endif
  std::vector<std::string> args = {"convert", "-q", "-j", "8"};
  const auto picture = hostile::EmptyScansJpeg(4000, 4000, 3, 3);
  for (const char* name :
       {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg", "f.jpg", "g.jpg", "h.jpg"}) {
    args.push_back(name);
    WriteAll(dir.File(name), picture);
  }
  const Result run = Dotcast(dir, args, 0, "/usr/bin/time -f %M -o peak-kb ");
  EXPECT_EQ(run.code, 0) << run.err;
  const int peak_kb = std::stoi(Slurp(dir.File("peak-kb")));
  EXPECT_LT(peak_kb, 256 * 1024);
  EXPECT_GT(peak_kb, 96 * 1024) << "the pictures did not take their memory";
}

int BlackDots(const std::vector<std::uint8_t>& bmp) {
  int black = 0;
  for (int y = 0; y < Le16(bmp, 22); ++y) {
    for (int x = 0; x < Le16(bmp, 18); ++x)
      black += BmpBlack(bmp, x, y) ? 1 : 0;
  }
  return black;
}

// The options reach the engine (whose own tests cover what each method does): the level,
// each method by its name, the seed and the automatic level.
TEST_F(DotcastTest, LevelAndMethod) {
  WriteGrey(dir.File("grey.bmp"), 128);
  auto convert = [&](std::vector<std::string> extra) { return ConvertToBmp("grey.bmp", extra); };
  const int all = 40 * 24;
  EXPECT_EQ(BlackDots(convert({})), all);  // grey equal to the threshold is dark
  EXPECT_EQ(BlackDots(convert({"--level", "127"})), 0);

  const auto sharp = convert({"--method", "photo-sharp"});
  EXPECT_EQ(convert({"--method", "photo-sharp"}), sharp);  // each run starts the same
  EXPECT_NE(convert({"--method", "photo-sharp", "--seed", "7"}), sharp);
  EXPECT_EQ(convert({"--method", "photo-sharp", "--seed", "7"}),
            convert({"--seed", "7", "--method", "photo-sharp"}));
  // Below the grey, the wider dither of Soft reaches the grey more often: at level 100
  // about 1 dot in 16 is dark with Sharp (thresholds 68..131), 9 in 32 with Soft (36..163).
  const int sharp_100 = BlackDots(convert({"--method", "photo-sharp", "--level", "100"}));
  const int soft_100 = BlackDots(convert({"--method", "photo-soft", "--level", "100"}));
  EXPECT_TRUE(sharp_100 > 0 && sharp_100 < all / 8) << sharp_100;
  EXPECT_TRUE(soft_100 > all / 5 && soft_100 < all * 2 / 5) << soft_100;
  // The dithers draw no random numbers: grey 128 comes out half dark, whatever the seed.
  for (const char* method : {"diffusion", "atkinson", "ordered"}) {
    const auto dithered = convert({"--method", method});
    EXPECT_NEAR(BlackDots(dithered), all / 2, all / 64) << method;
    EXPECT_EQ(convert({"--method", method, "--seed", "7"}), dithered) << method;
  }

  // Greys 150 and 200 are both light at level 128; the automatic level splits them.
  WriteBmp24(dir.File("two.bmp"), 40, 24, [](int x, int) {
    return x < 10 ? Rgb{150, 150, 150} : Rgb{200, 200, 200};
  });
  EXPECT_EQ(BlackDots(ConvertToBmp("two.bmp", {})), 0);
  EXPECT_EQ(BlackDots(ConvertToBmp("two.bmp", {"--level", "auto"})), all / 4);
}

TEST_F(DotcastTest, FitAndCrop) {
  // 100 x 50, left half black, right half white.
  WriteBmp24(dir.File("half.bmp"), 100, 50, [](int x, int) {
    return x < 50 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  });
  auto convert = [&](std::vector<std::string> extra) { return ConvertToBmp("half.bmp", extra); };
  // Ratio kept: 102 x 51 placed in 102 x 64, 7 white rows on top and 6 at the bottom.
  // Stretched: no margin. No stretch: one pixel per dot, centred: 1 margin column left, 7
  // rows on top.
  const struct {
    const char* fit;
    std::vector<std::pair<int, int>> black, white;
  } rows[] = {
      {"keep-ratio", {{0, 7}, {0, 57}}, {{0, 6}, {0, 58}}},
      {"stretch", {{0, 0}, {0, 63}}, {{101, 0}}},
      {"none", {{1, 30}, {50, 30}, {1, 7}}, {{0, 30}, {51, 30}, {1, 6}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fit);
    const auto bmp = convert({"--size", "device", "--fit", row.fit});
    for (const auto& [x, y] : row.black)
      EXPECT_TRUE(BmpBlack(bmp, x, y)) << x << "," << y;
    for (const auto& [x, y] : row.white)
      EXPECT_FALSE(BmpBlack(bmp, x, y)) << x << "," << y;
  }

  EXPECT_EQ(BlackDots(convert({"--size", "20x20", "--fit", "stretch", "--crop", "0,0,50,50"})),
            400);
  EXPECT_EQ(BlackDots(convert({"--size", "20x20", "--fit", "stretch", "--crop", "50,10,50,40"})),
            0);
  const Result outside = Dotcast(dir, {"convert", "half.bmp", "--crop", "60,0,41,10"});
  EXPECT_EQ(outside.code, 1);
  EXPECT_TRUE(Contains(outside.err, "crop 60,0,41,10 lies outside the 100 x 50 picture"))
      << outside.err;
}

}  // namespace
}  // namespace dotcaster
