// Stand-in for GlobalMemoryStatus: 64-bit byte counts.
#pragma once

#include <cstdint>

namespace kvt::platform {

struct MemoryStatus {
  uint64_t total_physical = 0;
  uint64_t available_physical = 0;
  uint64_t total_virtual = 0;
  uint64_t available_virtual = 0;
};

MemoryStatus ReadMemoryStatus();

}  // namespace kvt::platform
