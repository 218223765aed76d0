// Path conventions: '/' separates, a path is absolute when it starts with '/'.
#pragma once

#include <string>

namespace kvt::platform {

inline constexpr char kPathSeparator = '/';

bool IsAbsolutePath(const std::string& path);
std::string WithTrailingSeparator(const std::string& dir);
// The folder part up to and including the last separator, "" when there is none.
std::string DirectoryPart(const std::string& path);
// The folder of the running program, ending with '/'.
std::string ProgramDirectory();
std::string CurrentDirectory();  // ends with '/'
bool ChangeDirectory(const std::string& dir);

// "SOFTWARE\\Halvern\\KV02" + the major and minor version digits.
std::string ProductRegistryKey(int major, int minor);

}  // namespace kvt::platform
