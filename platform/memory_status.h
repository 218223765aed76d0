// Stand-in for GlobalMemoryStatus: 64-bit byte counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvt::platform {

struct MemoryStatus {
  uint64_t total_physical = 0;
  uint64_t available_physical = 0;
  uint64_t total_virtual = 0;
  uint64_t available_virtual = 0;
  // Room left under the memory limits of the process's control group and the groups above it
  // (cgroup v2: memory.max less the memory in use that cannot be reclaimed at once); unset when
  // no group has a limit.
  std::optional<uint64_t> group_available;
  // The address-space limit (RLIMIT_AS) that the process and its children have; unset when
  // there is none.
  std::optional<uint64_t> address_space_limit;
};

// Where the status is read from; tests point these at files of their own.
struct MemorySources {
  std::string meminfo = "/proc/meminfo";
  std::string statm = "/proc/self/statm";
  std::string self_cgroup = "/proc/self/cgroup";
  std::string cgroup_root = "/sys/fs/cgroup";
};

MemoryStatus ReadMemoryStatus();
MemoryStatus ReadMemoryStatus(const MemorySources& sources);

}  // namespace kvt::platform
