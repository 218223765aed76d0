#include "platform/memory_status.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

// A fake /proc/self/cgroup and cgroup tree: the files (relative to the tree's root) and what
// the room under the groups' limits must come out as.
struct GroupCase {
  const char* name;
  std::string selfCgroup;
  std::vector<std::pair<std::string, std::string>> files;
  std::optional<uint64_t> room;
};

void PrintTo(const GroupCase& row, std::ostream* out) { *out << row.name; }

class GroupLimits : public ::testing::TestWithParam<GroupCase> {};

TEST_P(GroupLimits, RoomUnderTheTightestLimit) {
  testing::TempDir dir;
  MemorySources sources;
  sources.meminfo = dir / "meminfo";
  sources.self_cgroup = dir / "cgroup";
  sources.cgroup_root = dir / "fs";
  testing::WriteFile(sources.meminfo, "MemTotal:  2048 kB\nMemAvailable:   123 kB\n");
  testing::WriteFile(sources.self_cgroup, GetParam().selfCgroup);
  for (const auto& [name, text] : GetParam().files) {
    std::string path = sources.cgroup_root + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    testing::WriteFile(path, text);
  }
  MemoryStatus status = ReadMemoryStatus(sources);
  EXPECT_EQ(status.available_physical, 123u * 1024);
  EXPECT_EQ(status.total_physical, 2048u * 1024);
  EXPECT_EQ(status.group_available, GetParam().room);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, GroupLimits,
    ::testing::Values(
        GroupCase{"NoGroupFile", "", {}, std::nullopt},
        GroupCase{"UnifiedWithoutLimit", "0::/app\n", {{"app/memory.max", "max\n"}}, std::nullopt},
        GroupCase{"UnifiedLimitLessUseKeepsReclaimableCache",
                  "0::/app\n",
                  {{"app/memory.max", "1000000\n"},
                   {"app/memory.current", "400000\n"},
                   {"app/memory.stat", "anon 300000\nfile 100000\ninactive_file 100000\n"}},
                  700000},
        GroupCase{"ParentLimitIsTighter",
                  "0::/a/b\n",
                  {{"a/b/memory.max", "100000000\n"},
                   {"a/b/memory.current", "1000\n"},
                   {"a/memory.max", "500000\n"},
                   {"a/memory.current", "300000\n"}},
                  200000},
        GroupCase{"ContainerRootGroup",
                  "0::/\n",
                  {{"memory.max", "8000000\n"}, {"memory.current", "3000000\n"}},
                  5000000},
        GroupCase{"UseAboveTheLimit",
                  "0::/app\n",
                  {{"app/memory.max", "1000\n"}, {"app/memory.current", "5000\n"}},
                  0},
        GroupCase{"OlderHierarchy",
                  "4:memory:/job\n1:cpu:/\n0::/\n",
                  {{"memory/job/memory.limit_in_bytes", "2000000\n"},
                   {"memory/job/memory.usage_in_bytes", "600000\n"},
                   {"memory/job/memory.stat", "cache 200000\ntotal_inactive_file 100000\n"}},
                  1500000},
        GroupCase{"OlderHierarchyWithoutLimit",
                  "4:memory:/job\n0::/\n",
                  {{"memory/job/memory.limit_in_bytes", "9223372036854771712\n"}},
                  std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvt::platform
