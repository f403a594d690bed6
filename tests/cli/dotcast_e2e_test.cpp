// dotcast end to end: the real program on real files, its exit codes, outputs and messages.
// Parsing, the engine and the encoders have their own tests; here each reaches the outputs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "formats/quadrel.h"
#include "hostile.h"
#include "temp_dir.h"
#include "tools.h"
#include "unprivileged.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testing::ReadAll;
using testing::WriteAll;

struct Result {
  int code = -1;
  std::string out, err;
};

std::string Slurp(const fs::path& path) {
  const auto bytes = ReadAll(path.string());
  return {bytes.begin(), bytes.end()};
}

// The 2 x 10 Quadrel image whose only black dots are (0, 0) and (1, 9).
const std::vector<std::uint8_t> kTinyQdl = {0x02, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00, 0x02};

// The black dots of a PBM image (its padding bits are white).
int BlackDots(const std::string& pbm) {
  int black = 0;
  for (const char c : pbm.substr(pbm.find('\n', 3) + 1))
    black += std::popcount(static_cast<unsigned char>(c));
  return black;
}

class DotcastTest : public ::testing::Test {
 protected:
  void InDir(const std::string& command) {
    const std::string line = "cd '" + dir.path().string() + "' && " + command;
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
  }

  // Runs dotcast in the test's folder, `prefix` before it (a file-size limit, a user, a timer).
  Result Dotcast(const std::vector<std::string>& args, const std::string& prefix = "") {
    std::string command = "cd '" + dir.path().string() + "' && " + prefix + "'" DOTCAST_BINARY "'";
    for (const auto& a : args)
      command += " '" + a + "'";
    const int status = std::system((command + " > .stdout 2> .stderr").c_str());
    return {WEXITSTATUS(status), Slurp(dir.path() / ".stdout"), Slurp(dir.path() / ".stderr")};
  }

  // Converts the input (the first argument) with the options after it; the output file.
  std::string Convert(std::vector<std::string> args, const std::string& output = "out.pbm") {
    args.insert(args.begin(), {"convert", "--force", "-o", output});
    const Result run = Dotcast(args);
    EXPECT_EQ(run.code, 0) << run.err;
    return Slurp(dir.File(output));
  }

  // The project's test card at the given size, as JPEG, BMP, PPM or GIF by the name.
  void MakeCard(const std::string& name, const std::string& size) {
    if (!name.ends_with(".gif")) return InDir(MAKE_TESTCARD " '" + name + "' " + size);
    MakeCard("gif.ppm", size);
    InDir("pnmquant 256 gif.ppm 2>/dev/null | pamtogif > '" + name + "' 2>/dev/null");
  }

  // A 24-bit bitmap of what the netpbm command writes, run in the test's folder.
  void MakeBmp(const std::string& name, const std::string& netpbm) {
    InDir(netpbm + " | ppmtobmp -bpp 24 > '" + name + "' 2>/dev/null");
  }

  testing::TempDir dir;
};

TEST_F(DotcastTest, HelpVersionAndUsageErrors) {
  // The part of standard output, or of standard error for a usage error.
  const std::tuple<std::vector<std::string>, int, const char*> rows[] = {
      {{"--help"}, 0, "0 all converted, 1 some files failed, 2 usage error"},
      {{"show", "-h"}, 0, "--invert"},
      {{"--version"}, 0, "dotcast (Dotcaster) " DOTCASTER_VERSION "\n"},
      {{"convert", "--out-dir", "none", "a.jpg"}, 2, "output folder none does not exist"},
      {{"convert", "--levle=9", "a.jpg"}, 2, "'--levle=9'; did you mean --level?\n"},
  };
  for (const auto& [args, code, part] : rows) {
    const Result run = Dotcast(args);
    EXPECT_EQ(run.code, code);
    EXPECT_THAT(code ? run.err : run.out, HasSubstr(part));
    EXPECT_TRUE((code ? run.out : run.err).empty());
  }
}

// The usual forms of a modern command line, and "--" before names that look like options.
TEST_F(DotcastTest, OptionFormsReachTheProgram) {
  for (const char* name : {"-x.jpg", "-ovictim.jpg"})
    MakeCard(name, "64x48");
  Result run = Dotcast({"convert", "--size=device", "-qfj1", "--", "-x.jpg"});
  EXPECT_EQ(std::tie(run.code, run.out, run.err), std::tuple(0, "", ""));
  EXPECT_EQ(Le16(ReadAll(dir.File("-x.qdl")), 0), 102);
  run = Dotcast({"convert", "-q", "--", "-ovictim.jpg"});
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(fs::exists(dir.path() / "-ovictim.qdl"));
  EXPECT_FALSE(fs::exists(dir.path() / "victim.jpg"));
}

TEST_F(DotcastTest, LinksNoQt) {
  std::system(("ldd '" DOTCAST_BINARY "' > '" + dir.File("libs.txt") + "' 2>&1").c_str());
  const std::string libs = Slurp(dir.File("libs.txt"));
  // Static in release builds ("not a dynamic executable"), dynamic under the sanitizers.
  EXPECT_THAT(libs, ::testing::AnyOf(HasSubstr("libc.so"), HasSubstr("not a dynamic executable")));
  EXPECT_THAT(libs, ::testing::Not(HasSubstr("Qt")));
}

// Names beyond ASCII, one job, quiet: the outputs without a word; failures still speak.
TEST_F(DotcastTest, OutDirAndFormatNameTheOutputs) {
  const std::u8string name = u8"caf\u00e9 \u2013 copie";
  MakeCard("a.jpg", "64x48");
  fs::copy_file(dir.path() / "a.jpg", dir.path() / (name + u8".jpg"));
  fs::create_directory(dir.path() / "out");
  const Result run = Dotcast({"convert", "-q", "-j", "1", "--out-dir", "out", "--format", "png",
                              "a.jpg", std::string(name.begin(), name.end()) + ".jpg", "none.gif"});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_EQ(run.err, "dotcast: none.gif: Read error! No such file or directory\n");
  EXPECT_TRUE(fs::exists(dir.path() / "out" / "a.png") &&
              fs::exists(dir.path() / "out" / (name + u8".png")));
  EXPECT_FALSE(fs::exists(dir.path() / "a.qdl"));
}

// A PNG output reads back in netpbm and ImageMagick with the dots of the PBM output; an odd
// width shows any error in the row padding.
TEST_F(DotcastTest, PngOpensElsewhereWithTheQuadrelDots) {
  REQUIRE_TOOLS("pngtopnm", "{convert}");
  MakeCard("card.jpg", "301x37");
  const std::string pbm = Convert({"card.jpg"});
  Convert({"card.jpg"}, "c.png");
  for (const char* tool : {"pngtopnm c.png", "convert c.png -depth 1 pbm:-"}) {
    InDir(std::string(tool) + " > c.pbm");
    EXPECT_EQ(Slurp(dir.File("c.pbm")), pbm) << tool;
  }
}

TEST_F(DotcastTest, ExistingOutputsAreKeptWithoutForce) {
  MakeCard("card.jpg", "64x48");
  WriteAll(dir.File("card.qdl"), kTinyQdl);
  const Result refused = Dotcast({"convert", "card.jpg"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "dotcast: card.jpg: card.qdl: exists already (--force replaces it)\n");
  EXPECT_EQ(ReadAll(dir.File("card.qdl")), kTinyQdl);

  EXPECT_EQ(Dotcast({"convert", "--force", "card.jpg"}).code, 0);
  EXPECT_EQ(Le16(ReadAll(dir.File("card.qdl")), 0), 64);
  InDir("! ls | grep tmp");  // no temporary file left behind

  // Two inputs of one batch for one output, here through a link to its folder: the first is
  // written, the second refused.
  fs::create_directory(dir.path() / "two");
  fs::create_directory_symlink("two", dir.path() / "link");
  MakeCard("two/x.jpg", "64x48");
  MakeCard("two/x.bmp", "32x16");
  const Result twice = Dotcast({"convert", "two/x.jpg", "link/x.bmp"});
  EXPECT_EQ(twice.code, 1);
  EXPECT_EQ(twice.err, "dotcast: link/x.bmp: same output link/x.qdl as two/x.jpg\n");
  EXPECT_EQ(Le16(ReadAll(dir.File("two/x.qdl")), 0), 64);
}

// One line per file in input order, the good ones on standard output and the reasons on
// standard error, names with control characters escaped; no output for a failed file.
TEST_F(DotcastTest, ABatchGoesOnPastBadFiles) {
  MakeCard("one.jpg", "640x480");
  MakeCard("two\nlines.bmp", "120x90");
  MakeCard("three.gif", "90x60");
  InDir("head -c 20000 one.jpg > cut.jpg");
  WriteAll(dir.File("notes.txt"), {'h', 'i'});
  WriteAll(dir.File("fake.gif"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'});

  const Result run = Dotcast({"convert", "one.jpg", "cut.jpg", "two\nlines.bmp", "notes.txt",
                              "gone\x1b[2J.jpg", "fake.gif", "three.gif"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out,
            "one.jpg -> one.qdl (320 x 240)\n"
            "two\\nlines.bmp -> two\\nlines.qdl (120 x 90)\n"
            "three.gif -> three.qdl (90 x 60)\n"
            "3 converted, 4 failed\n");
  EXPECT_EQ(run.err,
            "dotcast: cut.jpg: truncated JPEG\n"
            "dotcast: notes.txt: This is not an image file.\n"
            "dotcast: gone\\x1b[2J.jpg: Read error! No such file or directory\n"
            "dotcast: fake.gif: not a picture Dotcaster reads\n");
  for (const char* bad : {"cut.qdl", "notes.qdl", "fake.qdl"})
    EXPECT_FALSE(fs::exists(dir.path() / bad)) << bad;
  EXPECT_TRUE(fs::exists(dir.path() / "two\nlines.qdl"));
  InDir("! ls | grep tmp");  // no temporary file left behind
}

// On a terminal (`script` gives one) a batch of more than four files draws a progress bar on
// standard error and clears it again; lines and bar never share a line.
TEST_F(DotcastTest, ProgressBarOnATerminalOnly) {
  MakeBmp("p0.bmp", "ppmmake black 8 8");
  InDir("for i in 1 2 3 4 5; do cp p0.bmp p$i.bmp; done");
  InDir("script -qec '" DOTCAST_BINARY " convert p?.bmp 2>&1' /dev/null > typescript.txt");
  const std::string seen = Slurp(dir.File("typescript.txt"));
  EXPECT_THAT(seen, HasSubstr("] 6/6"));
  EXPECT_THAT(seen, HasSubstr("p5.bmp -> p5.qdl (8 x 8)"));
  EXPECT_THAT(seen, HasSubstr("\033[K6 converted, 0 failed"));
}

// Failures name their cause and leave the old output, or none, and no stray file; the program
// turns a file-size limit's signal into an error.
TEST_F(DotcastTest, AFailedWriteSaysWhyAndLeavesNothingBehind) {
  MakeCard("card.jpg", "640x480");
  WriteAll(dir.File("old.qdl"), kTinyQdl);
  WriteAll(dir.File("locked.qdl"), kTinyQdl);
  fs::permissions(dir.File("locked.qdl"), fs::perms::owner_read);
  fs::create_directory(dir.path() / "taken.qdl");
  const struct {
    const char* output;
    const char* reason;
    std::string prefix = "";
  } rows[] = {
      // 320 x 240 dots take 9604 bytes, more than 8 blocks of 512
      {"new.qdl", "cannot write the output file: File too large", "ulimit -f 8 && "},
      {"old.qdl", "cannot write the output file: File too large", "ulimit -f 8 && "},
      {"/dev/full", "cannot write the output file: No space left on device"},
      {"locked.qdl", "cannot replace the existing file: Permission denied",
       testing::UnprivilegedPrefix()},
      {"taken.qdl", "is a folder"},
      {"no/such/folder.qdl", "folder no/such does not exist"},
  };
  testing::HandToUnprivilegedUser(dir.path());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.output);
    const Result run = Dotcast({"convert", "--force", "card.jpg", "-o", row.output}, row.prefix);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, "dotcast: card.jpg: " + std::string(row.output) + ": " + row.reason + "\n");
  }
  EXPECT_FALSE(fs::exists(dir.path() / "new.qdl"));
  EXPECT_EQ(ReadAll(dir.File("old.qdl")), kTinyQdl);
  EXPECT_EQ(ReadAll(dir.File("locked.qdl")), kTinyQdl);
  InDir("! ls | grep tmp");  // no temporary file left behind
}

// A batch killed at any moment leaves every output it named complete, never a short one
// that a second run would then refuse to replace.
TEST_F(DotcastTest, AKilledBatchLeavesOnlyCompleteOutputs) {
  MakeBmp("p.bmp", "ppmmake rgb:64/64/64 40 24");
  InDir("for i in $(seq 60); do cp p.bmp p$i.bmp; done");
  for (int delay_ms = 1; delay_ms <= 25; delay_ms += 3) {
    SCOPED_TRACE(delay_ms);
    InDir("{ '" DOTCAST_BINARY "' convert -q -j 2 p?*.bmp & sleep " +
          std::to_string(delay_ms / 1000.0) + "; kill -9 $!; wait; } >/dev/null 2>&1; true");
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      EXPECT_TRUE(entry.path().extension() != ".qdl" ||
                  fs::file_size(entry.path()) == std::size_t(QdlFileSize(40, 24)))
          << entry.path();
    }
    InDir("rm -f *.qdl *.tmp");  // a temporary file is the one thing a kill may leave
  }
}

// Only regular files are read, and nothing waits on a FIFO's writer. A device or a FIFO as
// the output is written to, never replaced; so is standard output, also by the name "-".
TEST_F(DotcastTest, SpecialFilesAreWrittenToAndNeverReadOrReplaced) {
  MakeCard("card.jpg", "64x48");
  InDir("mkfifo fifo.jpg fifo.qdl");
  for (const char* command : {"convert", "info", "show"}) {
    for (const char* fifo : {"fifo.jpg", "fifo.qdl"}) {
      SCOPED_TRACE(std::string(command) + " " + fifo);
      const Result run = Dotcast({command, fifo}, "timeout 20 ");
      EXPECT_EQ(run.code, 1);
      EXPECT_THAT(run.out + run.err, HasSubstr("not a regular file"));
    }
  }
  const std::string qdl = Convert({"card.jpg"}, "card.qdl");
  EXPECT_EQ(Dotcast({"convert", "card.jpg", "-o", "-"}).out, qdl);
  // Standard output a pipe, named as a device and through a link.
  fs::create_symlink("/proc/self/fd/1", dir.path() / "stdout.qdl");
  for (const std::string output : {"/dev/stdout", "stdout.qdl"}) {
    InDir("'" DOTCAST_BINARY "' convert card.jpg -o " + output + " | cat > piped");
    EXPECT_EQ(Slurp(dir.File("piped")), qdl) << output;
  }
  EXPECT_TRUE(fs::is_symlink(dir.path() / "stdout.qdl"));
  const Result png = Dotcast({"convert", "card.jpg", "-o", "-", "--format", "png"});
  EXPECT_TRUE(png.out.starts_with("\x89PNG")) << png.err;
}

// A Quadrel file of the size asked for has its dots copied (trailing bytes dropped); another
// size converts them through the engine.
TEST_F(DotcastTest, QuadrelInputsAreCopiedThroughOrConverted) {
  std::vector<std::uint8_t> padded = kTinyQdl;
  padded.insert(padded.end(), {0xAA, 0xBB, 0xCC});
  WriteAll(dir.File("padded.qdl"), padded);
  const Result run = Dotcast({"convert", "padded.qdl", "-o", "copy.qdl"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "padded.qdl -> copy.qdl (2 x 10, dots copied)\n");
  EXPECT_EQ(ReadAll(dir.File("copy.qdl")), kTinyQdl);

  const Result in_place = Dotcast({"convert", "padded.qdl"});
  EXPECT_EQ(in_place.code, 1);
  EXPECT_EQ(in_place.err, "dotcast: padded.qdl: would replace itself (--force allows it)\n");
  ASSERT_EQ(Dotcast({"convert", "--force", "padded.qdl"}).code, 0);
  EXPECT_EQ(ReadAll(dir.File("padded.qdl")), kTinyQdl);

  // Each dot stretched to 2 x 2.
  EXPECT_EQ(Convert({"padded.qdl", "--size", "4x20", "--fit", "stretch"}),
            "P4\n4 20\n\xC0\xC0" + std::string(16, '\0') + "\x30\x30");
}

// Two dot rows to a line of half blocks, the ink the black dots or, inverted, the white
// ones; a picture is converted first, with the options given.
TEST_F(DotcastTest, ShowPrintsTheDots) {
  WriteAll(dir.File("tiny.qdl"), kTinyQdl);
  MakeBmp("black.bmp", "ppmmake black 8 8");
  EXPECT_EQ(Dotcast({"show", "tiny.qdl"}).out, "\u2580 \n  \n  \n  \n \u2584\n");
  // The odd last row in the upper halves; inverted, nothing in the lower ones.
  EXPECT_EQ(Dotcast({"show", "black.bmp", "--size", "2x3", "--fit", "stretch"}).out,
            "\u2588\u2588\n\u2580\u2580\n");
  EXPECT_EQ(Dotcast({"show", "black.bmp", "--size", "2x3", "--fit", "stretch", "--invert"}).out,
            "  \n  \n");
}

// What info says of each kind; a file it refuses fails the command.
TEST_F(DotcastTest, InfoDescribesEachKindAsConvertSeesIt) {
  MakeCard("card.jpg", "640x480");
  MakeCard("card.gif", "64x48");
  WriteAll(dir.File("tiny.qdl"), kTinyQdl);
  WriteAll(dir.File("short.qdl"), {0x66, 0x00, 0x40, 0x00, 0x00});
  ASSERT_EQ(Dotcast({"convert", "tiny.qdl", "-o", "mono.bmp"}).code, 0);
  fs::copy_file(dir.path() / "mono.bmp", dir.path() / "renamed.qdl");
  InDir("head -c 20000 card.jpg > cut.jpg");
  WriteAll(dir.File("notes.txt"), {'h', 'i'});
  WriteAll(dir.File("scans.jpg"), hostile::EmptyScansJpeg(64, 64, 1, 501));
  // A camera's colour profile before the frame: an APP2 segment of 40,000 bytes.
  std::vector<std::uint8_t> profile = ReadAll(dir.File("card.jpg"));
  profile.insert(profile.begin() + 2, {0xFF, 0xE2, 0x9C, 0x40});
  profile.insert(profile.begin() + 6, 39998, 0xC0);
  WriteAll(dir.File("profile.jpg"), profile);

  const struct {
    const char* file;
    std::vector<std::string> lines;
    bool ok = true;
  } rows[] = {
      {"card.jpg",
       {"name: accepted (.JPG)", "type: JPEG", "size: 640 x 480", "bits per pixel: 24",
        "loads as: converted to 320 x 240"}},
      {"card.gif", {"name: accepted (.GIF)", "type: GIF", "size: 64 x 48", "bits per pixel: 8"}},
      {"mono.bmp",
       {"type: Windows bitmap", "size: 2 x 10",
        "bits per pixel: 1 (the window offers no method or level"}},
      {"tiny.qdl",
       {"type: Quadrel", "bands: 2 of 2 bytes", "length: matches the header (8 bytes)",
        "size: 2 x 10", "loads as: the dots themselves, no conversion"}},
      {"short.qdl", {"size: 102 x 64", "length: 815 bytes short of the 820"}},
      {"renamed.qdl", {"content: Windows bitmap", "error: not a picture Dotcaster reads"}, false},
      {"cut.jpg", {"size: 640 x 480", "error: truncated JPEG"}, false},
      {"notes.txt", {"name: refused: This is not an image file."}, false},
      {"profile.jpg", {"size: 640 x 480", "loads as: converted to 320 x 240"}},
      {"scans.jpg", {"size: 64 x 64", "error: JPEG with more scans than Dotcaster reads"}, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    const Result run = Dotcast({"info", row.file});
    EXPECT_EQ(run.code, row.ok ? 0 : 1) << run.out;
    EXPECT_TRUE(run.out.starts_with(std::string(row.file) + "\n"));
    for (const std::string& line : row.lines)
      EXPECT_THAT(run.out, HasSubstr("  " + line));
    EXPECT_EQ(Dotcast({"convert", "-f", row.file, "-o", "c.qdl"}).code, run.code);
  }
}

// Jobs wait for the memory their files need: eight pictures that each hold 96 MB while
// they decode stay under 256 MB together, however many run at once.
TEST_F(DotcastTest, ABatchStaysWithinItsMemoryBudget) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the address sanitizer keeps freed memory and shadows all of it";
#endif
  WriteAll(dir.File("a.jpg"), hostile::EmptyScansJpeg(4000, 4000, 3, 3));
  InDir("for f in b c d e f g h; do cp a.jpg $f.jpg; done");
  const Result run = Dotcast({"convert", "-q", "-j", "8", "a.jpg", "b.jpg", "c.jpg", "d.jpg",
                              "e.jpg", "f.jpg", "g.jpg", "h.jpg"},
                             "/usr/bin/time -f %M -o peak-kb ");
  EXPECT_EQ(run.code, 0) << run.err;
  const int peak_kb = std::stoi(Slurp(dir.File("peak-kb")));
  EXPECT_LT(peak_kb, 256 * 1024);
  EXPECT_GT(peak_kb, 96 * 1024) << "the pictures did not take their memory";
}

// Size, level, method, seed, fit and crop reach the engine, whose own tests say what each does.
// Greys 150 and 200 are both light at level 128 and the automatic level splits them; half.bmp
// is 100 x 50, its left half black.
TEST_F(DotcastTest, EngineOptionsReachTheDots) {
  MakeBmp("grey.bmp", "ppmmake rgb:80/80/80 40 24");
  MakeBmp("two.bmp",
          "ppmmake rgb:96/96/96 10 24 > l.ppm && ppmmake rgb:c8/c8/c8 30 24 | pnmcat -lr l.ppm -");
  MakeBmp("half.bmp", "ppmmake black 50 50 | pnmpad -white -right 50");
  const std::pair<std::vector<std::string>, int> rows[] = {
      {{"grey.bmp"}, 40 * 24},  // grey 128 is dark at the level 128
      {{"grey.bmp", "--level", "127"}, 0},
      {{"two.bmp", "--level", "auto"}, 10 * 24},
      {{"half.bmp", "--size", "device", "--fit", "keep-ratio"}, 51 * 51},  // 102 x 51
      {{"half.bmp", "--size", "device", "--fit", "stretch"}, 51 * 64},
      {{"half.bmp", "--size", "device", "--fit", "none"}, 50 * 50},
      {{"half.bmp", "--size", "full"}, 160 * 160},  // 320 x 160
      {{"half.bmp", "--size", "20x20", "--fit", "stretch", "--crop", "0,0,50,50"}, 400},
      {{"half.bmp", "--size", "20x20", "--fit", "stretch", "--crop", "50,10,50,40"}, 0},
  };
  for (const auto& [args, black] : rows)
    EXPECT_EQ(BlackDots(Convert(args)), black) << ::testing::PrintToString(args);
  EXPECT_NE(Convert({"grey.bmp", "--method", "photo-sharp", "--seed", "7"}),
            Convert({"grey.bmp", "--method", "photo-sharp"}));
  const Result outside = Dotcast({"convert", "half.bmp", "--crop", "60,0,41,10"});
  EXPECT_EQ(outside.code, 1);
  EXPECT_EQ(outside.err, "dotcast: half.bmp: crop 60,0,41,10 lies outside the 100 x 50 picture\n");
}

}  // namespace
}  // namespace dotcaster
