#include "platform/process.h"

#include <gtest/gtest.h>

#include <csignal>

#include "platform/file_util.h"
#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

TEST(Process, ReportsExitCodesAndStillActive) {
  pid_t pid = StartHidden("/bin/sh", {"-c", "exit 109"});
  ASSERT_GT(pid, 0);
  ProcessHandle handle(pid);
  EXPECT_EQ(handle.WaitExitCode(10000), 109u);
  EXPECT_EQ(handle.ExitCode(), 109u);  // reaped once, the code stays

  ProcessHandle sleeper(StartHidden("/bin/sleep", {"30"}));
  ASSERT_TRUE(sleeper.valid());
  EXPECT_EQ(sleeper.ExitCode(), kStillActive);
  ::kill(sleeper.pid(), SIGKILL);
  EXPECT_EQ(sleeper.WaitExitCode(10000), 128u + SIGKILL);
}

TEST(Process, ExitCodesAreSeenWhenTheParentIgnoredSigchld) {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  struct sigaction before;
  ASSERT_EQ(::sigaction(SIGCHLD, &ignore, &before), 0);
  ProcessHandle handle(StartHidden("/bin/sh", {"-c", "exit 3"}));
  EXPECT_EQ(handle.WaitExitCode(10000), 3u);
  // The child's own children are seen as well.
  ProcessHandle parent(StartHidden("/bin/sh", {"-c", "sh -c 'exit 4'; exit $?"}));
  EXPECT_EQ(parent.WaitExitCode(10000), 4u);
  ::sigaction(SIGCHLD, &before, nullptr);
}

TEST(Process, FailedStartGivesZero) {
  EXPECT_EQ(StartHidden("/nonexistent/kvtsorts", {}), 0);
  testing::TempDir dir;
  ASSERT_TRUE(AtomicReplaceFile(dir / "notexec", "#!/bin/sh\nexit 0\n"));
  EXPECT_EQ(StartHidden(dir / "notexec", {}), 0);
}

TEST(Process, RunsInTheGivenFolderWithArguments) {
  testing::TempDir dir;
  pid_t pid = StartHidden("/bin/sh", {"-c", "echo \"$1\" > here.txt", "sh", "a b"}, dir.path());
  ProcessHandle handle(pid);
  EXPECT_EQ(handle.WaitExitCode(10000), 0u);
  std::string text;
  ASSERT_TRUE(ReadWholeFile(dir / "here.txt", &text));
  EXPECT_EQ(text, "a b\n");
}

}  // namespace
}  // namespace kvt::platform
