#include "jobfront/job_settings.h"

#include <gtest/gtest.h>

#include "jobfront/engine_record.h"

namespace kvt::jobfront {
namespace {

struct PathRow {
  const char* mainDir;
  const char* given;
  const char* expected;
};

// A path is absolute by the system's rule: a leading '/' on POSIX; on Windows a ':' (a drive
// letter) or a leading \\ (a network share).
#ifdef _WIN32
const PathRow kControlFiles[] = {
    {"C:\\kvt\\", "job.txt", "C:\\kvt\\SortCtl\\job.txt"},
    {"C:\\kvt\\", "sub\\job.txt", "C:\\kvt\\SortCtl\\sub\\job.txt"},
    {"C:\\kvt\\", "D:\\elsewhere\\job.txt", "D:\\elsewhere\\job.txt"},
    {"C:\\kvt\\", "\\\\server\\share\\job.txt", "\\\\server\\share\\job.txt"},
};
const PathRow kDataFiles[] = {
    {"C:\\kvt\\", "data\\in.dat", "C:\\kvt\\data\\in.dat"},
    {"C:\\kvt\\", "D:\\data\\in.dat", "D:\\data\\in.dat"},
    {"C:\\kvt\\", "\\\\server\\share\\in.dat", "\\\\server\\share\\in.dat"},
};
#else
const PathRow kControlFiles[] = {
    {"/kvt/", "job.txt", "/kvt/SortCtl/job.txt"},
    {"/kvt/", "sub/job.txt", "/kvt/SortCtl/sub/job.txt"},
    {"/kvt/", "/elsewhere/job.txt", "/elsewhere/job.txt"},
};
const PathRow kDataFiles[] = {
    {"/kvt/", "data/in.dat", "/kvt/data/in.dat"},
    {"/kvt/", "/data/in.dat", "/data/in.dat"},
};
#endif

TEST(JobSettingsTest, BareControlFileNamesAreInSortCtl) {
  for (const PathRow& row : kControlFiles)
    EXPECT_EQ(controlFilePath(row.mainDir, row.given), row.expected) << row.given;
}

TEST(JobSettingsTest, RelativeDataPathsAreInTheMainDirectory) {
  for (const PathRow& row : kDataFiles)
    EXPECT_EQ(completePath(row.mainDir, row.given), row.expected) << row.given;
}

TEST(JobSettingsTest, MemoryUsageDefaults) {
  EXPECT_EQ(memoryUsageText(""), "80");
  EXPECT_EQ(memoryUsageText("0"), "80");
  EXPECT_EQ(memoryUsageText("*"), "80");
  EXPECT_EQ(memoryUsageText("*50"), "80");
  EXPECT_EQ(memoryUsageText("50"), "50");
  EXPECT_EQ(memoryUsageText("1000"), "1000");
}

TEST(JobSettingsTest, StarValuesAndFixedWidths) {
  EXPECT_EQ(workFilesText("*"), "00000");
  EXPECT_EQ(workFilesText("12"), "12");
  EXPECT_EQ(splitLimitText("*"), "0000");
  EXPECT_EQ(splitLimitText(""), "0000");
  EXPECT_EQ(splitLimitText("64"), "0064");
  EXPECT_EQ(splitsText(" 8 "), "0008");
  EXPECT_EQ(splitsText(""), "0000");
  EXPECT_EQ(versionStamp("20"), "20 ");
  EXPECT_EQ(versionStamp("2.0.1"), "2.0");
  EXPECT_EQ(sortOrderChar(""), ' ');
  EXPECT_EQ(sortOrderChar("Binary"), 'B');
  EXPECT_EQ(traceFlag("ON"), 'T');
  EXPECT_EQ(traceFlag("on"), '*');
  EXPECT_EQ(traceFlag("OFF"), '*');
}

TEST(JobSettingsTest, AStarInFrontStandsForTheDefaultOfKeysThatHaveOne) {
  struct Row {
    const char* key;
    const char* value;
    const char* refused;  // the key named as bad, "" when the value is taken
  };
  const Row rows[] = {
      {"MEMORYUSAGE", "*50", ""},
      {"WORKFILES", "*8", ""},
      {"MAXSPLIT", " *64 ", ""},
      {"MINSPLIT", "*none", ""},
      {"MEMORYUSAGE", "*", ""},
      {"SPLITS", "*4", "SPLITS"},
      {"MEMORYUSAGE", "50*", "MEMORYUSAGE"},
      {"WORKFILES", "x*", "WORKFILES"},
  };
  for (const Row& row : rows) {
    SectionLookup lookup = [&](const std::string&, const std::string& key) {
      return key == row.key ? std::string(row.value) : std::string();
    };
    std::string value;
    EXPECT_EQ(firstBadNumber(lookup, &value), row.refused) << row.key << "=" << row.value;
  }
}

TEST(JobSettingsTest, SortOrderFileIsNamedAfterTheControlFile) {
  EXPECT_EQ(collatingTablePath("/kvt/SortCtl/job.txt"), "/kvt/SortCtl/job.sor");
  EXPECT_EQ(collatingTablePath("/kvt/SortCtl/job.v2.txt"), "/kvt/SortCtl/job.v2.sor");
  EXPECT_EQ(collatingTablePath("/kvt/SortCtl/job"), "");
  // A dot in a folder name is not the file's extension.
  EXPECT_EQ(collatingTablePath("/kvt.d/SortCtl/job"), "");
}

}  // namespace
}  // namespace kvt::jobfront
