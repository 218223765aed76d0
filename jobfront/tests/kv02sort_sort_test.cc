// A real sort through kv02sort and the engine kvtsorts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "test_main_dir.h"

namespace kvt::jobfront::testing {
namespace {

#ifdef KVTSORTS_PROGRAM

constexpr size_t kRecordLength = 24;

std::vector<std::string> records(const std::string& bytes) {
  std::vector<std::string> out;
  for (size_t i = 0; i + kRecordLength <= bytes.size(); i += kRecordLength) {
    out.push_back(bytes.substr(i, kRecordLength));
  }
  return out;
}

TEST(Kv02sortSortTest, SortsThroughSeveralChunks) {
  TestMainDir dir;
  dir.link(KVTSORTS_PROGRAM, "kvtsorts");
  // Key 1: bytes 5-7 descending, key 2: bytes 12-15 ascending, a serial number elsewhere so
  // that the order of equal keys shows whether the sort is stable.
  std::mt19937 random(7);
  std::string input;
  const int n = 5000;
  for (int i = 0; i < n; ++i) {
    char record[64];  // room for any int, so no optimisation level sees a truncation
    std::snprintf(record, sizeof record, "%04d%03u####%04u%08d.", i % 10000,
                  static_cast<unsigned>(random() % 50), static_cast<unsigned>(random() % 40), i);
    input.append(record, kRecordLength);
  }
  dir.write("in.dat", input);
  // Ten chunks of 500 records: more work files than one merge pass takes.
  dir.write("SortCtl/big.txt", controlFile({{"INFILE", "in.dat"},
                                            {"OUTFILE", "out.dat"},
                                            {"VERSION", "020"},
                                            {"RECLEN", "24"},
                                            {"SORTORDER", "B"},
                                            {"WORKFILES", "10"},
                                            {"MEMORYUSAGE", "80"}},
                                           {{"1POS", "5"},
                                            {"1LEN", "3"},
                                            {"1ORD", "D"},
                                            {"2POS", "12"},
                                            {"2LEN", "4"},
                                            {"2ORD", "A"}}));
  TestMainDir::Run run = dir.runKv02sort({"big.txt"});
  ASSERT_EQ(run.exitCode, 0);

  std::vector<std::string> expected = records(input);
  std::stable_sort(expected.begin(), expected.end(),
                   [](const std::string& a, const std::string& b) {
                     int first = a.compare(4, 3, b, 4, 3);
                     if (first != 0) return first > 0;
                     return a.compare(11, 4, b, 11, 4) < 0;
                   });
  EXPECT_TRUE(records(dir.read("out.dat")) == expected);
  EXPECT_EQ(dir.read("out.dat").size(), input.size());
  EXPECT_FALSE(dir.exists("kvtsort.ctl"));

  std::vector<std::string> lines = dir.logLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(frontMessage(lines[lines.size() - 2], "TMR"),
            padded("File " + dir.file("out.dat") + " created"));
  EXPECT_EQ(frontMessage(lines.back(), "TMR"), padded("KV Tamsort ended.( 0)"));
  // The engine logged the chunk count of the plan and ran its merge passes.
  bool chunkCount = false, merged = false;
  for (const std::string& line : lines) {
    if (line.compare(0, 8, "SORTCTLR") != 0 || line.size() < 25) continue;
    if (line.compare(22, 3, "001") == 0 && line.compare(25, 5, "00010") == 0) chunkCount = true;
    if (line.compare(22, 3, "050") == 0) merged = true;
  }
  EXPECT_TRUE(chunkCount);
  EXPECT_TRUE(merged);
}

TEST(Kv02sortSortTest, SortsByTheUserCollatingSequenceBesideTheControlFile) {
  TestMainDir dir;
  dir.link(KVTSORTS_PROGRAM, "kvtsorts");
  // Both tables map byte b to 255 - b: an ascending key then comes out in falling byte order,
  // and the output table restores the original bytes.
  std::string table;
  for (int half = 0; half < 2; ++half) {
    for (int b = 0; b < 256; ++b) {
      char digits[4];
      std::snprintf(digits, sizeof digits, "%03d", 255 - b);
      table += digits;
    }
  }
  dir.write("SortCtl/user.sor", table);
  std::string input;
  std::mt19937 random(11);
  for (int i = 0; i < 300; ++i) {
    char record[kRecordLength + 1];
    std::snprintf(record, sizeof record, "%c%c%020d..", 'a' + static_cast<int>(random() % 26),
                  'A' + static_cast<int>(random() % 26), i);
    input.append(record, kRecordLength);
  }
  dir.write("in.dat", input);
  dir.write("SortCtl/user.txt", controlFile({{"INFILE", "in.dat"},
                                             {"OUTFILE", "out.dat"},
                                             {"VERSION", "020"},
                                             {"RECLEN", "24"},
                                             {"SORTORDER", "USERDEFINED"},
                                             {"WORKFILES", "3"}},
                                            {{"1POS", "1"}, {"1LEN", "1"}}));
  ASSERT_EQ(dir.runKv02sort({"user.txt"}).exitCode, 0);
  std::vector<std::string> expected = records(input);
  std::stable_sort(expected.begin(), expected.end(),
                   [](const std::string& a, const std::string& b) { return a[0] > b[0]; });
  EXPECT_TRUE(records(dir.read("out.dat")) == expected);
}

#else

TEST(Kv02sortSortTest, SortsThroughSeveralChunks) {
  GTEST_SKIP() << "the engine kvtsorts is not part of this build";
}

#endif

}  // namespace
}  // namespace kvt::jobfront::testing
