// Fuzz targets whose parser reads a file: each input is written to one temporary file that
// the process keeps for its whole life.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace kvt::fuzz {

inline const std::string& ScratchPath() {
  static const std::string path = [] {
    std::string pattern = "/tmp/kvtfuzzXXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd >= 0) ::close(fd);
    return pattern;
  }();
  return path;
}

// Replaces the scratch file's content with the input; returns its path.
inline const std::string& WriteScratch(const uint8_t* data, size_t size) {
  const std::string& path = ScratchPath();
  ::truncate(path.c_str(), 0);
  FILE* f = ::fopen(path.c_str(), "wb");
  if (f != nullptr) {
    ::fwrite(data, 1, size, f);
    ::fclose(f);
  }
  return path;
}

}  // namespace kvt::fuzz
