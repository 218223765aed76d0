// The in-memory sort: partition boundaries, the partition estimate, and sorted, stable results
// for keys that the cached prefix cannot decide alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "engine/chunk_reader.h"
#include "engine/chunk_sort.h"
#include "engine/tests/test_support.h"

namespace kvt::engine::test {
namespace {

std::vector<KeyGroup> Groups(std::vector<KeyGroup> g) { return g; }

TEST(PartitionTest, BoundariesGiveTheRemainderToTheLastPartition) {
  KeyComparer cmp(Groups({{0, 1, 'A'}}));
  uint8_t records[5] = {5, 4, 3, 2, 1};
  std::vector<SortEntry> a(5), b(5);
  ChunkSorter sorter(cmp, records, 1);
  sorter.Reset(a.data(), b.data(), 5);
  EXPECT_EQ(sorter.SetPartitions(2), 2);
  EXPECT_EQ(sorter.boundary(1), 2);
  EXPECT_EQ(sorter.boundary(2), 5);
  sorter.Reset(a.data(), b.data(), 5);
  EXPECT_EQ(sorter.SetPartitions(8), 4);
  std::vector<int64_t> bounds;
  for (int k = 0; k <= 4; ++k) bounds.push_back(sorter.boundary(k));
  EXPECT_EQ(bounds, (std::vector<int64_t>{0, 1, 2, 3, 5}));
  EXPECT_EQ(ChunkSorter::PartitionText(2), "002");
  EXPECT_EQ(ChunkSorter::PartitionText(128), "128");
  EXPECT_EQ(ChunkSorter::PartitionText(1024), "1024");
}

TEST(PartitionTest, EstimateFromDescents) {
  EXPECT_EQ(EstimatePartitions(33, {1001, 10}), 10);
  EXPECT_EQ(EstimatePartitions(33, {1001, 0}), 33);
  EXPECT_EQ(BoundPartitions(10, {9999, 0}), 16);
  EXPECT_EQ(BoundPartitions(10, {8, 0}), 8);
  EXPECT_EQ(BoundPartitions(5000, {9999, 0}), 1024);
  EXPECT_EQ(BoundPartitions(16, {9999, 0}), 16);
  EXPECT_EQ(BoundPartitions(3, {0, 0}), 0);   // no limits given: the driver raises it to 2
  EXPECT_EQ(BoundPartitions(0, {100, 5}), 8);
}

struct Case {
  std::vector<KeyGroup> groups;
  int length;
  std::string alphabet;
  int64_t partitions;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.length << "-byte records, " << c.groups.size() << " groups, P=" << c.partitions;
}

class ChunkSortTest : public ::testing::TestWithParam<Case> {};

TEST_P(ChunkSortTest, MatchesAStableReferenceSort) {
  const Case& c = GetParam();
  const int n = 3001;
  auto records = RandomRecords(31, n, c.length, c.alphabet);
  std::string buffer = Join(records);
  const uint8_t* data = reinterpret_cast<const uint8_t*>(buffer.data());
  KeyComparer cmp(c.groups);
  std::vector<SortEntry> a(n), b(n);
  for (int k = 0; k < n; ++k) a[k] = SortEntry{cmp.Prefix(data + k * c.length), static_cast<uint32_t>(k)};
  ChunkSorter sorter(cmp, data, c.length);
  sorter.Reset(a.data(), b.data(), n);
  int64_t p = sorter.SetPartitions(c.partitions);
  for (int64_t j = 0; j < p; ++j) sorter.SortPartition(j);
  for (int64_t m = p / 2; m > 0; m /= 2) {
    sorter.MergeLevel(m);
    sorter.NextLevel();
  }
  // Reference: indices stably sorted by a byte-by-byte comparison written out group by group.
  std::vector<uint32_t> expected(n);
  std::iota(expected.begin(), expected.end(), 0);
  std::stable_sort(expected.begin(), expected.end(), [&](uint32_t x, uint32_t y) {
    for (const KeyGroup& g : c.groups) {
      if (g.code != 'A' && g.code != 'D') return false;
      for (int64_t i = g.offset; i < g.offset + g.length; ++i) {
        uint8_t bx = data[x * c.length + i], by = data[y * c.length + i];
        if (bx != by) return g.code == 'A' ? bx < by : bx > by;
      }
    }
    return false;
  });
  std::vector<uint32_t> got(n);
  for (int k = 0; k < n; ++k) got[k] = sorter.source()[k].index;
  EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ChunkSortTest,
    ::testing::Values(Case{{{0, 3, 'A'}}, 5, "abc", 2},                          // short key, many ties
                      Case{{{0, 12, 'A'}}, 12, "ab", 4},                          // ties past 8 bytes
                      Case{{{0, 2, 'D'}, {2, 9, 'A'}, {11, 1, 'D'}}, 13, "xy\x80\xff", 64},
                      Case{{{0, 4, 'A'}, {4, 2, 'X'}, {6, 2, 'A'}}, 8, "01", 1024},  // X ends it
                      Case{{{0, 20, 'D'}}, 20, std::string("\x00\x01", 2), 16}));

TEST(KeyComparerTest, DescendingGroupsAndEqualKeys) {
  KeyComparer cmp(Groups({{0, 1, 'A'}, {1, 10, 'D'}}));
  std::string a = "a0000000001", b = "a0000000002";
  auto p = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
  EXPECT_GT(cmp.Compare(p(a), p(b)), 0);
  EXPECT_LT(cmp.Compare(p(b), p(a)), 0);
  EXPECT_EQ(cmp.Compare(p(a), p(a)), 0);
  EXPECT_LT(cmp.Compare(p("A9999999999"), p(a)), 0);
}

}  // namespace
}  // namespace kvt::engine::test
