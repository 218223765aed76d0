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
  std::string reason;
  auto open = [&](FileLock& lock) { return lock.Open(path, &reason); };
  ASSERT_TRUE(open(first)) << reason;
  ASSERT_TRUE(open(second)) << reason;
  EXPECT_TRUE(first.TryLock()) << path;
  EXPECT_FALSE(second.TryLock()) << path;
  first.Close();
  EXPECT_TRUE(second.TryLock()) << path;
  second.Close();
  EXPECT_FALSE(first.TryLock()) << path << ": a closed lock takes nothing";
}

TEST(FileLock, AFileHasOneHolderAtATime) {
  kvt::testing::TempDir dir;
  ExpectOneHolderAtATime(dir / "job.lck");
  FileLock missing;
  std::string reason;
  EXPECT_FALSE(missing.Open(dir / "no-such-folder" + kPathSeparator + "x.lck", &reason));
  EXPECT_FALSE(reason.empty());
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
    std::string reason;
    ASSERT_TRUE(made.Open(path, &reason)) << reason;
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  std::filesystem::create_symlink(dir / "elsewhere", dir / "link.lck");
  ASSERT_EQ(::mkfifo((dir / "fifo.lck").c_str(), 0600), 0);
  for (const char* name : {"link.lck", "fifo.lck"}) {
    FileLock lock;
    std::string reason;
    EXPECT_FALSE(lock.Open(dir / name, &reason)) << name;
    EXPECT_FALSE(reason.empty()) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
  if (::geteuid() != 0) GTEST_SKIP() << "a lock file of another user needs root to make";
  ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  FileLock foreign;
  std::string reason;
  EXPECT_FALSE(foreign.Open(path, &reason));
  EXPECT_NE(reason.find("another user"), std::string::npos) << reason;
}

// While one holder has the lock, another learns who it is.
TEST(FileLock, TellsTheHoldingProcess) {
  kvt::testing::TempDir dir;
  FileLock holder, waiter;
  std::string reason;
  ASSERT_TRUE(holder.Open(dir / "job.lck", &reason) && waiter.Open(dir / "job.lck", &reason));
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
