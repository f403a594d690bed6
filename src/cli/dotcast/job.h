#pragma once

// One file through dotcast: converted as the window converts it when it loads the file, or
// described as the window sees it. Each call owns its picture and random generator, so
// files convert in parallel threads and a file's result does not depend on the others.

#include <string>
#include <vector>

#include "cli/dotcast/options.h"
#include "formats/dot_image.h"
#include "state/expected.h"
#include "state/limits.h"

namespace dotcaster::cli {

struct Converted {
  DotImage image;
  int source_width = 0;  // the file's own size (a Quadrel file's header)
  int source_height = 0;
  bool copied = false;  // a Quadrel file whose dots were taken over unchanged
};

// The reasons are short phrases for the file's line ("truncated JPEG", "This is not an
// image file.", "crop 0,0,900,10 lies outside the 640 x 480 picture").
Expected<Converted, std::string> ConvertOne(const std::string& path,
                                            const ConvertSettings& settings);

// The most memory converting the file can take, known from its length, its header and the
// limits before the file is read: the file itself, the decode (at the scale these settings
// need) and a little for the job's own rows. A file that will be refused without being
// decoded needs next to nothing.
std::uint64_t MemoryNeeded(const std::string& path, const ConvertSettings& settings,
                           const Limits& limits);

// What Dotcaster sees in the file, as "label: value" lines; false when the file cannot
// be read or measured (the lines then say why).
struct FileInfo {
  bool ok = false;
  std::vector<std::string> lines;
};
FileInfo DescribeFile(const std::string& path);

}  // namespace dotcaster::cli
