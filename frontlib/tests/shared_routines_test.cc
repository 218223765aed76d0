#include "frontlib/shared_routines.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/support/temp_dir.h"

namespace kvt::front {
namespace {

using testing::TempDir;
using testing::WriteFile;

class ErrTextTest : public ::testing::Test {
 protected:
  void SetUp() override { setErrTextPath(path_); }
  void TearDown() override { setErrTextPath(""); }

  TempDir dir_;
  std::string path_ = dir_ / "ErrText.txt";
};

TEST_F(ErrTextTest, FindsTheLineOfTheCode) {
  WriteFile(path_,
            "131 Not enough memory available.\r\n"
            "133 Input length is not a multiple of the record length.\r\n");
  EXPECT_EQ(errText(133), "Input length is not a multiple of the record length.");
  EXPECT_EQ(errText(131), "Not enough memory available.");
  EXPECT_EQ(errText(500), "");
  EXPECT_EQ(errText(0), "");
}

TEST_F(ErrTextTest, MissingPiecesGiveAnEmptyText) {
  EXPECT_EQ(errText(131), "");  // no file
  EXPECT_FALSE(std::filesystem::exists(path_));
  setErrTextPath("");
  EXPECT_EQ(errText(131), "");  // no path
  setErrTextPath(path_);
  WriteFile(path_, "131 first\r\n133 no line end");
  EXPECT_EQ(errText(133), "");
  EXPECT_EQ(errText(131), "first");
  // A line longer than its 128 bytes ends the search.
  WriteFile(path_, "131 " + std::string(200, 'x') + "\r\n133 after\r\n");
  EXPECT_EQ(errText(133), "");
  // A blank line holds no code 0, and a blank run ends the search.
  WriteFile(path_, "   \r\n" + std::string(130, ' ') + "\r\n131 late\r\n");
  EXPECT_EQ(errText(0), "");
  EXPECT_EQ(errText(131), "");
}

TEST_F(ErrTextTest, ReadsTheFileAsItIsNow) {
  WriteFile(path_, "131 old\r\n");
  EXPECT_EQ(errText(131), "old");
  WriteFile(path_, "131 new\r\n");
  EXPECT_EQ(errText(131), "new");
}

TEST(FileMissingTest, TrimsAndMatchesFilesOnly) {
  TempDir dir;
  WriteFile(dir / "kvtsortLog.001", "x");
  EXPECT_FALSE(fileMissing("   " + (dir / "kvtsortLog.001") + "  "));
  EXPECT_TRUE(fileMissing(dir / "kvtsortLog.002"));
  EXPECT_TRUE(fileMissing("   "));
  EXPECT_TRUE(fileMissing(dir.path()));  // a folder is not a file
  EXPECT_FALSE(fileMissing(dir / "kvtsortLog.*"));
  EXPECT_TRUE(fileMissing(dir / "kvtsort.o?d"));
}

TEST(FileMissingTest, WildcardsStandForPartsOfAnyFolderOrFileName) {
  TempDir dir;
  const std::string sep(1, static_cast<char>(std::filesystem::path::preferred_separator));
  const std::string in = dir / "in" + sep;
  std::filesystem::create_directories(in + "day1");
  std::filesystem::create_directories(in + "day2.dat");
  WriteFile(in + "day1" + sep + "a.dat", "x");
  WriteFile(in + ".hidden", "x");
  struct Row {
    std::string pattern;
    bool missing;
  } rows[] = {
      {in + "day?" + sep + "*.dat", false},
      {dir / "*" + sep + "day1" + sep + "a.d?t", false},
      {in + "*" + sep + "b.dat", true},
      {in + "day*.dat", true},  // only a folder matches
      {in + "*hidden", true},   // a wildcard never matches a leading dot
      {in + ".h*", false},
      {dir / "none" + sep + "*.dat", true},
  };
  for (const Row& row : rows) EXPECT_EQ(fileMissing(row.pattern), row.missing) << row.pattern;
}

TEST(NumberTest, TextAndValueOfNumbers) {
  EXPECT_EQ(numberText(0), " 0");
  EXPECT_EQ(numberText(-1), "-1");
  EXPECT_EQ(trim("  a b  "), "a b");
  EXPECT_EQ(numericValue("  80"), 80);
  EXPECT_EQ(numericValue("041"), 41);
  EXPECT_EQ(numericValue("12abc"), 12);
  EXPECT_EQ(numericValue("-7 "), -7);
  EXPECT_EQ(numericValue("abc"), 0);
  EXPECT_EQ(numericValue("99999999999999999999999"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(numericValue("-99999999999999999999999"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(numericValue("5000000000"), 5000000000);
}

}  // namespace
}  // namespace kvt::front
