// The status file's commit policy: every record lands whole in the file at once, but the disk is
// asked to commit it only about once a second and at the end of the run.
#include <gtest/gtest.h>

#include "engine/status_writer.h"
#include "engine/tests/test_support.h"

namespace kvt::engine::test {
namespace {

struct CommitCase {
  const char* what;
  std::vector<int64_t> progress_at_ms;  // clock reading at each progress record
  int64_t end_at_ms;
  int64_t commits;  // commits to disk over the whole run, end record included
};

void PrintTo(const CommitCase& c, std::ostream* os) { *os << c.what; }

class StatusCommitTest : public ::testing::TestWithParam<CommitCase> {};

TEST_P(StatusCommitTest, CommitsAtMostOnceASecondAndAtTheEnd) {
  const CommitCase& c = GetParam();
  TempDir dir;
  int64_t now = 0;
  StatusFile status([&now] { return now; });
  ASSERT_TRUE(status.Open(dir / "kvtsort.sts"));
  status.WriteStart();
  for (int64_t at : c.progress_at_ms) {
    now = at;
    status.WriteProgress(StatusType::kPartition, 1, 2, 3);
  }
  now = c.end_at_ms;
  status.WriteEnd("002", 1, 0);
  EXPECT_EQ(status.commits(), c.commits) << c.what;
  // Whatever was committed, every record is in the file.
  std::vector<std::string> records = StatusRecords(dir / "kvtsort.sts");
  ASSERT_EQ(records.size(), c.progress_at_ms.size() + 1) << c.what;
  EXPECT_EQ(records[0].substr(33, 3), "003");
  for (size_t k = 1; k < records.size(); ++k) EXPECT_EQ(Describe(records[k]), "001:1/2/3");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, StatusCommitTest,
    ::testing::Values(
        CommitCase{"a thousand records in one instant", std::vector<int64_t>(1000, 5), 5, 1},
        CommitCase{"a record every 400 ms", {400, 800, 1200, 1600, 2000, 2400}, 2500, 3},
        CommitCase{"no progress at all", {}, 0, 1},
        CommitCase{"slow records", {1000, 2000, 3500}, 3600, 4}));

}  // namespace
}  // namespace kvt::engine::test
