#include "formats/resume_journal.h"

#include <gtest/gtest.h>

namespace kvt::formats {
namespace {

// What a kill can leave of a journal, and what a reader makes of it.
TEST(ResumeJournalTest, OnlyWholeLinesCount) {
  Journal written;
  written.input = {3000, 1234567890123, 0x0123456789abcdef, 0};
  written.control = std::string("S\0ctl\xff bytes", 12);
  const std::string head = FormatJournalHead(written);
  const std::string first = FormatJournalEntry({"tmp000001.WRK", 1500, ~uint64_t{0}, 8, 16, false});
  const std::string second = FormatJournalEntry({"a b tmp000002.WRK", 1500, 7, 2, 2, true});
  struct Row {
    const char* name;
    std::string text;
    bool parsed;
    size_t entries;
  };
  const Row rows[] = {
      {"whole", head + first + second, true, 2},
      {"last line cut short", head + first + second.substr(0, 20), true, 1},
      {"head cut short", head.substr(0, head.size() - 3), false, 0},
      {"a line not understood", head + "file 12 xyz\n" + second, false, 0},
      {"another format", "KVT resume journal 1" + head.substr(20) + first, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Journal read;
    ASSERT_EQ(ParseJournal(row.text, &read), row.parsed);
    if (!row.parsed) continue;
    EXPECT_EQ(read.input, written.input);
    EXPECT_EQ(read.control, written.control);
    ASSERT_EQ(read.entries.size(), row.entries);
    EXPECT_EQ(read.entries[0].checksum, ~uint64_t{0});
    EXPECT_EQ(read.entries[0].sort_partitions, 16);
    if (row.entries == 2) {
      EXPECT_EQ(read.entries[1].name, "a b tmp000002.WRK");
      EXPECT_TRUE(read.entries[1].presorted);
    }
  }
}

}  // namespace
}  // namespace kvt::formats
