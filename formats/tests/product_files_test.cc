#include "formats/product_files.h"

#include <gtest/gtest.h>

#include "formats/resume_journal.h"

namespace kvt::formats {
namespace {

// Every name a run makes under its prefix is one the clean-up takes for a work file.
TEST(ProductFilesTest, TheCleanUpKnowsEveryWorkFileName) {
  struct Row {
    std::string folder;
    std::string name_prefix;
    int64_t pass;
    int64_t number;
  };
  const Row rows[] = {
      {"", "", 1, 1},          {"/work/", "", 0, 999},     {"w/", "job.", 12, 34},
      {"/a b/", "x ", 999, 1}, {"", "tmp", 1000, 1234567}, {"/w/", "KV", 3, 0},
  };
  for (const Row& row : rows) {
    const std::string path = WorkFileName(row.folder + row.name_prefix, row.pass, row.number);
    SCOPED_TRACE(path);
    ASSERT_EQ(path.compare(0, row.folder.size(), row.folder), 0);
    EXPECT_TRUE(IsWorkFileName(path.substr(row.folder.size()), row.name_prefix));
  }
  EXPECT_TRUE(IsWorkFileName(JournalName("job."), "job."));
}

// ... and nothing else: another prefix, another shape, the files beside the work files.
TEST(ProductFilesTest, TheCleanUpLeavesOtherNames) {
  struct Row {
    const char* name;
    const char* name_prefix;
  };
  const Row rows[] = {
      {"tmp001001.WRK", "job."},     {"job.tmp001001.WRK", ""},     {"job.tmp00100.WRK", "job."},
      {"job.tmp001001.wrk", "job."}, {"job.tmp0010a1.WRK", "job."}, {"job.tmp001001.WRK.x", "job."},
      {"job.TMP001001.WRK", "job."}, {"job.tmp001001", "job."},     {kWorkLockName, ""},
      {"out.dat.kvttmp", ""},        {"job.tmp-01001.WRK", "job."}, {"job.tmp 01001.WRK", "job."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(IsWorkFileName(row.name, row.name_prefix));
  }
}

TEST(ProductFilesTest, ReservedNames) {
  struct Row {
    std::string name;
    bool reserved;
  };
  // Windows reaches a file whatever the case of its name, and a program with or without ".exe".
  std::vector<Row> rows = {{"kvtsortLog.001", true},
                           {"kvtsortLog.999", true},
                           {"kvtsortLog.01", false},
                           {"kvtsortLog.0001", false},
                           {"kvtsortLog.00a", false},
                           {"kvtsort.txt", false},
                           {"", false},
                           {"kvtsorts.com", false},
                           {"KVTSORT.CTL", kWindowsNames},
                           {"KVTSORTLOG.001", kWindowsNames},
                           {"KVTInst.exe", kWindowsNames},
                           {"kv02SORT.EXE", kWindowsNames},
                           {"kvtsort.ctl.exe", false}};
  for (const char* name : kReservedNames) rows.push_back({name, true});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(IsReservedName(row.name), row.reserved);
  }
  EXPECT_EQ(TemporaryOutputPath("/o/out.dat"), "/o/out.dat.kvttmp");
}

}  // namespace
}  // namespace kvt::formats
