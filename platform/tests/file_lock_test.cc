#include "platform/file_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

// Two holders of one lock in one process: only one has it at a time, and closing lets it go.
void ExpectOneHolderAtATime(const std::string& path, bool folder) {
  FileLock first;
  FileLock second;
  std::string reason;
  auto open = [&](FileLock& lock) {
    return folder ? lock.OpenFolder(path, &reason) : lock.Open(path, &reason);
  };
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
  ExpectOneHolderAtATime(dir / "job.lck", false);
  FileLock missing;
  std::string reason;
  EXPECT_FALSE(missing.Open(dir / "no-such-folder" + kPathSeparator + "x.lck", &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(missing.TryLock());
}

TEST(FileLock, AFolderHasOneHolderAtATime) {
  kvt::testing::TempDir dir;
  std::filesystem::create_directory(dir / "work");
  if (kPathSeparator == '\\') {
    FileLock folder;
    std::string reason;
    EXPECT_FALSE(folder.OpenFolder(dir / "work", &reason));
    GTEST_SKIP() << "Windows locks no folder: " << reason;
  }
  ExpectOneHolderAtATime(dir / "work", true);
}

}  // namespace
}  // namespace kvt::platform
