#include "formats/collating_file.h"

#include <gtest/gtest.h>

namespace kvt::formats {
namespace {

std::string Three(int v) {
  return std::string(1, char('0' + v / 100)) + char('0' + v / 10 % 10) + char('0' + v % 10);
}

// The file of a table given as place -> byte, with its inverse as the input table.
std::string FileOf(const int (&order)[256]) {
  int place[256];
  std::string text;
  for (int p = 0; p < 256; ++p) {
    text += Three(order[p]);
    place[order[p]] = p;
  }
  for (int b = 0; b < 256; ++b) text += Three(place[b]);
  return text;
}

std::string Problem(const std::string& file) {
  CollatingTables tables;
  if (ParseCollatingTables(file, &tables) != CollatingParse::kOk) return "short";
  return CollatingTablesProblem(tables);
}

TEST(CollatingFileTest, OnlyTablesThatUndoEachOtherPass) {
  int identity[256];
  for (int b = 0; b < 256; ++b) identity[b] = b;
  const std::string binary = FileOf(identity);
  std::string folded = binary;  // a..z weighed like A..Z in the input table
  for (int b = 'a'; b <= 'z'; ++b) folded.replace(768 + 3 * b, 3, Three(b - 32));
  std::string not_inverse = binary;
  not_inverse.replace(3 * 66, 3, "067");
  not_inverse.replace(3 * 67, 3, "066");
  struct Row {
    std::string name, file, problem;
  } rows[] = {
      {"binary", binary, ""},
      {"folded", folded, "the value 065 stands twice in the input table (for bytes 065 and 097)"},
      {"output not inverse", not_inverse,
       "the output table does not give back byte 066 (it gives 067)"},
      {"title read as digits", std::string(32, ' ') + binary.substr(0, 1536 - 32),
       "the value 000 stands twice in the input table (for bytes 006 and 011)"},
      {"input half short", binary.substr(0, 1535), "short"},
  };
  for (const Row& row : rows) EXPECT_EQ(Problem(row.file), row.problem) << row.name;
}

}  // namespace
}  // namespace kvt::formats
