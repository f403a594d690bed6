#include "tools.h"

#include <cstdlib>
#include <sstream>

namespace dotcaster::testing {

std::string MissingTools(std::initializer_list<std::string_view> commands) {
  std::string missing;
  for (std::string_view command : commands) {
    std::string stages(command);
    for (char& c : stages) {
      if (c == '|' || c == ';' || c == '(' || c == ')') c = '\n';
    }
    std::istringstream lines(stages);
    for (std::string line; std::getline(lines, line);) {
      std::string program;
      if (!(std::istringstream(line) >> program)) continue;
      if (program == "{convert}") program = "convert";
#ifdef _WIN32
      const bool found = false;
#else
      const bool found = std::system(("command -v '" + program + "' >/dev/null 2>&1").c_str()) == 0;
#endif
      if (!found && (" " + missing).find(" " + program + " ") == std::string::npos) {
        missing += program + " ";
      }
    }
  }
  if (!missing.empty()) missing.pop_back();
  return missing;
}

bool ToolsRequired() {
#ifdef _WIN32
  return false;
#else
  const char* ci = std::getenv("CI");
  return ci && std::string_view(ci) == "true";
#endif
}

}  // namespace dotcaster::testing
