// The in-memory sort: partition boundaries, the partition estimate, and sorted, stable results
// for keys that the cached prefix cannot decide alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "engine/chunk_reader.h"
#include "engine/chunk_sort.h"
#include "engine/tests/test_support.h"
#include "engine/worker_pool.h"

namespace kvt::engine::test {
namespace {

std::vector<KeyGroup> Groups(std::vector<KeyGroup> g) { return g; }

TEST(PartitionTest, BoundariesGiveTheRemainderToTheLastPartition) {
  KeyComparer cmp(Groups({{0, 1, 'A'}}));
  uint8_t records[5] = {5, 4, 3, 2, 1};
  std::vector<SortEntry> a(5);
  WorkerPool pool(1);
  ChunkSorter sorter(cmp, 1, &pool);
  sorter.Reset(a.data(), 5, records, EntryFormat::For(5, 1));
  EXPECT_EQ(sorter.SetPartitions(2), 2);
  EXPECT_EQ(sorter.boundary(1), 2);
  EXPECT_EQ(sorter.boundary(2), 5);
  sorter.Reset(a.data(), 5, records, EntryFormat::For(5, 1));
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
  EXPECT_EQ(BoundPartitions(3, {0, 0}), 0);  // no limits given: the driver raises it to 2
  EXPECT_EQ(BoundPartitions(0, {100, 5}), 8);
}

struct Case {
  std::vector<KeyGroup> groups;
  int length;
  std::string alphabet;
  int64_t partitions;
  int records = 3001;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.records << " records of " << c.length << " bytes, " << c.groups.size()
      << " groups, P=" << c.partitions;
}

// Every row runs both ways of sorting (whole chunk, and partitions then levels as a trace sees
// them) on one thread and on three.
class ChunkSortTest : public ::testing::TestWithParam<Case> {};

TEST_P(ChunkSortTest, MatchesAStableReferenceSort) {
  const Case& c = GetParam();
  const int n = c.records;
  auto records = RandomRecords(31, n, c.length, c.alphabet);
  std::string buffer = Join(records);
  const uint8_t* data = reinterpret_cast<const uint8_t*>(buffer.data());
  KeyComparer cmp(c.groups);
  // Reference: indices stably sorted by a byte-by-byte comparison written out group by group.
  auto before = [&](uint32_t x, uint32_t y) {
    for (const KeyGroup& g : c.groups) {
      if (g.code != 'A' && g.code != 'D') return false;
      for (int64_t i = g.offset; i < g.offset + g.length; ++i) {
        uint8_t bx = data[x * c.length + i], by = data[y * c.length + i];
        if (bx != by) return g.code == 'A' ? bx < by : bx > by;
      }
    }
    return false;
  };
  std::vector<uint32_t> expected(n);
  std::iota(expected.begin(), expected.end(), 0);
  std::stable_sort(expected.begin(), expected.end(), before);

  const EntryFormat format = EntryFormat::For(n, cmp.key_length());
  for (int threads : {1, 3}) {
    for (bool traced : {false, true}) {
      WorkerPool pool(threads);
      std::vector<SortEntry> entries(n);
      for (int k = 0; k < n; ++k) entries[k] = format.Make(cmp.Prefix(data + k * c.length), k);
      ChunkSorter sorter(cmp, c.length, &pool);
      sorter.Reset(entries.data(), n, data, format);
      int64_t p = sorter.SetPartitions(c.partitions);
      std::vector<uint32_t> level;
      for (int64_t j = 0; j < p; ++j) traced ? sorter.SortPartition(j) : sorter.SortStep(j);
      if (traced) {
        for (int64_t m = p / 2; m > 0; m /= 2) {
          sorter.MergeLevel(m);
          // Each run of the level holds its part of the chunk in stable order.
          for (int64_t r = 0; r < m; ++r) {
            std::vector<uint32_t> run(expected.size());
            std::iota(run.begin(), run.end(), 0);
            auto from = run.begin() + sorter.boundary(r), to = run.begin() + sorter.boundary(r + 1);
            std::stable_sort(from, to, before);
            for (auto it = from; it != to; ++it)
              ASSERT_EQ(format.Index(entries[it - run.begin()]), *it) << "level " << m;
          }
        }
      }
      std::vector<uint32_t> got(n);
      for (int k = 0; k < n; ++k) got[k] = static_cast<uint32_t>(format.Index(sorter.entries()[k]));
      EXPECT_EQ(got, expected) << threads << " threads, traced " << traced;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ChunkSortTest,
    ::testing::Values(Case{{{0, 3, 'A'}}, 5, "abc", 2},   // short key, many ties
                      Case{{{0, 12, 'A'}}, 12, "ab", 4},  // ties past the entry
                      Case{{{0, 2, 'D'}, {2, 9, 'A'}, {11, 1, 'D'}}, 13, "xy\x80\xff", 64},
                      Case{{{0, 4, 'A'}, {4, 2, 'X'}, {6, 2, 'A'}}, 8, "01", 1024},  // X ends it
                      Case{{{0, 20, 'D'}}, 20, std::string("\x00\x01", 2), 16},
                      Case{{{0, 1, 'A'}}, 1, "ab", 8, 200000},           // one-byte records
                      Case{{{0, 9, 'A'}}, 10, "abcdefghij", 2, 200000},  // buckets cut in place
                      Case{{{0, 16, 'A'}}, 16, "kv", 2, 150000}));  // few distinct leading bytes

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
