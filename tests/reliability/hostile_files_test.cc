// Odd or hostile arrangements around one job: each row sets one up, runs the job and checks its
// code and that no file outside the job's own changed (the input, the output's old content,
// and everything planted next to them).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "platform/file_lock.h"
#include "product_dir.h"

namespace kvt::reliability {
namespace {

namespace fs = std::filesystem;

constexpr size_t kRecords = 3600;
constexpr uid_t kOtherUser = 65534;  // nobody

// Every regular file below root, by path, with its bytes; other entries by their type.
std::map<std::string, std::string> snapshot(const std::string& root) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const fs::file_status st = it->symlink_status();
    files[it->path().string()] = fs::is_regular_file(st) ? readFile(it->path().string())
                                                         : "type " + std::to_string(int(st.type()));
  }
  return files;
}

// Runs kv02sort; a job that still runs after 60 s has hung and is ended (code -1).
int runWithin(const ProductDir& dir, const RunOptions& options = {}) {
  const pid_t pid = dir.start(options);
  for (int tick = 0; tick < 600; ++tick) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return exitCodeOf(status);
    ::usleep(100000);
  }
  ::kill(-pid, SIGKILL);
  waitFor(pid);
  return -1;
}

struct Arrangement {
  std::string name;
  // Changes the job and plants files; may fill the run's options.
  std::function<void(ProductDir&, SortJob&, RunOptions&)> arrange;
  int code;
  std::string logged;  // a part of the front-end's or the engine's log that names the cause
};

void PrintTo(const Arrangement& row, std::ostream* out) { *out << row.name; }

class HostileFilesTest : public ::testing::TestWithParam<Arrangement> {};

TEST_P(HostileFilesTest, RefusedOrSortedWithNothingElseChanged) {
  const Arrangement& row = GetParam();
  ProductDir dir;
  const std::string input = makeInput(kRecords, 61);
  writeFile(dir.data() + "in.dat", input);
  writeFile(dir.data() + "out.dat", "the previous output\n");
  SortJob job = dir.defaultJob();
  RunOptions options;
  row.arrange(dir, job, options);
  dir.writeJob(job);
  const auto before = snapshot(dir.data());
  const auto outside = snapshot(dir.outside());

  EXPECT_EQ(runWithin(dir, options), row.code);
  auto after = snapshot(dir.data());
  if (row.code == 0) {
    EXPECT_TRUE(sameBytes(readFile(job.output), sortedByKey(readFile(job.input))));
    after[job.output] = before.at(job.output);
  }
  EXPECT_EQ(after, before) << "the data folder changed";
  EXPECT_EQ(snapshot(dir.outside()), outside) << "a file outside the job changed";
  EXPECT_FALSE(exists(job.output + ".kvttmp"));
  // What the job said, in its log or (where no log can be written) on standard error.
  const std::string said =
      readFile(dir.main() + "kvtsort.log") + readFile(dir.root() + "kv02sort.out");
  EXPECT_NE(said.find(row.logged), std::string::npos) << said;
}

void userOrder(ProductDir& dir, SortJob& job, const std::string& table) {
  job.sortOrder = "USERDEFINED";
  writeFile(dir.main() + "SortCtl/job.sor", table);
}

const Arrangement kArrangements[] = {
    {"OutputIsAFifo",
     [](ProductDir&, SortJob& j, RunOptions&) {
       fs::remove(j.output);
       ASSERT_EQ(::mkfifo(j.output.c_str(), 0600), 0);
     },
     172, "is not a regular file"},
    {"OutputIsALinkToAFifo",
     [](ProductDir& d, SortJob& j, RunOptions&) {
       ASSERT_EQ(::mkfifo((d.data() + "fifo").c_str(), 0600), 0);
       fs::remove(j.output);
       fs::create_symlink(d.data() + "fifo", j.output);
     },
     172, "is not a regular file"},
    {"CollatingTableIsAFifo",
     [](ProductDir& d, SortJob& j, RunOptions&) {
       j.sortOrder = "USERDEFINED";
       ASSERT_EQ(::mkfifo((d.main() + "SortCtl/job.sor").c_str(), 0600), 0);
     },
     141, "not a regular file"},
    {"ControlFileIsAFifo",
     [](ProductDir& d, SortJob&, RunOptions& o) {
       ASSERT_EQ(::mkfifo((d.main() + "SortCtl/fifo.txt").c_str(), 0600), 0);
       o.controlFile = "fifo.txt";
     },
     175, "cannot be read"},
    {"FolderAtAWorkFileName",
     [](ProductDir& d, SortJob& j, RunOptions&) {
       j.workFiles = "3";
       fs::create_directory(d.work() + "tmp000002.WRK");
     },
     114, "tmp000002.WRK"},
    {"TooFewFileHandles", [](ProductDir&, SortJob&, RunOptions& o) { o.openFilesLimit = 10; }, 178,
     "Too few file handles"},
    // The file-size limit below the log's size: the job says so and ends with a code of its
    // own instead of being ended by the system's signal with no word.
    {"FileSizeLimitBelowTheLog",
     [](ProductDir& d, SortJob&, RunOptions& o) {
       writeFile(d.main() + "kvtsort.log", std::string(8192, 'x'));
       o.fileSizeLimit = 4096;
       o.defaultSigxfsz = true;
     },
     168, "file-size limit (ulimit -f)"},
    {"WorkFolderLockOfAnotherUser",
     [](ProductDir& d, SortJob&, RunOptions&) {
       writeFile(d.work() + "kvtwork.lck", "");
       if (::geteuid() != 0) GTEST_SKIP() << "making a file of another user needs root";
       ASSERT_EQ(::chown((d.work() + "kvtwork.lck").c_str(), kOtherUser, kOtherUser), 0);
     },
     173, "belongs to another user"},
};

INSTANTIATE_TEST_SUITE_P(Rows, HostileFilesTest, ::testing::ValuesIn(kArrangements),
                         [](const auto& info) { return info.param.name; });

// Whatever the shipped standard order, stored as the editor stores it beside a control file
// (its digits after the 32-byte title), the output holds the input's records byte for byte.
TEST(CollatingTablesTest, EveryShippedOrderKeepsTheRecords) {
  int orders = 0;
  for (const auto& entry : fs::directory_iterator(STDORDER_DIR)) {
    ProductDir dir;
    writeFile(dir.data() + "in.dat", makeInput(kRecords, 64));
    SortJob job = dir.defaultJob();
    userOrder(dir, job, readFile(entry.path().string()).substr(32));
    dir.writeJob(job);
    ASSERT_EQ(dir.run(), 0) << entry.path();
    auto records = [](const std::string& file) {
      std::vector<std::string> all;
      for (size_t at = 0; at < file.size(); at += kRecordLength)
        all.push_back(file.substr(at, kRecordLength));
      std::sort(all.begin(), all.end());
      return all;
    };
    EXPECT_TRUE(records(readFile(job.input)) == records(readFile(job.output))) << entry.path();
    ++orders;
  }
  EXPECT_GE(orders, 3);
}

// Another user can neither open the job's lock files nor make a job wait on them; a job that
// waits for a job of its own user gives up after --wait-limit and names the holder.
TEST(LocksTest, OnlyTheUsersOwnJobsCanHoldThem) {
  ProductDir dir;
  writeFile(dir.data() + "in.dat", makeInput(kRecords, 63));
  writeFile(dir.main() + "kvtsort.lck", "");
  ::chmod((dir.main() + "kvtsort.lck").c_str(), 0644);  // as an earlier version left it
  dir.writeJob(dir.defaultJob());
  ASSERT_EQ(dir.run(), 0);
  for (const std::string& lock : {dir.main() + "kvtsort.lck", dir.work() + "kvtwork.lck"})
    EXPECT_EQ(permissions(lock), 0600u) << lock;

  platform::FileLock held;
  const platform::Status opened = held.Open(dir.main() + "kvtsort.lck");
  ASSERT_TRUE(opened.ok()) << opened.message();
  ASSERT_TRUE(held.TryLock());
  RunOptions options;
  options.options = {"--wait-limit", "1"};
  EXPECT_EQ(dir.run(options), 174);
  EXPECT_NE(dir.frontMessages("STA").size(), 0u);
  const std::string holder = "held by process " + std::to_string(::getpid());
  EXPECT_NE(readFile(dir.main() + "kvtsort.log").find(holder), std::string::npos);
  held.Close();

  if (::geteuid() != 0) GTEST_SKIP() << "switching to another user needs root";
  // The other user may reach the lock file; only the file's own mode keeps them out.
  ::chmod(dir.root().c_str(), 0755);
  ::chmod(dir.main().c_str(), 0755);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0) _exit(2);
    const int fd = ::open((dir.main() + "kvtsort.lck").c_str(), O_RDONLY);
    _exit(fd < 0 ? 0 : 1);
  }
  EXPECT_EQ(waitFor(child), 0) << "another user could open the job lock";
}

}  // namespace
}  // namespace kvt::reliability
