#pragma once

// Path text helpers. Paths are UTF-8 text joined with the platform's separator; on Windows
// both "\" and "/" are accepted as separators when a path is taken apart.

#include <filesystem>
#include <string>
#include <string_view>

namespace dotcaster {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

bool IsSeparator(char c);

// folder + separator + name; a folder that already ends in a separator gets no second one.
std::string JoinPath(std::string_view folder, std::string_view name);

// The UTF-8 text as a filesystem path, and back. Neither throws: on Windows, bytes that are
// not UTF-8 (and names that are not valid UTF-16) become U+FFFD.
std::filesystem::path ToFsPath(std::string_view utf8);
std::string FromFsPath(const std::filesystem::path& path);

// Upper-cases ASCII letters only; extensions and markers are ASCII.
std::string AsciiUpper(std::string_view text);

// True when text ends with suffix, ignoring ASCII case.
bool EndsWithNoCase(std::string_view text, std::string_view suffix);

}  // namespace dotcaster
