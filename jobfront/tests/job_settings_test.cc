#include "jobfront/job_settings.h"

#include <gtest/gtest.h>

#include "jobfront/engine_record.h"

namespace kvt::jobfront {
namespace {

TEST(JobSettingsTest, BareControlFileNamesAreInSortCtl) {
  EXPECT_EQ(controlFilePath("/kvt/", "job.txt"), "/kvt/SortCtl/job.txt");
  EXPECT_EQ(controlFilePath("/kvt/", "sub/job.txt"), "/kvt/SortCtl/sub/job.txt");
  EXPECT_EQ(controlFilePath("/kvt/", "/elsewhere/job.txt"), "/elsewhere/job.txt");
}

TEST(JobSettingsTest, RelativeDataPathsAreInTheMainDirectory) {
  EXPECT_EQ(completePath("/kvt/", "data/in.dat"), "/kvt/data/in.dat");
  EXPECT_EQ(completePath("/kvt/", "/data/in.dat"), "/data/in.dat");
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

TEST(JobSettingsTest, SortOrderFileIsNamedAfterTheControlFile) {
  EXPECT_EQ(collatingTablePath("/kvt/SortCtl/job.txt"), "/kvt/SortCtl/job.sor");
  EXPECT_EQ(collatingTablePath("/kvt/SortCtl/job.v2.txt"), "/kvt/SortCtl/job.v2.sor");
  EXPECT_EQ(collatingTablePath("/kvt/SortCtl/job"), "");
  // A dot in a folder name is not the file's extension.
  EXPECT_EQ(collatingTablePath("/kvt.d/SortCtl/job"), "");
}

}  // namespace
}  // namespace kvt::jobfront
