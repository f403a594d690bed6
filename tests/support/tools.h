#pragma once

// The reference tools some tests compare with (libjpeg-turbo's cjpeg and djpeg, ImageMagick,
// netpbm, giflib's tools). Where one may be missing, a test that needs it is skipped; under
// CI (the environment has CI=true), where scripts/deps installs them all, a missing tool
// fails the test instead, so that no comparison is lost without a word.

#include <initializer_list>
#include <string>
#include <string_view>

namespace dotcaster::testing {

// The programs that the shell commands start and the PATH lacks, blank-separated: the first
// word of each stage of a pipeline or list, "{convert}" standing for ImageMagick's convert.
std::string MissingTools(std::initializer_list<std::string_view> commands);

// Whether a missing tool fails a test rather than skips it (never on Windows, which has none).
bool ToolsRequired();

}  // namespace dotcaster::testing

// In a GoogleTest test: goes on only when every program the commands start is installed.
#define REQUIRE_TOOLS(...)                                                                 \
  if (const std::string missing_tools = ::dotcaster::testing::MissingTools({__VA_ARGS__}); \
      missing_tools.empty()) {                                                             \
  } else if (::dotcaster::testing::ToolsRequired())                                        \
    GTEST_FAIL() << "CI=true, but these tools are missing: " << missing_tools;             \
  else                                                                                     \
    GTEST_SKIP() << "not installed: " << missing_tools
