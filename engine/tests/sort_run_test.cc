// Whole sort runs in-process: outputs against a reference order, status records, log phases,
// work files and the trace file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/sort_run.h"
#include "engine/tests/test_support.h"

namespace kvt::engine::test {
namespace {

const std::string kPrintable =
    "!#$%&()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_abcdefghijklmnopqrstuvwxyz{|}~";

class SortRunTest : public ::testing::Test {
 protected:
  // A setup over dir's input.dat / output.dat with work files in dir/wrk/.
  ControlSetup Setup(int chunks, int64_t per_chunk, std::vector<Entry> entries, int length) {
    std::filesystem::create_directory(dir / "wrk");
    ControlSetup s;
    s.chunks = chunks;
    s.per_chunk = per_chunk;
    s.entries = std::move(entries);
    s.record_length = std::to_string(length);
    s.input = dir / "input.dat";
    s.output = dir / "output.dat";
    s.prefix = dir / "wrk/";
    return s;
  }
  int Run(const ControlSetup& setup) {
    WriteFile(dir / "kvtsort.ctl", BuildControlRecord(setup));
    return RunSort(dir.path());
  }
  std::vector<std::string> Progress() {
    std::vector<std::string> out;
    std::vector<std::string> records = StatusRecords(dir / "kvtsort.sts");
    for (size_t k = 1; k < records.size(); ++k) out.push_back(Describe(records[k]));
    return out;
  }
  bool WorkFolderEmpty() { return std::filesystem::is_empty(dir / "wrk"); }

  TempDir dir;
};

TEST_F(SortRunTest, TwoChunksWithFourPartitionsReportEveryStep) {
  auto records = RandomRecords(1, 40, 12, kPrintable);
  WriteFile(dir / "input.dat", Join(records));
  ControlSetup setup = Setup(2, 20, {{1, 4, 'A'}, {5, 8, ' '}}, 12);
  setup.upper = 4;
  setup.lower = 4;
  ASSERT_EQ(Run(setup), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, setup.entries)));

  std::vector<std::string> expected;
  for (int chunk = 1; chunk <= 2; ++chunk) {
    std::string c = std::to_string(chunk);
    expected.push_back("004:4/" + c + "/2");
    for (int j = 1; j <= 4; ++j) expected.push_back("001:" + std::to_string(j) + "/4/" + c);
    expected.push_back("002:2/2/" + c);
    expected.push_back("002:1/2/" + c);
  }
  expected.push_back("002:1/2/2");
  EXPECT_EQ(Progress(), expected);

  std::vector<std::string> status = StatusRecords(dir / "kvtsort.sts");
  ASSERT_FALSE(status.empty());
  const std::string& end = status[0];
  EXPECT_EQ(end.substr(0, 12), "000004000002");
  EXPECT_EQ(end.substr(24, 12), "000000000003");
  EXPECT_EQ(end.substr(36), std::string(28, ' '));
  EXPECT_EQ(end.substr(12, 6), status[1].substr(12, 6));  // the run's start time

  std::vector<int> phases = LogPhases(dir / "kvtsort.log");
  std::vector<int> chunk_phases = {9, 11, 10, 20, 30, 40};
  std::vector<int> want = {0, 1, 2, 3, 4, 5, 6};
  want.insert(want.end(), chunk_phases.begin(), chunk_phases.end());
  want.insert(want.end(), chunk_phases.begin(), chunk_phases.end());
  want.push_back(49);
  want.push_back(50);
  EXPECT_EQ(phases, want);
  EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(SortRunTest, StatusRecordLayoutIsExact) {
  auto records = RandomRecords(2, 10, 4, kPrintable);
  WriteFile(dir / "input.dat", Join(records));
  ControlSetup setup = Setup(1, 10, {{1, 4, 'A'}}, 4);
  setup.upper = 2;
  setup.lower = 2;
  ASSERT_EQ(Run(setup), 0);
  std::vector<std::string> status = StatusRecords(dir / "kvtsort.sts");
  ASSERT_EQ(status.size(), 5u);  // end, chunk, two partitions, one merge level
  std::string start = status[1].substr(12, 6);
  EXPECT_EQ(status[1], "000002000001" + start + "000001004000000004" + std::string(28, ' '));
  EXPECT_EQ(status[3], "000002000002" + start + "000001001000000001" + std::string(28, ' '));
  EXPECT_EQ(status[4], "000001000001" + start + "000001002000000002" + std::string(28, ' '));
  EXPECT_EQ(status[0].substr(0, 12), "000002000001");
}

TEST_F(SortRunTest, NineChunksMoveTheLoneFileInsteadOfMergingIt) {
  auto records = RandomRecords(3, 90, 8, kPrintable);
  WriteFile(dir / "input.dat", Join(records));
  ControlSetup setup = Setup(9, 10, {{3, 2, 'A'}, {1, 2, ' '}, {5, 4, ' '}}, 8);
  ASSERT_EQ(Run(setup), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, setup.entries)));
  std::vector<std::string> progress = Progress();
  std::vector<std::string> tail(progress.end() - 3, progress.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"002:1/9/9", "002:2/9/1", "002:1/9/2"}));
  EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(SortRunTest, SixtyFiveChunksNeedThreePasses) {
  auto records = RandomRecords(4, 65 * 3, 6, kPrintable);
  WriteFile(dir / "input.dat", Join(records));
  ControlSetup setup = Setup(65, 3, {{1, 3, 'D'}, {4, 3, ' '}}, 6);
  ASSERT_EQ(Run(setup), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, setup.entries)));
  std::vector<std::string> expected;
  for (int o = 1; o <= 8; ++o)
    expected.push_back("002:" + std::to_string(o) + "/65/" + std::to_string(65 - 8 * (o - 1)));
  expected.push_back("002:9/65/1");
  expected.push_back("002:1/65/9");
  expected.push_back("002:2/65/1");
  expected.push_back("002:1/65/2");
  std::vector<std::string> progress = Progress();
  std::vector<std::string> tail(progress.end() - static_cast<long>(expected.size()),
                                progress.end());
  EXPECT_EQ(tail, expected);
  EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(SortRunTest, MixedDirectionsAndRearrangedFields) {
  // Keys: bytes 7-9 descending, then 2-3 and 1 ascending (one group), then 12 descending.
  auto records = RandomRecords(5, 3000, 14, "abcAB\x01\xff\x80");
  WriteFile(dir / "input.dat", Join(records));
  std::vector<Entry> entries = {{7, 3, 'D'}, {2, 2, 'A'},  {1, 1, 'A'}, {12, 1, 'D'},
                                {4, 3, ' '}, {10, 2, ' '}, {13, 2, ' '}};
  for (int chunks : {1, 3}) {
    ControlSetup setup = Setup(chunks, 3000 / chunks, entries, 14);
    ASSERT_EQ(Run(setup), 0) << chunks;
    EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, entries))) << chunks;
  }
}

TEST_F(SortRunTest, LongKeysWithCommonPrefixesAndManyPartitions) {
  // Keys longer than the cached prefix, differing only near their end.
  auto tails = RandomRecords(6, 5000, 4, "xyz");
  std::vector<std::string> records;
  for (size_t k = 0; k < tails.size(); ++k)
    records.push_back("COMMONPREFIX" + tails[k] + std::to_string(100000 + k));
  WriteFile(dir / "input.dat", Join(records));
  ControlSetup setup = Setup(2, 2500, {{1, 16, 'A'}, {17, 6, ' '}}, 22);
  setup.upper = 64;
  setup.lower = 64;
  ASSERT_EQ(Run(setup), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, setup.entries)));
}

TEST_F(SortRunTest, UserCollatingSequenceWithHighBytes) {
  // Collating order: bytes in reverse, so 0xFF sorts first; output table is the inverse.
  uint8_t in[256], out[256];
  for (int b = 0; b < 256; ++b) {
    in[b] = static_cast<uint8_t>(255 - b);
    out[255 - b] = static_cast<uint8_t>(b);
  }
  WriteFile(dir / "order.sor", CollatingFile(out, in));
  auto records = RandomRecords(7, 500, 6, "aZ\x7f\x80\xc4\xe9\xff");
  WriteFile(dir / "input.dat", Join(records));
  // Two key entries forming one group: the collating sequence applies to both.
  std::vector<Entry> entries = {{1, 2, 'A'}, {3, 1, 'A'}, {4, 3, ' '}};
  for (int chunks : {1, 2}) {
    ControlSetup setup = Setup(chunks, 500 / chunks, entries, 6);
    setup.order = 'U';
    setup.collating = dir / "order.sor";
    ASSERT_EQ(Run(setup), 0);
    EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, entries, in, 2)));
    std::vector<int> phases = LogPhases(dir / "kvtsort.log");
    EXPECT_NE(std::find(phases.begin(), phases.end(), 7), phases.end());
    EXPECT_NE(std::find(phases.begin(), phases.end(), 8), phases.end());
  }
}

TEST_F(SortRunTest, PresortedChunkSkipsTheInMemorySort) {
  auto records = ReferenceSort(RandomRecords(8, 200, 5, kPrintable), {{1, 5, 'A'}});
  WriteFile(dir / "input.dat", Join(records));
  ControlSetup setup = Setup(1, 200, {{1, 5, 'A'}}, 5);
  ASSERT_EQ(Run(setup), 0);
  EXPECT_EQ(ReadFile(dir / "output.dat"), Join(records));
  EXPECT_EQ(LogPhases(dir / "kvtsort.log"), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 9, 10, 40, 49}));
  // P = 200 / 10 = 20, bounded by the limits 0000 to 0: the chunk record says 0.
  EXPECT_EQ(Progress(), (std::vector<std::string>{"004:0/1/1"}));
  EXPECT_EQ(StatusRecords(dir / "kvtsort.sts")[0].substr(0, 12), "000002000000");
}

TEST_F(SortRunTest, EqualKeysKeepInputOrderAcrossChunks) {
  std::vector<std::string> records;
  auto keys = RandomRecords(9, 4000, 1, "ABC");
  for (size_t k = 0; k < keys.size(); ++k) records.push_back(keys[k] + std::to_string(10000 + k));
  WriteFile(dir / "input.dat", Join(records));
  for (int chunks : {1, 7}) {
    ControlSetup setup = Setup(chunks, (4000 + chunks - 1) / chunks, {{1, 1, 'A'}, {2, 5, ' '}}, 6);
    setup.upper = 16;
    setup.lower = 16;
    ASSERT_EQ(Run(setup), 0);
    EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, setup.entries)));
  }
}

TEST_F(SortRunTest, MergesCutIntoPiecesKeepEqualKeysInInputOrder) {
  // Enough records for the merges to be shared out among threads, and so few distinct keys
  // that every cut between pieces falls inside a run of equal keys.
  std::vector<std::string> records;
  auto keys = RandomRecords(13, 200000, 2, "AB");
  for (size_t k = 0; k < keys.size(); ++k) records.push_back(keys[k] + std::to_string(1000000 + k));
  WriteFile(dir / "input.dat", Join(records));
  std::vector<Entry> entries = {{1, 2, 'D'}, {3, 7, ' '}};
  for (int chunks : {3, 10}) {
    ControlSetup setup = Setup(chunks, (200000 + chunks - 1) / chunks, entries, 9);
    ASSERT_EQ(Run(setup), 0);
    EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, entries))) << chunks;
    EXPECT_TRUE(WorkFolderEmpty());
  }
}

TEST_F(SortRunTest, KeysAtTheTopOfTheOrderMergeLikeAnyOther) {
  // A merge input that is used up ranks after every record, also after records whose first
  // eight key bytes already come last in the order (all 0xFF ascending, all 0x00 descending).
  struct Case {
    std::string alphabet;
    int key_length;
    char order;
  };
  const std::vector<Case> cases = {{"\xff\xff\xff\xfe", 8, 'A'},
                                   {"\xff\xff\xfe", 10, 'A'},
                                   {std::string("\0\0\x01", 3), 10, 'D'}};
  for (const Case& c : cases) {
    std::vector<std::string> records;
    auto keys = RandomRecords(17, 3000, c.key_length, c.alphabet);
    for (size_t k = 0; k < keys.size(); ++k) records.push_back(keys[k] + std::to_string(10000 + k));
    WriteFile(dir / "input.dat", Join(records));
    std::vector<Entry> entries = {{1, c.key_length, c.order}, {c.key_length + 1, 5, ' '}};
    ControlSetup setup = Setup(3, 1000, entries, c.key_length + 5);
    ASSERT_EQ(Run(setup), 0);
    EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, entries)))
        << c.key_length << c.order;
  }
}

TEST_F(SortRunTest, TraceFileShowsTheFirstKeyAfterEveryLevel) {
  std::vector<std::string> records = {"d1", "b2", "a3", "c4", "b5", "a6", "d7", "c8"};
  // A key with a zero byte: the trace copy stops there and zero-fills.
  records.push_back(std::string("\0x", 2));
  WriteFile(dir / "input.dat", Join(records));
  ControlSetup setup = Setup(1, 9, {{1, 1, 'A'}, {2, 1, 'A'}}, 2);
  setup.trace = 'T';
  setup.upper = 4;
  setup.lower = 4;
  WriteFile(dir / "kvtsort.trc", "old trace");
  ASSERT_EQ(Run(setup), 0);
  // Partitions of 2, 2, 2 and 3 records; level 1 merges (0,1) and (2,3); level 2 all.
  auto line = [](const std::string& r) { return r + "\n\r"; };
  std::vector<std::string> level1 =
      ReferenceSort({records.begin(), records.begin() + 4}, setup.entries);
  std::vector<std::string> right =
      ReferenceSort({records.begin() + 4, records.end()}, setup.entries);
  level1.insert(level1.end(), right.begin(), right.end());
  std::string expected;
  for (const std::string& r : level1) expected += line(r[0] == '\0' ? std::string(2, '\0') : r);
  for (const std::string& r : ReferenceSort(records, setup.entries))
    expected += line(r[0] == '\0' ? std::string(2, '\0') : r);
  EXPECT_EQ(ReadFile(dir / "kvtsort.trc"), expected);
  // A second run starts a new trace.
  ASSERT_EQ(Run(setup), 0);
  EXPECT_EQ(ReadFile(dir / "kvtsort.trc"), expected);
}

TEST_F(SortRunTest, OutputMayReplaceTheInput) {
  auto records = RandomRecords(10, 300, 10, kPrintable);
  for (int chunks : {1, 3}) {
    WriteFile(dir / "input.dat", Join(records));
    ControlSetup setup = Setup(chunks, 100 * (3 / chunks), {{1, 10, 'A'}}, 10);
    setup.output = setup.input;
    ASSERT_EQ(Run(setup), 0);
    EXPECT_EQ(ReadFile(dir / "input.dat"), Join(ReferenceSort(records, setup.entries)));
    EXPECT_FALSE(Exists(dir / "input.dat.kvttmp"));
  }
}

TEST_F(SortRunTest, ExistingWorkFilesAndLinksAreReplacedNotFollowed) {
  KVT_SKIP_ON_WINDOWS("making a symbolic link needs a privilege on Windows");
  auto records = RandomRecords(11, 50, 4, kPrintable);
  WriteFile(dir / "input.dat", Join(records));
  WriteFile(dir / "victim", "precious");
  ControlSetup setup = Setup(2, 25, {{1, 4, 'A'}}, 4);
  std::filesystem::create_symlink(dir / "victim", dir / "wrk/tmp000001.WRK");
  WriteFile(dir / "wrk/tmp000002.WRK", std::string(1000, 'z'));
  std::filesystem::create_symlink(dir / "victim", dir / "output.dat.kvttmp");
  ASSERT_EQ(Run(setup), 0);
  EXPECT_EQ(ReadFile(dir / "victim"), "precious");
  EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, setup.entries)));
  EXPECT_TRUE(WorkFolderEmpty());
}

TEST_F(SortRunTest, LargeRunAgainstReference) {
  auto records = RandomRecords(12, 60000, 20, kPrintable);
  WriteFile(dir / "input.dat", Join(records));
  std::vector<Entry> entries = {{1, 10, 'A'}, {11, 10, ' '}};
  for (int chunks : {1, 12}) {
    ControlSetup setup = Setup(chunks, 60000 / chunks, entries, 20);
    ASSERT_EQ(Run(setup), 0);
    EXPECT_EQ(ReadFile(dir / "output.dat"), Join(ReferenceSort(records, entries)));
  }
}

}  // namespace
}  // namespace kvt::engine::test
