// The control record reader: key grouping, trailer strings, limits, and the phases it logs.
#include <gtest/gtest.h>

#include "engine/control_record.h"
#include "engine/decimal.h"
#include "engine/log_writer.h"
#include "engine/return_codes.h"
#include "engine/tests/test_support.h"

namespace kvt::engine::test {
namespace {

ControlSetup BasicSpec() {
  ControlSetup s;
  s.chunks = 3;
  s.upper = 16;
  s.lower = 2;
  s.partitions = 8;
  s.per_chunk = 1234;
  s.entries = {{1, 5, 'A'}, {6, 3, 'A'}, {9, 2, 'D'}, {11, 4, ' '}};
  s.record_length = "14";
  s.input = "/data/in.dat";
  s.output = "/data/out.dat";
  s.prefix = "/work/";
  return s;
}

int Parse(const std::string& data, ControlRecord* out) {
  std::string field;
  return ParseControlRecord(data, nullptr, out, &field);
}

TEST(ControlRecordTest, ReadsHeaderEntriesGroupsAndTrailer) {
  ControlRecord rec;
  ASSERT_EQ(Parse(BuildControlRecord(BasicSpec()), &rec), kOk);
  EXPECT_FALSE(rec.trace);
  EXPECT_EQ(rec.chunk_count, 3);
  EXPECT_EQ(rec.upper_limit, 16);
  EXPECT_EQ(rec.lower_limit, 2);
  EXPECT_EQ(rec.partitions, 8);
  EXPECT_EQ(rec.records_per_chunk, 1234);
  EXPECT_EQ(rec.record_length, 14);
  EXPECT_EQ(rec.input_path, "/data/in.dat");
  EXPECT_EQ(rec.output_path, "/data/out.dat");
  EXPECT_EQ(rec.work_prefix, "/work/");
  ASSERT_EQ(rec.entries.size(), 4u);
  ASSERT_EQ(rec.groups.size(), 2u);
  EXPECT_EQ(rec.groups[0].offset, 0);
  EXPECT_EQ(rec.groups[0].length, 8);
  EXPECT_EQ(rec.groups[0].code, 'A');
  EXPECT_EQ(rec.groups[1].offset, 8);
  EXPECT_EQ(rec.groups[1].length, 2);
  EXPECT_EQ(rec.groups[1].code, 'D');
}

TEST(ControlRecordTest, KeysCoveringTheWholeRecordAreClosedByTheTerminator) {
  ControlSetup s = BasicSpec();
  s.entries = {{1, 4, 'D'}, {5, 10, 'A'}};
  ControlRecord rec;
  ASSERT_EQ(Parse(BuildControlRecord(s), &rec), kOk);
  ASSERT_EQ(rec.groups.size(), 2u);
  EXPECT_EQ(rec.groups[1].offset, 4);
  EXPECT_EQ(rec.groups[1].length, 10);
}

TEST(ControlRecordTest, KeyEntriesAfterANonKeyEntryFormNoGroup) {
  ControlSetup s = BasicSpec();
  s.entries = {{1, 2, 'A'}, {3, 2, ' '}, {5, 10, 'D'}};
  ControlRecord rec;
  ASSERT_EQ(Parse(BuildControlRecord(s), &rec), kOk);
  ASSERT_EQ(rec.groups.size(), 1u);
  EXPECT_EQ(rec.groups[0].length, 2);
}

TEST(ControlRecordTest, PartitionCountZeroMeansATenthOfTheChunk) {
  ControlSetup s = BasicSpec();
  s.partitions = 0;
  ControlRecord rec;
  ASSERT_EQ(Parse(BuildControlRecord(s), &rec), kOk);
  EXPECT_EQ(rec.partitions, 123);
}

TEST(ControlRecordTest, EmptyPrefixAndCollatingPath) {
  ControlSetup s = BasicSpec();
  s.prefix = "";
  s.order = 'U';
  s.collating = "/orders/x.sor";
  ControlRecord rec;
  ASSERT_EQ(Parse(BuildControlRecord(s), &rec), kOk);
  EXPECT_EQ(rec.work_prefix, "");
  EXPECT_EQ(rec.collating_path, "/orders/x.sor");
  // Without "U" a fifth string is neither needed nor read.
  s.order = ' ';
  ASSERT_EQ(Parse(BuildControlRecord(s) + "0005abcde", &rec), kOk);
  EXPECT_EQ(rec.collating_path, "");
}

TEST(ControlRecordTest, OnlyTheFirst2048BytesCount) {
  ControlSetup s = BasicSpec();
  std::string data = BuildControlRecord(s);
  s.input = std::string(500, 'i');
  s.output = std::string(500, 'o');
  s.prefix = std::string(500, 'p');
  s.entries.insert(s.entries.begin() + 3, 40, Entry{11, 0, ' '});
  data = BuildControlRecord(s);
  ASSERT_GT(data.size(), 2048u);
  ControlRecord rec;
  EXPECT_EQ(Parse(data, &rec), kBadControlRecord);
}

TEST(ControlRecordTest, LogsPhasesZeroToSevenWithTheirTexts) {
  TempDir dir;
  ControlSetup s = BasicSpec();
  s.order = 'U';
  s.collating = "/orders/x.sor";
  {
    EngineLog log(dir / "kvtsort.log");
    ControlRecord rec;
    std::string field;
    ASSERT_EQ(ParseControlRecord(BuildControlRecord(s), &log, &rec, &field), kOk);
    EXPECT_EQ(field, "0008");
  }
  std::string text = ReadFile(dir / "kvtsort.log");
  std::vector<std::string> texts;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find("\r\n", at);
    texts.push_back(text.substr(at + 22, end - at - 22));
    at = end + 2;
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"000080", "00100003", "0020016", "0030002", "0040008",
                                             "0050008", "006/work/", "007/orders/x.sor"}));
}

TEST(ControlRecordTest, LogLineLayout) {
  EXPECT_EQ(EngineLog::FormatLine("20240131", "235959", 9, " "), "SORTCTLR20240131235959009 \r\n");
  EXPECT_EQ(EngineLog::FormatLine("20240131", "000000", 10, "1024"),
            "SORTCTLR20240131000000010"
            "1024\r\n");
}

TEST(DecimalTest, ConversionAndStatusNumbers) {
  EXPECT_EQ(ParseDecimal("  42x"), 42);
  EXPECT_EQ(ParseDecimal("-7"), -7);
  EXPECT_EQ(ParseDecimal("abc"), 0);
  EXPECT_EQ(ParseDecimal("99999999999999999999999"), INT64_MAX);
  EXPECT_EQ(StatusNumber(7), "000007");
  EXPECT_EQ(StatusNumber(12345), "012345");
  EXPECT_EQ(StatusNumber(123456), "012345");
  EXPECT_EQ(StatusNumber(0), "000000");
  EXPECT_EQ(ZeroPadded(1024, 3), "1024");
  EXPECT_EQ(ZeroPadded(8, 3), "008");
}

}  // namespace
}  // namespace kvt::engine::test
