// Internal record form: rearrangement, collating translation of the key entries, restore.
#include <gtest/gtest.h>

#include "engine/chunk_reader.h"
#include "engine/collating.h"
#include "engine/merge_passes.h"
#include "engine/record_layout.h"
#include "engine/return_codes.h"
#include "engine/tests/test_support.h"
#include "engine/work_files.h"

namespace kvt::engine::test {
namespace {

ControlRecord Control(std::vector<FieldEntry> entries, std::vector<KeyGroup> groups, int length) {
  ControlRecord c;
  c.entries = std::move(entries);
  c.groups = std::move(groups);
  c.record_length = length;
  return c;
}

TEST(RecordLayoutTest, KeysComeFirstAndRestoreUndoesIt) {
  ControlRecord c = Control({{5, 2, 'A'}, {1, 4, ' '}, {7, 2, ' '}}, {{0, 2, 'A'}}, 8);
  RecordLayout layout(c, nullptr);
  EXPECT_FALSE(layout.identity());
  std::string in = "abcdEFgh", internal(8, '?'), out(8, '?');
  layout.ToInternal(reinterpret_cast<const uint8_t*>(in.data()),
                    reinterpret_cast<uint8_t*>(internal.data()));
  EXPECT_EQ(internal, "EFabcdgh");
  layout.Restore(reinterpret_cast<const uint8_t*>(internal.data()),
                 reinterpret_cast<uint8_t*>(out.data()));
  EXPECT_EQ(out, in);
  EXPECT_TRUE(
      RecordLayout(Control({{1, 2, 'A'}, {3, 6, ' '}}, {{0, 2, 'A'}}, 8), nullptr).identity());
}

TEST(RecordLayoutTest, TranslatesEveryKeyEntryEvenWithinOneGroup) {
  CollatingTables t;
  for (int b = 0; b < 256; ++b) {
    t.input[b] = static_cast<uint8_t>(b ^ 0x80);
    t.output[b] = static_cast<uint8_t>(b ^ 0x80);
  }
  // Two key entries in one group: both are compared, so both are translated; the non-key
  // entry is carried as it is.
  ControlRecord c = Control({{1, 1, 'A'}, {2, 1, 'A'}, {3, 1, ' '}}, {{0, 2, 'A'}}, 3);
  RecordLayout layout(c, &t);
  std::string in = "\x01\x02\xff", internal(3, '?'), out(3, '?');
  layout.ToInternal(reinterpret_cast<const uint8_t*>(in.data()),
                    reinterpret_cast<uint8_t*>(internal.data()));
  EXPECT_EQ(internal, std::string("\x81\x82\xff", 3));
  layout.Restore(reinterpret_cast<const uint8_t*>(internal.data()),
                 reinterpret_cast<uint8_t*>(out.data()));
  EXPECT_EQ(out, in);
}

TEST(CollatingTest, TablesAreReadAsThreeDigitNumbersModulo256) {
  std::string data;
  for (int k = 0; k < 256; ++k) data += k == 200 ? std::string("300") : "007";  // output table
  for (int k = 0; k < 256; ++k) data += "255";                                  // input table
  CollatingTables t;
  // Read as stored; such tables would then be refused, since they do not undo each other.
  ASSERT_EQ(formats::ParseCollatingTables(data, &t), formats::CollatingParse::kOk);
  EXPECT_EQ(ParseCollatingTables(data, &t), kCollatingNotPermutation);
  EXPECT_EQ(t.output[0], 7);
  EXPECT_EQ(t.output[200], 300 % 256);
  EXPECT_EQ(t.input[128], 255);
  EXPECT_EQ(ParseCollatingTables(data.substr(0, 1535), &t), kCollatingTooShort);
  EXPECT_EQ(ParseCollatingTables(data.substr(0, 767), &t), kCollatingTooShort);
  TempDir dir;
  EXPECT_EQ(LoadCollatingTables(dir / "none.sor", &t), kCollatingOpenFailed);
}

TEST(WorkFileNameTest, PassAndNumberHaveThreeDigitsAtLeast) {
  EXPECT_EQ(WorkFileName("/w/", 0, 1), "/w/tmp000001.WRK");
  EXPECT_EQ(WorkFileName("", 12, 123), "tmp012123.WRK");
  EXPECT_EQ(WorkFileName("p", 1, 1000), "ptmp0011000.WRK");
}

}  // namespace
}  // namespace kvt::engine::test

namespace kvt::engine::test {
namespace {

// Files that another program shortens or lengthens under a running sort: the input between its
// opening and its chunks, a work file between its writing and its merge. Either is a failed
// read (113), never a smaller or larger output.
TEST(ChangedFilesTest, ShortOrLongFilesAreReadErrors) {
  ControlRecord c = Control({{1, 4, 'A'}}, {{0, 4, 'A'}}, 4);
  RecordLayout layout(c, nullptr);
  KeyComparer cmp(c.groups);
  WorkerPool pool(1);
  TempDir dir;
  const std::string path = dir / "in.dat";
  for (const char* change : {"shorter", "longer"}) {
    WriteFile(path, "aaaabbbbccccdddd");
    InputFile input;
    ASSERT_EQ(input.Open(path, 4, false), kOk);
    WriteFile(path, std::string(change) == "shorter" ? "aaaabbbb" : "aaaabbbbccccddddeeee");
    EXPECT_FALSE(input.SizeUnchanged()) << change;
  }
  WriteFile(dir / "w1", "aaaacccc");
  WriteFile(dir / "w2", "bbbb");
  Merger merger(layout, cmp, &pool);
  EXPECT_EQ(merger.MergeGroup({dir / "w1", dir / "w2"}, {2, 2}, dir / "out", true),
            kChunkReadFailed);
  EXPECT_FALSE(Exists(dir / "out"));
  EXPECT_EQ(merger.MergeGroup({dir / "w1", dir / "w2"}, {2, 1}, dir / "out", true), kOk);
  EXPECT_EQ(ReadFile(dir / "out"), "aaaabbbbcccc");
}

}  // namespace
}  // namespace kvt::engine::test
