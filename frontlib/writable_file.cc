#include "frontlib/writable_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kvt::front {

std::string appendProblem(const std::string& path) {
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (file == nullptr) return errno != 0 ? std::strerror(errno) : "cannot be opened";
  return std::fclose(file) == 0 ? "" : std::strerror(errno);
}

}  // namespace kvt::front
