#pragma once

// The reference tools some tests compare with (libjpeg-turbo, ImageMagick, netpbm, giflib). A
// test that needs a missing one is skipped; under CI=true, where scripts/deps installs them
// all, it fails instead, so that no comparison is lost silently. Windows has none of them.

#include <cstdlib>
#include <initializer_list>
#include <regex>
#include <string>
#include <string_view>

namespace dotcaster::testing {

// The programs the shell commands start and the PATH lacks, blank-separated: the first word
// of each stage of a pipeline or list, "{convert}" standing for ImageMagick's convert.
inline std::string MissingTools(std::initializer_list<std::string_view> commands) {
  static const std::regex kFirstWord(R"((?:^|[|;()])\s*([^\s|;()]+))");
  std::string all, missing;
  for (const std::string_view command : commands)
    all.append(command).append(";");
  for (std::sregex_iterator it(all.begin(), all.end(), kFirstWord), end; it != end; ++it) {
    const std::string program = (*it)[1] == "{convert}" ? "convert" : (*it)[1].str();
#ifndef _WIN32
    if (std::system(("command -v '" + program + "' >/dev/null 2>&1").c_str()) == 0) continue;
#endif
    if ((missing + " ").find(" " + program + " ") == std::string::npos) missing += " " + program;
  }
  return missing.empty() ? missing : missing.substr(1);
}

inline bool ToolsRequired() {
#ifndef _WIN32
  if (const char* ci = std::getenv("CI")) return std::string_view(ci) == "true";
#endif
  return false;
}

}  // namespace dotcaster::testing

// In a GoogleTest test: goes on only when every program the commands start is installed.
#define REQUIRE_TOOLS(...)                                                                 \
  if (const std::string missing_tools = ::dotcaster::testing::MissingTools({__VA_ARGS__}); \
      missing_tools.empty()) {                                                             \
  } else if (::dotcaster::testing::ToolsRequired())                                        \
    GTEST_FAIL() << "CI=true, but these tools are missing: " << missing_tools;             \
  else                                                                                     \
    GTEST_SKIP() << "not installed: " << missing_tools
