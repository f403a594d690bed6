// Writes a corpus of hostile pictures into a folder: the crafted cases and mutants of them
// and of the seed files given (scripts/test passes the fuzz seeds and a test card).
//
//   make_hostile FOLDER COUNT [SEED...]      COUNT mutants; the same arguments, the same files

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "hostile.h"

namespace fs = std::filesystem;
using dotcaster::hostile::Case;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: make_hostile FOLDER COUNT [SEED...]\n", stderr);
    return 2;
  }
  const fs::path folder = argv[1];
  const int count = std::atoi(argv[2]);
  fs::create_directories(folder);

  std::vector<Case> cases = dotcaster::hostile::CraftedCases();
  // Mutants come from the small files: the crafted ones without a long tail, and the seeds.
  std::vector<Case> seeds;
  for (const Case& c : cases) {
    if (c.length == 0 && c.bytes.size() < (1u << 16)) seeds.push_back(c);
  }
  for (int i = 3; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    dotcaster::hostile::Bytes bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    std::string name = fs::path(argv[i]).filename().string();
    // Fuzz seeds have no extension: the folder names the kind.
    if (fs::path(name).extension().empty()) {
      const std::string parent = fs::path(argv[i]).parent_path().filename().string();
      name += parent.find("gif") != std::string::npos    ? ".gif"
              : parent.find("bmp") != std::string::npos  ? ".bmp"
              : parent.find("jpeg") != std::string::npos ? ".jpg"
                                                         : ".qdl";
    }
    seeds.push_back({name, std::move(bytes), 0});
  }
  for (Case& m : dotcaster::hostile::Mutants(seeds, count, 20240611u))
    cases.push_back(std::move(m));

  for (const Case& c : cases) {
    const fs::path path = folder / c.name;
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(c.bytes.data()),
                static_cast<std::streamsize>(c.bytes.size()));
      if (!out) {
        std::fprintf(stderr, "make_hostile: cannot write %s\n", path.string().c_str());
        return 1;
      }
    }
    if (c.length > c.bytes.size()) fs::resize_file(path, c.length);
  }
  std::printf("%zu files in %s\n", cases.size(), folder.string().c_str());
  return 0;
}
