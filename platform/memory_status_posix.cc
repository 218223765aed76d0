#include "platform/memory_status.h"

#include <sys/resource.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace kvt::platform {
namespace {

// Reads "Name:   123 kB" lines of a meminfo file.
uint64_t MemInfoBytes(const std::string& path, const std::string& field) {
  std::ifstream in(path);
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

uint64_t CurrentVirtualSize(const std::string& statm) {
  std::ifstream in(statm);
  uint64_t pages = 0;
  in >> pages;
  return pages * 4096;
}

// A single number in a file; nothing for "max", a missing file or anything else.
std::optional<uint64_t> NumberIn(const std::string& path) {
  std::ifstream in(path);
  std::string word;
  if (!(in >> word) || word.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return std::stoull(word);
}

// "name value" lines of memory.stat; 0 when the name is missing.
uint64_t StatValue(const std::string& path, const std::string& name) {
  std::ifstream in(path);
  std::string key;
  uint64_t value = 0;
  while (in >> key >> value) {
    if (key == name) return value;
  }
  return 0;
}

// The files of one hierarchy's memory controller: limit, use, and the name in memory.stat of
// page cache that is given back on demand.
struct GroupFiles {
  std::string folder;  // root of the hierarchy
  std::string limit;
  std::string current;
  std::string inactiveFile;
};

// The process's group in a hierarchy of /proc/self/cgroup: "0::" for the unified (v2) one,
// the line naming the memory controller for the older (v1) one.
std::optional<std::string> GroupPath(const std::string& selfCgroup, bool unified) {
  std::ifstream in(selfCgroup);
  std::string line;
  while (std::getline(in, line)) {
    size_t first = line.find(':');
    size_t second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    std::string controllers = line.substr(first + 1, second - first - 1);
    bool match = unified ? line.compare(0, 3, "0::") == 0
                         : ("," + controllers + ",").find(",memory,") != std::string::npos;
    if (match) return line.substr(second + 1);
  }
  return std::nullopt;
}

// The tightest room under the limits of the group and every group above it. Page cache that
// is not in active use is given back on demand, so it does not count as used.
std::optional<uint64_t> RoomInGroups(const std::string& group, const GroupFiles& files) {
  // A v1 group without a limit reports a number near 2^63.
  constexpr uint64_t kNoLimit = uint64_t{1} << 62;
  std::optional<uint64_t> room;
  std::string path = group;
  for (;;) {
    while (!path.empty() && path.back() == '/') path.pop_back();
    std::string dir = files.folder + path + "/";
    std::optional<uint64_t> limit = NumberIn(dir + files.limit);
    if (limit && *limit < kNoLimit) {
      uint64_t current = NumberIn(dir + files.current).value_or(0);
      uint64_t cache = StatValue(dir + "memory.stat", files.inactiveFile);
      uint64_t used = current - std::min(current, cache);
      uint64_t left = *limit > used ? *limit - used : 0;
      room = room ? std::min(*room, left) : left;
    }
    if (path.empty()) break;
    path.erase(path.rfind('/'));
  }
  return room;
}

std::optional<uint64_t> GroupAvailable(const MemorySources& sources) {
  if (std::optional<std::string> group = GroupPath(sources.self_cgroup, true)) {
    GroupFiles v2{sources.cgroup_root, "memory.max", "memory.current", "inactive_file"};
    if (std::optional<uint64_t> room = RoomInGroups(*group, v2)) return room;
  }
  if (std::optional<std::string> group = GroupPath(sources.self_cgroup, false)) {
    GroupFiles v1{sources.cgroup_root + "/memory", "memory.limit_in_bytes", "memory.usage_in_bytes",
                  "total_inactive_file"};
    return RoomInGroups(*group, v1);
  }
  return std::nullopt;
}

}  // namespace

MemoryStatus ReadMemoryStatus() { return ReadMemoryStatus(MemorySources()); }

MemoryStatus ReadMemoryStatus(const MemorySources& sources) {
  MemoryStatus status;
  status.total_physical = MemInfoBytes(sources.meminfo, "MemTotal");
  status.available_physical = MemInfoBytes(sources.meminfo, "MemAvailable");
  struct rlimit limit;
  // 47 bits of user address space on x86-64 when the process has no limit of its own.
  uint64_t address_space = uint64_t{1} << 47;
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    address_space = limit.rlim_cur;
    status.address_space_limit = address_space;
  }
  status.total_virtual = address_space;
  uint64_t used = CurrentVirtualSize(sources.statm);
  status.available_virtual = used < address_space ? address_space - used : 0;
  status.group_available = GroupAvailable(sources);
  return status;
}

}  // namespace kvt::platform
