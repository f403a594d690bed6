// Decodes one picture file and converts it once to the device's 102 x 64, for measuring
// peak memory from outside:  /usr/bin/time -v first_conversion photo.jpg
// With no argument it makes the 4000 x 3000 test photo first (needs cjpeg).

#include <cstdio>
#include <filesystem>
#include <string>

#include "photo.h"
#include "picture/convert_picture.h"

int main(int argc, char** argv) {
  using namespace dotcaster;
  std::string path;
  if (argc > 1) {
    path = argv[1];
  } else {
    path = (std::filesystem::temp_directory_path() / "dotcaster_bench_4000x3000.jpg").string();
    if (!std::filesystem::exists(path) && !bench::WritePhotoJpeg(path, 4000, 3000)) {
      std::fprintf(stderr, "cannot make the test photo\n");
      return 2;
    }
  }
  auto pic = picture::SourcePicture::FromFile(path, kDefaultLimits);
  if (!pic) {
    std::fprintf(stderr, "%s\n", ErrorText(pic.error()).c_str());
    return 1;
  }
  convert::DotRandom random;
  auto result = picture::ConvertSourcePicture(*pic, {102, 64, true, true, {}, 0, 128}, random);
  if (!result) return 1;
  std::printf("%d x %d -> 102 x 64, %zu bytes\n", pic->width(), pic->height(),
              EncodeBmp(result->dots).size());
  return 0;
}
