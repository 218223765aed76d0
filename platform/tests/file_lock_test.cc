#include "platform/file_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

// Two holders of one lock in one process: only one has it at a time, and closing lets it go.
void ExpectOneHolderAtATime(const std::string& path) {
  FileLock first;
  FileLock second;
  Status opened;
  auto open = [&](FileLock& lock) { return (opened = lock.Open(path)).ok(); };
  ASSERT_TRUE(open(first)) << opened.message();
  ASSERT_TRUE(open(second)) << opened.message();
  EXPECT_TRUE(first.TryLock()) << path;
  EXPECT_EQ(second.TryLock().code(), Status::Code::kBusy) << path;
  first.Close();
  EXPECT_TRUE(second.TryLock()) << path;
  second.Close();
  EXPECT_FALSE(first.TryLock()) << path << ": a closed lock takes nothing";
}

TEST(FileLock, AFileHasOneHolderAtATime) {
  kvt::testing::TempDir dir;
  ExpectOneHolderAtATime(dir / "job.lck");
  FileLock missing;
  const Status opened = missing.Open(dir / "no-such-folder" + kPathSeparator + "x.lck");
  EXPECT_FALSE(opened.ok());
  EXPECT_FALSE(opened.message().empty());
  EXPECT_FALSE(missing.TryLock());
}

#ifndef _WIN32
// Only a private regular file of the user's own is a lock: one that others can open is one they
// can hold, and a link could make the lock create or open a file elsewhere.
TEST(FileLock, OnlyAPrivateFileOfOurOwnIsALock) {
  kvt::testing::TempDir dir;
  const std::string path = dir / "job.lck";
  {
    FileLock made;
    const Status opened = made.Open(path);
    ASSERT_TRUE(opened.ok()) << opened.message();
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  std::filesystem::create_symlink(dir / "elsewhere", dir / "link.lck");
  ASSERT_EQ(::mkfifo((dir / "fifo.lck").c_str(), 0600), 0);
  for (const char* name : {"link.lck", "fifo.lck"}) {
    FileLock lock;
    const Status opened = lock.Open(dir / name);
    EXPECT_FALSE(opened.ok()) << name;
    EXPECT_FALSE(opened.message().empty()) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
  if (::geteuid() != 0) GTEST_SKIP() << "a lock file of another user needs root to make";
  ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  FileLock foreign;
  const Status opened = foreign.Open(path);
  EXPECT_FALSE(opened.ok());
  EXPECT_NE(opened.message().find("another user"), std::string::npos) << opened.message();
}

// While one holder has the lock, another learns who it is.
TEST(FileLock, TellsTheHoldingProcess) {
  kvt::testing::TempDir dir;
  FileLock holder, waiter;
  ASSERT_TRUE(holder.Open(dir / "job.lck").ok() && waiter.Open(dir / "job.lck").ok());
  ASSERT_TRUE(holder.TryLock());
  const pid_t child = ::fork();
  if (child == 0) _exit(waiter.HolderProcess() == ::getppid() ? 0 : 1);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
#endif

}  // namespace
}  // namespace kvt::platform
