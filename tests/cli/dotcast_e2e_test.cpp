// dotcast end to end: the real program on real files, its exit codes, outputs and
// messages; and its dots against the engine the window uses.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "convert/geometry.h"
#include "convert/random.h"
#include "formats/quadrel.h"
#include "picture/convert_picture.h"
#include "picture/source_picture.h"
#include "state/app_state.h"
#include "temp_dir.h"

namespace dotcaster {
namespace {
namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempDir;
using testing::WriteAll;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs dotcast with args in the folder dir. file_size_limit > 0 caps the size of every
// file the program writes: a full disk (running as root, a test cannot lock itself out of
// a folder).
Result Dotcast(const TempDir& dir, std::vector<std::string> args, long file_size_limit = 0) {
  const fs::path out_path = dir.path() / ".stdout";
  const fs::path err_path = dir.path() / ".stderr";
  args.insert(args.begin(), DOTCAST_BINARY);
  std::vector<char*> argv;
  for (auto& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    if (file_size_limit > 0) {
      signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the program
      const rlimit limit{static_cast<rlim_t>(file_size_limit),
                         static_cast<rlim_t>(file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  Result run;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    run.code = WEXITSTATUS(status);
  }
  run.out = Slurp(out_path);
  run.err = Slurp(err_path);
  fs::remove(out_path);
  fs::remove(err_path);
  return run;
}

struct Rgb {
  std::uint8_t r, g, b;
};

// A 24-bit bitmap, bottom-up rows.
void WriteBmp24(const std::string& path, int w, int h, const std::function<Rgb(int, int)>& at) {
  const int row = (w * 3 + 3) & ~3;
  std::vector<std::uint8_t> out(54 + static_cast<std::size_t>(row) * h, 0);
  auto le = [&](std::size_t pos, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
      out[pos + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  le(2, static_cast<std::uint32_t>(out.size()), 4);
  le(10, 54, 4);
  le(14, 40, 4);
  le(18, static_cast<std::uint32_t>(w), 4);
  le(22, static_cast<std::uint32_t>(h), 4);
  le(26, 1, 2);
  le(28, 24, 2);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgb c = at(x, y);
      const std::size_t p = 54 + static_cast<std::size_t>(h - 1 - y) * row + x * 3;
      out[p] = c.b;
      out[p + 1] = c.g;
      out[p + 2] = c.r;
    }
  }
  WriteAll(path, out);
}

void Shell(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
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

int Width(const std::vector<std::uint8_t>& qdl) {
  return qdl.at(0) | qdl.at(1) << 8;
}
int Height(const std::vector<std::uint8_t>& qdl) {
  return qdl.at(2) | qdl.at(3) << 8;
}

// True when the dot (x, y) of a bitmap in the program's layout is black.
bool BmpBlack(const std::vector<std::uint8_t>& bmp, int x, int y) {
  const int w = bmp.at(18) | bmp.at(19) << 8;
  const int h = bmp.at(22) | bmp.at(23) << 8;
  return (bmp.at(kBmpHeaderSize + (h - 1 - y) * BmpRowSize(w) + x / 8) & (0x80 >> (x % 8))) == 0;
}

bool NoStrayFiles(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (Contains(entry.path().filename().string(), "tmp")) return false;
  }
  return true;
}

class DotcastTest : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(DotcastTest, HelpVersionAndUsageErrors) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--help"},
                                               {"convert", "--help"},
                                               {"show", "-h"},
                                               {"info", "--help"}}) {
    const Result run = Dotcast(dir, args);
    EXPECT_EQ(run.code, 0) << args[0];
    EXPECT_TRUE(Contains(run.out, "Usage: dotcast")) << run.out;
    EXPECT_TRUE(Contains(run.out, "0 all converted, 1 some files failed, 2 usage error"));
  }
  EXPECT_TRUE(Contains(Dotcast(dir, {"convert", "--help"}).out, "--crop X,Y,W,H"));
  EXPECT_TRUE(Contains(Dotcast(dir, {"show", "--help"}).out, "--invert"));

  const Result version = Dotcast(dir, {"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, std::string("dotcast (Dotcaster) ") + DOTCASTER_VERSION + "\n");

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{},
        {"paint", "a.jpg"},
        {"convert"},
        {"convert", "--level", "300", "a.jpg"},
        {"convert", "-o", "x.qdl", "a.jpg", "b.jpg"},
        {"convert", "--out-dir", "no-such-folder", "a.jpg"}}) {
    const Result run = Dotcast(dir, args);
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.out.empty());
    EXPECT_TRUE(Contains(run.err, "dotcast: ")) << run.err;
  }
}

TEST_F(DotcastTest, LinksNoQt) {
  FILE* pipe = popen((std::string("ldd '") + DOTCAST_BINARY + "' 2>&1").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string libs;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe))
    libs += buffer;
  pclose(pipe);
  // Static in release builds ("not a dynamic executable"), dynamic under the sanitizers.
  EXPECT_TRUE(Contains(libs, "libc.so") || Contains(libs, "not a dynamic executable")) << libs;
  EXPECT_FALSE(Contains(libs, "Qt")) << libs;
}

TEST_F(DotcastTest, DefaultOutputSizeAndPlaceFollowThePicture) {
  struct Row {
    const char* name;
    const char* size;
    int out_w, out_h;
  };
  // The picture's own size, shrunk to fit 320 x 240 with its ratio kept.
  const Row rows[] = {{"big.jpg", "640x480", 320, 240},
                      {"wide.jpg", "400x100", 320, 80},
                      {"small.bmp", "100x50", 100, 50},
                      {"thin.bmp", "321x10", 320, 10}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MakeCard(dir.File(row.name), row.size);
    const Result run = Dotcast(dir, {"convert", row.name});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::string out = fs::path(row.name).stem().string() + ".qdl";
    EXPECT_EQ(run.out, std::string(row.name) + " -> " + out + " (" + std::to_string(row.out_w) +
                           " x " + std::to_string(row.out_h) + ")\n");
    const auto qdl = ReadAll(dir.File(out));
    EXPECT_EQ(Width(qdl), row.out_w);
    EXPECT_EQ(Height(qdl), row.out_h);
    EXPECT_EQ(qdl.size(), static_cast<std::size_t>(QdlFileSize(row.out_w, row.out_h)));
  }
}

TEST_F(DotcastTest, SizeOptionsAndOutputFormats) {
  MakeCard(dir.File("card.jpg"), "408x256");
  struct Row {
    std::vector<std::string> args;
    const char* output;
    int w, h;
  };
  const Row rows[] = {
      {{"--size", "device", "-o", "device.qdl"}, "device.qdl", 102, 64},
      {{"--size", "full", "-o", "full.qdl"}, "full.qdl", 320, 240},
      {{"--size", "50x40", "-o", "custom.qdl"}, "custom.qdl", 50, 40},
      {{"--size", "device", "-o", "other.name"}, "other.name", 102, 64},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.output);
    std::vector<std::string> args = {"convert", "card.jpg"};
    args.insert(args.end(), row.args.begin(), row.args.end());
    const Result run = Dotcast(dir, args);
    ASSERT_EQ(run.code, 0) << run.err;
    const auto qdl = ReadAll(dir.File(row.output));
    EXPECT_EQ(Width(qdl), row.w);
    EXPECT_EQ(Height(qdl), row.h);
  }

  // The same dots in every format.
  ASSERT_EQ(Dotcast(dir, {"convert", "card.jpg", "--size", "device", "-o", "d.BMP"}).code, 0);
  ASSERT_EQ(Dotcast(dir, {"convert", "card.jpg", "--size", "device", "-o", "d.png"}).code, 0);
  ASSERT_EQ(Dotcast(dir, {"convert", "card.jpg", "--size", "device", "-o", "d.pbm"}).code, 0);
  const auto bmp = ReadAll(dir.File("d.BMP"));
  ASSERT_EQ(bmp.size(), 1086u);
  auto qdl = ConvertQdlBmp(bmp);
  ASSERT_TRUE(qdl.has_value());
  EXPECT_EQ(*qdl, ReadAll(dir.File("device.qdl")));
  Shell("cd '" + dir.path().string() + "' && pngtopnm d.png > from-png.pbm 2>/dev/null");
  EXPECT_EQ(ReadAll(dir.File("from-png.pbm")), ReadAll(dir.File("d.pbm")));
  const auto pbm = ReadAll(dir.File("d.pbm"));
  const std::string header = "P4\n102 64\n";
  ASSERT_EQ(pbm.size(), header.size() + 13 * 64);
  for (int y = 0; y < 64; y += 7) {
    for (int x = 0; x < 102; x += 5) {
      const bool pbm_black = pbm[header.size() + y * 13 + x / 8] & (0x80 >> (x % 8));
      EXPECT_EQ(pbm_black, BmpBlack(bmp, x, y)) << x << "," << y;
    }
  }
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
  std::istringstream lines(run.err);
  std::vector<std::string> err;
  for (std::string line; std::getline(lines, line);)
    err.push_back(line);
  ASSERT_EQ(err.size(), 4u) << run.err;
  EXPECT_TRUE(Contains(err[0], "cut.jpg: truncated JPEG")) << err[0];
  EXPECT_EQ(err[1], "dotcast: notes.txt: This is not an image file.");
  EXPECT_EQ(err[2], "dotcast: missing.jpg: Read error! No such file or directory");
  EXPECT_EQ(err[3], "dotcast: fake.gif: not a picture Dotcaster reads");
  EXPECT_TRUE(NoStrayFiles(dir.path()));
}

// On a terminal a batch of more than four files draws a progress bar on standard error and
// clears it again; lines and bar never share a line. `script` gives the program a terminal.
TEST_F(DotcastTest, ProgressBarOnATerminalOnly) {
  std::vector<std::string> args = {"convert", "--size", "8x8"};
  for (int i = 0; i < 6; ++i) {
    std::string name = "p";
    name += std::to_string(i);
    name += ".bmp";
    WriteBmp24(dir.File(name), 8, 8, [](int x, int) {
      return x < 4 ? Rgb{0, 0, 0} : Rgb{9, 9, 9};
    });
    args.push_back(name);
  }
  std::string command = std::string(DOTCAST_BINARY);
  for (const auto& a : args)
    command += " " + a;
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

TEST_F(DotcastTest, TwoInputsForOneOutputAreCaught) {
  MakeCard(dir.File("x.jpg"), "64x48");
  MakeCard(dir.File("x.bmp"), "32x16");
  const Result run = Dotcast(dir, {"convert", "x.jpg", "x.bmp"});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(Contains(run.err, "x.bmp: same output x.qdl as x.jpg")) << run.err;
  EXPECT_EQ(Width(ReadAll(dir.File("x.qdl"))), 64);
}

TEST_F(DotcastTest, AFailedWriteLeavesNothingBehind) {
  MakeCard(dir.File("card.jpg"), "640x480");
  // 320 x 240 is 9604 bytes: more than the file-size limit allows.
  const Result full = Dotcast(dir, {"convert", "card.jpg"}, 4096);
  EXPECT_EQ(full.code, 1);
  EXPECT_TRUE(Contains(full.err, "card.qdl: cannot write the output file")) << full.err;
  EXPECT_FALSE(fs::exists(dir.path() / "card.qdl"));
  EXPECT_TRUE(NoStrayFiles(dir.path()));

  // An old output survives a failed replacement.
  WriteAll(dir.File("card.qdl"), kTinyQdl);
  EXPECT_EQ(Dotcast(dir, {"convert", "--force", "card.jpg"}, 4096).code, 1);
  EXPECT_EQ(ReadAll(dir.File("card.qdl")), kTinyQdl);
  EXPECT_TRUE(NoStrayFiles(dir.path()));

  fs::create_directory(dir.path() / "taken.qdl");
  const Result folder = Dotcast(dir, {"convert", "--force", "card.jpg", "-o", "taken.qdl"});
  EXPECT_EQ(folder.code, 1);
  EXPECT_TRUE(Contains(folder.err, "is a folder")) << folder.err;

  const Result nowhere = Dotcast(dir, {"convert", "card.jpg", "-o", "no/such/folder.qdl"});
  EXPECT_EQ(nowhere.code, 1);
  EXPECT_TRUE(Contains(nowhere.err, "does not exist")) << nowhere.err;
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

  MakeCard(dir.File("card.jpg"), "408x256");
  const Result card = Dotcast(dir, {"show", "card.jpg", "--size", "device"});
  ASSERT_EQ(card.code, 0);
  std::istringstream rows(card.out);
  int count = 0;
  for (std::string row; std::getline(rows, row); ++count) {
    const auto cells = std::count_if(row.begin(), row.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;  // not a continuation byte
    });
    EXPECT_EQ(cells, 102) << "row " << count;
  }
  EXPECT_EQ(count, 32);

  const Result missing = Dotcast(dir, {"show", "none.qdl"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(missing.out.empty());
}

TEST_F(DotcastTest, InfoDescribesEachKind) {
  MakeCard(dir.File("card.jpg"), "640x480");
  MakeCard(dir.File("card.bmp"), "40x30");
  MakeGif(dir, dir.File("card.gif"), "64x48");
  WriteAll(dir.File("tiny.qdl"), kTinyQdl);
  WriteAll(dir.File("short.qdl"), {0x66, 0x00, 0x40, 0x00, 0x00});
  ASSERT_EQ(Dotcast(dir, {"convert", "tiny.qdl", "-o", "mono.bmp"}).code, 0);

  struct Row {
    const char* file;
    std::vector<std::string> lines;
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
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    const Result run = Dotcast(dir, {"info", row.file});
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_TRUE(run.out.starts_with(std::string(row.file) + "\n"));
    for (const std::string& line : row.lines)
      EXPECT_TRUE(Contains(run.out, "  " + line)) << run.out;
  }

  WriteAll(dir.File("notes.txt"), {'h', 'i'});
  auto jpeg = ReadAll(dir.File("card.jpg"));
  jpeg.resize(jpeg.size() / 2);
  WriteAll(dir.File("cut.jpg"), jpeg);
  const Result bad = Dotcast(dir, {"info", "notes.txt", "cut.jpg", "card.gif"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_TRUE(Contains(bad.out, "name: refused: This is not an image file.")) << bad.out;
  EXPECT_TRUE(Contains(bad.out, "error: truncated JPEG")) << bad.out;
  EXPECT_TRUE(Contains(bad.out, "card.gif\n  name: accepted")) << bad.out;
}

// A uniform grey picture: every dot compares the same grey with its threshold.
void WriteGrey(const std::string& path, std::uint8_t grey, int w = 40, int h = 24) {
  WriteBmp24(path, w, h, [grey](int, int) { return Rgb{grey, grey, grey}; });
}

int BlackDots(const std::vector<std::uint8_t>& bmp) {
  const int w = bmp.at(18) | bmp.at(19) << 8;
  const int h = bmp.at(22) | bmp.at(23) << 8;
  int black = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x)
      black += BmpBlack(bmp, x, y) ? 1 : 0;
  }
  return black;
}

TEST_F(DotcastTest, LevelAndMethod) {
  WriteGrey(dir.File("grey.bmp"), 128);
  auto convert = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"convert", "--force", "grey.bmp", "-o", "out.bmp"};
    args.insert(args.end(), extra.begin(), extra.end());
    const Result run = Dotcast(dir, args);
    EXPECT_EQ(run.code, 0) << run.err;
    return ReadAll(dir.File("out.bmp"));
  };
  const int all = 40 * 24;
  EXPECT_EQ(BlackDots(convert({})), all);  // grey equal to the threshold is dark
  EXPECT_EQ(BlackDots(convert({"--level", "127"})), 0);
  EXPECT_EQ(convert({"--level", "255"}), convert({"--level", "254"}));

  const auto sharp = convert({"--method", "photo-sharp"});
  const int sharp_black = BlackDots(sharp);
  EXPECT_GT(sharp_black, all / 4);
  EXPECT_LT(sharp_black, all * 3 / 4);
  EXPECT_EQ(convert({"--method", "photo-sharp"}), sharp);  // each run starts the same
  EXPECT_NE(convert({"--method", "photo-sharp", "--seed", "7"}), sharp);
  EXPECT_EQ(convert({"--method", "photo-sharp", "--seed", "7"}),
            convert({"--seed", "7", "--method", "photo-sharp"}));
  // Below the grey, the wider dither of Soft reaches the grey more often: at level 100
  // about 1 dot in 16 is dark with Sharp (thresholds 68..131), 9 in 32 with Soft (36..163).
  const int sharp_100 = BlackDots(convert({"--method", "photo-sharp", "--level", "100"}));
  const int soft_100 = BlackDots(convert({"--method", "photo-soft", "--level", "100"}));
  EXPECT_GT(sharp_100, 0);
  EXPECT_LT(sharp_100, all / 8);
  EXPECT_GT(soft_100, all / 5);
  EXPECT_LT(soft_100, all * 2 / 5);
  // Far beyond the dither's reach, both methods agree with a plain threshold.
  EXPECT_EQ(BlackDots(convert({"--method", "photo-soft", "--level", "0"})), 0);
}

TEST_F(DotcastTest, FitAndCrop) {
  // 100 x 50, left half black, right half white.
  WriteBmp24(dir.File("half.bmp"), 100, 50, [](int x, int) {
    return x < 50 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
  });
  auto convert = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"convert", "--force", "half.bmp", "-o", "out.bmp"};
    args.insert(args.end(), extra.begin(), extra.end());
    const Result run = Dotcast(dir, args);
    EXPECT_EQ(run.code, 0) << run.err;
    return ReadAll(dir.File("out.bmp"));
  };
  // Ratio kept: 102 x 51 placed in 102 x 64, 7 white rows on top and 6 at the bottom.
  const auto kept = convert({"--size", "device"});
  EXPECT_FALSE(BmpBlack(kept, 0, 6));
  EXPECT_TRUE(BmpBlack(kept, 0, 7));
  EXPECT_TRUE(BmpBlack(kept, 0, 57));
  EXPECT_FALSE(BmpBlack(kept, 0, 58));
  // Stretched: no margin.
  const auto stretched = convert({"--size", "device", "--fit", "stretch"});
  EXPECT_TRUE(BmpBlack(stretched, 0, 0));
  EXPECT_TRUE(BmpBlack(stretched, 0, 63));
  EXPECT_FALSE(BmpBlack(stretched, 101, 0));
  // No stretch: one pixel per dot, centred: 1 margin column left, 7 rows on top.
  const auto none = convert({"--size", "device", "--fit", "none"});
  EXPECT_FALSE(BmpBlack(none, 0, 30));
  EXPECT_TRUE(BmpBlack(none, 1, 30));
  EXPECT_TRUE(BmpBlack(none, 50, 30));
  EXPECT_FALSE(BmpBlack(none, 51, 30));
  EXPECT_FALSE(BmpBlack(none, 1, 6));
  EXPECT_TRUE(BmpBlack(none, 1, 7));

  EXPECT_EQ(BlackDots(convert({"--size", "20x20", "--fit", "stretch", "--crop", "0,0,50,50"})),
            400);
  EXPECT_EQ(BlackDots(convert({"--size", "20x20", "--fit", "stretch", "--crop", "50,10,50,40"})),
            0);
  const Result outside = Dotcast(dir, {"convert", "half.bmp", "--crop", "60,0,41,10"});
  EXPECT_EQ(outside.code, 1);
  EXPECT_TRUE(Contains(outside.err, "crop 60,0,41,10 lies outside the 100 x 50 picture"))
      << outside.err;
}

// The dots the window's engine gives for a picture just loaded, with the state the window
// has then: the output size of the load, stretch with the ratio kept, a fresh generator.
std::vector<std::uint8_t> WindowDots(const std::string& path, int level, int method,
                                     std::optional<convert::Size> size = std::nullopt) {
  auto picture = picture::SourcePicture::FromFile(path);
  EXPECT_TRUE(picture.has_value());
  EXPECT_TRUE(picture->DisplayImage().has_value());  // the window shows the source first
  AppState state;
  ResetPictureState(state);
  state.ImageLoaded = true;
  state.SrcWidth = static_cast<std::int16_t>(picture->width());
  state.SrcHeight = static_cast<std::int16_t>(picture->height());
  const convert::Size out =
      size.value_or(convert::FirstOutputSize(picture->width(), picture->height(), false));
  state.OutWidth = static_cast<std::int16_t>(out.width);
  state.OutHeight = static_cast<std::int16_t>(out.height);
  convert::DotRandom random;
  auto bmp = picture::ConvertSourcePicture(state, *picture, std::nullopt, level, method, random);
  EXPECT_TRUE(bmp.has_value());
  return bmp ? *bmp : std::vector<std::uint8_t>{};
}

TEST_F(DotcastTest, SameDotsAsTheWindowsEngine) {
  MakeCard(dir.File("card.jpg"), "1280x960");
  MakeCard(dir.File("card.bmp"), "300x200");
  MakeGif(dir, dir.File("card.gif"), "408x256");
  for (const char* file : {"card.jpg", "card.bmp", "card.gif"}) {
    SCOPED_TRACE(file);
    const Result plain = Dotcast(dir, {"convert", "--force", file, "-o", "plain.bmp"});
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(ReadAll(dir.File("plain.bmp")), WindowDots(dir.File(file), 128, 0));

    const Result photo = Dotcast(dir, {"convert", "--force", file, "--method", "photo-soft",
                                       "--level", "100", "--size", "device", "-o", "photo.bmp"});
    ASSERT_EQ(photo.code, 0) << photo.err;
    EXPECT_EQ(ReadAll(dir.File("photo.bmp")),
              WindowDots(dir.File(file), 100, 2, convert::Size{102, 64}));
  }
}

}  // namespace
}  // namespace dotcaster
