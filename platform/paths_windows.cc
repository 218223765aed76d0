// Windows paths: '\' separates and '/' is read as one too; a drive letter's ':' (or a share's
// leading "\\") makes a path absolute.
#include <windows.h>

#include <vector>

#include "platform/paths.h"

namespace kvt::platform {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool IsAbsolutePath(const std::string& path) {
  return path.find(':') != std::string::npos ||
         (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]));
}

std::string WithTrailingSeparator(const std::string& dir) {
  if (!dir.empty() && IsSeparator(dir.back())) return dir;
  return dir + kPathSeparator;
}

std::string DirectoryPart(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ProgramDirectory() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return CurrentDirectory();
    if (n < buffer.size()) return DirectoryPart(std::string(buffer.data(), n));
    buffer.resize(buffer.size() * 2);  // a long path was cut: ask again with more room
  }
}

std::string CurrentDirectory() {
  DWORD n = ::GetCurrentDirectoryA(0, nullptr);
  std::vector<char> buffer(n + 1);
  n = ::GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (n == 0 || n >= buffer.size()) return std::string(".") + kPathSeparator;
  return WithTrailingSeparator(std::string(buffer.data(), n));
}

bool ChangeDirectory(const std::string& dir) {
  return !dir.empty() && ::SetCurrentDirectoryA(dir.c_str()) != 0;
}

}  // namespace kvt::platform
