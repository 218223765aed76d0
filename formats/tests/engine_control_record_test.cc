#include "formats/engine_control_record.h"

#include <gtest/gtest.h>

namespace kvt::formats {
namespace {

// n one-byte entries over an n-byte record: keys with the given code, then fillers.
std::vector<ControlEntry> OneByteEntries(size_t keys, size_t fillers, char code) {
  std::vector<ControlEntry> entries;
  for (size_t i = 0; i < keys + fillers; ++i)
    entries.push_back({static_cast<int64_t>(i + 1), 1, i < keys ? code : ' '});
  return entries;
}

struct Job {
  const char* name;
  ControlHeader header;
  std::vector<ControlEntry> entries;
  ControlTrailer trailer;
  int64_t partitions;  // as the reader takes it
};

// A job of one-byte entries, as many as fit beside these paths; the record length keeps three
// digits, so the room stays what it was computed for.
Job FullJob(const char* name, const std::string& input, const std::string& output) {
  const ControlHeader plain{'*', "1.0", "080", 2, "0000", "0000", ' ', "0004", 100};
  ControlTrailer trailer{"000", input, output, "w/", ""};
  const size_t room = ControlEntryRoom(trailer);
  trailer.record_length = std::to_string(room);
  trailer.record_length.insert(0, 3 - trailer.record_length.size(), '0');
  return {name, plain, OneByteEntries(room, 0, 'D'), trailer, 4};
}

std::vector<Job> Jobs() {
  const std::string longest(kControlPathMaxLength, 'p');
  return {
      {"keys and a filler",
       {'*', "3.1", "050", 3, "0016", "0002", ' ', "0008", 1234},
       {{1, 5, 'A'}, {6, 3, 'D'}, {9, 6, ' '}},
       {"14", "/data/in.dat", "/data/out.dat", "/work/", ""},
       8},
      {"traced, user order",
       {'T', "2", "100", 99999, "9999", "0000", 'U', "0512", 9999999999},
       {{3, 2, 'D'}, {1, 2, 'A'}},
       {"4", "in", "out", "", "ctl/order.sor"},
       512},
      {"no partition count: a tenth of the records per chunk",
       {'*', "1.0", "000", 1, "0000", "0000", ' ', "0000", 75},
       OneByteEntries(1, 9, 'A'),
       {"10", "a b", "c d", "tmp dir/", ""},
       7},
      FullJob("short paths, as many entries as fit", "i", "o"),
      FullJob("longest paths, as many entries as fit", longest, longest),
  };
}

TEST(EngineControlRecordTest, WhatTheWriterWritesTheReaderReads) {
  for (const Job& job : Jobs()) {
    SCOPED_TRACE(job.name);
    std::string bytes;
    ASSERT_TRUE(BuildControlRecord(job.header, job.entries, job.trailer, &bytes));
    ParsedControlRecord read;
    std::string partition_field;
    ASSERT_TRUE(ParseControlRecord(bytes, {}, &read, &partition_field));
    EXPECT_EQ(read.trace, job.header.trace_flag == 'T');
    EXPECT_EQ(read.memory_text, job.header.memory_percent);
    EXPECT_EQ(read.chunk_count, job.header.chunks);
    EXPECT_EQ(read.upper_limit, std::stoll(job.header.upper_limit));
    EXPECT_EQ(read.lower_limit, std::stoll(job.header.lower_limit));
    EXPECT_EQ(read.sort_order, job.header.sort_order);
    EXPECT_EQ(partition_field, job.header.partitions);
    EXPECT_EQ(read.partitions, job.partitions);
    EXPECT_EQ(read.records_per_chunk, job.header.records_per_chunk);
    EXPECT_EQ(read.entries, job.entries);
    EXPECT_EQ(read.record_length, std::stoll(job.trailer.record_length));
    EXPECT_EQ(read.input_path, job.trailer.input_path);
    EXPECT_EQ(read.output_path, job.trailer.output_path);
    EXPECT_EQ(read.work_prefix, job.trailer.work_prefix);
    EXPECT_EQ(read.collating_path, job.trailer.collating_path);
  }
}

// One entry more than the room the writer reports, or one path byte too many, is refused.
TEST(EngineControlRecordTest, TheWriterKeepsToTheReadersLimits) {
  const std::string longest(kControlPathMaxLength, 'p');
  const ControlTrailer trailers[] = {
      {"1", "i", "o", "", ""},
      {"1", longest, longest, longest, ""},
      {"1", longest, "o", "w/", longest},
  };
  for (const ControlTrailer& trailer : trailers) {
    const size_t room = ControlEntryRoom(trailer);
    SCOPED_TRACE(room);
    std::string bytes;
    EXPECT_FALSE(BuildControlRecord({}, OneByteEntries(room + 1, 0, 'A'), trailer, &bytes));
    ASSERT_TRUE(BuildControlRecord({}, OneByteEntries(room, 0, 'A'), trailer, &bytes));
    EXPECT_LE(bytes.size(), kControlRecordMaxBytes);
    ControlTrailer too_long = trailer;
    too_long.input_path.assign(kControlPathMaxLength + 1, 'x');
    EXPECT_FALSE(BuildControlRecord({}, {{1, 1, 'A'}}, too_long, &bytes));
  }
}

}  // namespace
}  // namespace kvt::formats
