#include "platform/paths.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace kvt::platform {

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string WithTrailingSeparator(const std::string& dir) {
  if (!dir.empty() && dir.back() == kPathSeparator) return dir;
  return dir + kPathSeparator;
}

std::string DirectoryPart(const std::string& path) {
  size_t slash = path.rfind(kPathSeparator);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ProgramDirectory() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), PATH_MAX);
  if (n <= 0) return CurrentDirectory();
  return DirectoryPart(std::string(buffer.data(), static_cast<size_t>(n)));
}

std::string CurrentDirectory() {
  std::vector<char> buffer(PATH_MAX + 1);
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return "./";
  return WithTrailingSeparator(buffer.data());
}

bool ChangeDirectory(const std::string& dir) { return !dir.empty() && ::chdir(dir.c_str()) == 0; }

}  // namespace kvt::platform
