#include <gtest/gtest.h>

#include <map>

#include "jobfront/control_record_writer.h"
#include "jobfront/engine_record.h"
#include "jobfront/job_settings.h"
#include "jobfront/key_fields.h"

namespace kvt::jobfront {
namespace {

using Keys = std::map<std::string, std::string>;

// The record kv02sort writes for a control file with these [FILE] and [FIELDS] keys and
// this plan, or "" when it refuses to build one.
std::string recordFor(const Keys& fileKeys, const Keys& fieldKeys, int64_t chunks,
                      int64_t recordsPerChunk, JobSettings settings) {
  auto file = [&](const std::string& section, const std::string& key) {
    auto it = fileKeys.find(key);
    return section != "FILE" || it == fileKeys.end() ? std::string() : it->second;
  };
  auto fields = [&](const std::string& key) {
    auto it = fieldKeys.find(key);
    return it == fieldKeys.end() ? std::string() : it->second;
  };
  readFileSettings(file, &settings);
  int64_t recordLength = std::stoll(settings.recordLength);
  FieldList list = readFields(fields, recordLength);
  if (!list.correct) return "";
  ChunkPlan plan;
  plan.chunks = chunks;
  plan.recordsPerChunk = recordsPerChunk;
  std::string record;
  if (!buildEngineRecord(engineHeader(settings, plan), list.fields,
                         fillerRecords(list.fields, recordLength), engineTrailer(settings),
                         &record)) {
    return "";
  }
  return record;
}

JobSettings paths(const std::string& control, const std::string& input, const std::string& output) {
  JobSettings s;
  s.controlPath = control;
  s.inputPath = input;
  s.outputPath = output;
  return s;
}

const std::string kReserved(54, ' ');
const std::string kTerminator = "************";

TEST(EngineRecordTest, GapsBeforeBetweenAndAfterFieldsOutOfPositionOrder) {
  std::string record =
      recordFor({{"VERSION", "020"}, {"RECLEN", "30"}, {"SORTORDER", "B"}},
                {{"1POS", "14"},
                 {"1LEN", "3"},
                 {"1ORD", "D"},
                 {"2POS", "3"},
                 {"2LEN", "3"},
                 {"3POS", "9"},
                 {"3LEN", "3"},
                 {"3ORD", "A"}},
                1, 250, paths("/data/kvt/SortCtl/job.txt", "/data/in.dat", "/data/out.dat"));
  std::string expected =
      // trace, version, percent, C, max, min, order, P, R
      std::string("*") + "020" + "080" + "00001" + "0000" + "0000" + "B" + "0000" + "0000000250" +
      kReserved +
      // keys in key order, then the gaps 1-2, 6-8, 12-13, 17-30
      "00001400003D" + "00000300003A" + "00000900003A" + "00000100002 " + "00000600003 " +
      "00001200002 " + "00001700014 " + kTerminator + "000230" + "0012/data/in.dat" +
      "0013/data/out.dat" + "0000" + "0025/data/kvt/SortCtl/job.sor";
  EXPECT_EQ(record, expected);
  EXPECT_EQ(record.find("****"), 89u + 7 * 12);
}

TEST(EngineRecordTest, UserOrderTraceAndStarValues) {
  std::string record = recordFor({{"TRACE", " ON "},
                                  {"VERSION", "2.0.1"},
                                  {"MEMORYUSAGE", "1000"},
                                  {"WORKFILES", "*"},
                                  {"MAXSPLIT", "*"},
                                  {"MINSPLIT", "8"},
                                  {"SORTORDER", "User"},
                                  {"SPLITS", " 16 "},
                                  {"RECLEN", " 12 "},
                                  {"WORKDIR", " /tmp/work/ "}},
                                 {{"1POS", "1"}, {"1LEN", "12"}}, 3, 1234567,
                                 paths("/m/SortCtl/my.ctl", "/in", "/out"));
  std::string expected = std::string("T") + "2.0" + "000" + "00003" + "0000" + "0008" + "U" +
                         "0016" + "0001234567" + kReserved + "00000100012A" + kTerminator +
                         "000212" + "0003/in" + "0004/out" + "0010/tmp/work/" +
                         "0017/m/SortCtl/my.sor";
  EXPECT_EQ(record, expected);
}

TEST(EngineRecordTest, DefaultsAndEmptySortOrderKeepTheColumns) {
  std::string record =
      recordFor({{"TRACE", "on"},
                 {"VERSION", "V20"},
                 {"MEMORYUSAGE", "75"},
                 {"MAXSPLIT", "123456"},
                 {"MINSPLIT", "2"},
                 {"RECLEN", "8"}},
                {{"1POS", "5"}, {"1LEN", "2"}, {"1ORD", "D"}, {"2POS", "1"}, {"2LEN", "2"}}, 12, 10,
                paths("/home/ann/kvt.d/SortCtl/plain", "/i", "/o"));
  // Lower-case "on" is no trace; no SORTORDER is one blank; no extension, no table path.
  std::string expected = std::string("*") + "V20" + "075" + "00012" + "3456" + "0002" + " " +
                         "0000" + "0000000010" + kReserved + "00000500002D" + "00000100002A" +
                         "00000300002 " + "00000700002 " + kTerminator + "00018" + "0002/i" +
                         "0002/o" + "0000" + "0000";
  EXPECT_EQ(record, expected);
}

TEST(EngineRecordTest, HeaderIsAlways89Bytes) {
  EngineHeader header;
  header.version = "12345";
  header.memoryPercent = "080";
  header.chunks = 7;
  header.recordsPerChunk = 99;
  std::string text = headerText(header);
  ASSERT_EQ(text.size(), 89u);
  EXPECT_EQ(text.substr(0, 35),
            std::string("*123") + "080" + "00007" + "0000" + "0000" + " " + "0000" + "0000000099");
  EXPECT_EQ(text.substr(35), std::string(54, ' '));
  header.version = "1";
  EXPECT_EQ(headerText(header).substr(0, 8), "*1  0800");
}

TEST(EngineRecordTest, RefusesWhatTheEngineCannotReadWhole) {
  EngineHeader header;
  EngineTrailer trailer{"10", "/in", "/out", "", ""};
  std::string record = "untouched";
  std::vector<KeyField> many(201, KeyField{1, 1, 'A'});
  EXPECT_FALSE(buildEngineRecord(header, many, {}, trailer, &record));
  EXPECT_EQ(record, "untouched");
  // 100 entries and two 500-character paths pass 2048 bytes.
  std::vector<KeyField> hundred(100, KeyField{1, 1, 'A'});
  EngineTrailer longPaths{"10", "/" + std::string(499, 'i'), "/" + std::string(499, 'o'), "", ""};
  EXPECT_FALSE(buildEngineRecord(header, hundred, {}, longPaths, &record));
  EngineTrailer tooLong{"10", "/" + std::string(511, 'i'), "/out", "", ""};
  EXPECT_FALSE(buildEngineRecord(header, {{1, 10, 'A'}}, {}, tooLong, &record));
  EngineTrailer longest{"10", "/" + std::string(510, 'i'), "/out", "", ""};
  EXPECT_TRUE(buildEngineRecord(header, {{1, 10, 'A'}}, {}, longest, &record));
  EXPECT_EQ(record.size(), 89u + 24 + 6 + 515 + 8 + 4 + 4);
}

}  // namespace
}  // namespace kvt::jobfront
