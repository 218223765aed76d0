#include "platform/memory_status.h"

#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>

namespace kvt::platform {
namespace {

// Reads "Name:   123 kB" lines of /proc/meminfo.
uint64_t MemInfoBytes(const std::string& field) {
  std::ifstream in("/proc/meminfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.compare(0, field.size() + 1, field + ":") != 0) continue;
    std::istringstream fields(line.substr(field.size() + 1));
    uint64_t kb = 0;
    fields >> kb;
    return kb * 1024;
  }
  return 0;
}

uint64_t CurrentVirtualSize() {
  std::ifstream in("/proc/self/statm");
  uint64_t pages = 0;
  in >> pages;
  return pages * 4096;
}

}  // namespace

MemoryStatus ReadMemoryStatus() {
  MemoryStatus status;
  status.total_physical = MemInfoBytes("MemTotal");
  status.available_physical = MemInfoBytes("MemAvailable");
  struct rlimit limit;
  // 47 bits of user address space on x86-64 when the process has no limit of its own.
  uint64_t address_space = uint64_t{1} << 47;
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    address_space = limit.rlim_cur;
  }
  status.total_virtual = address_space;
  uint64_t used = CurrentVirtualSize();
  status.available_virtual = used < address_space ? address_space - used : 0;
  return status;
}

}  // namespace kvt::platform
