// Path conventions. POSIX: '/' separates, a path is absolute when it starts with '/'.
// Windows: '\\' separates ('/' is read as one too), a path is absolute when it holds a ':' (a
// drive letter) or starts with "\\\\" (a share).
#pragma once

#include <string>

namespace kvt::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr char kProgramSuffix[] = ".exe";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr char kProgramSuffix[] = "";
#endif

bool IsAbsolutePath(const std::string& path);
std::string WithTrailingSeparator(const std::string& dir);
// The folder part up to and including the last separator, "" when there is none.
std::string DirectoryPart(const std::string& path);
// The folder of the running program, ending with the separator.
std::string ProgramDirectory();
std::string CurrentDirectory();  // ends with the separator
bool ChangeDirectory(const std::string& dir);

// The file name of one of the product's programs: "kvtsorts" gives "kvtsorts.exe" on Windows.
std::string ProgramFileName(const std::string& program);

// "SOFTWARE\\Halvern\\KV02" + the major and minor version digits.
std::string ProductRegistryKey(int major, int minor);

}  // namespace kvt::platform
