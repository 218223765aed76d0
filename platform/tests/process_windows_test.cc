#include <windows.h>

#include <gtest/gtest.h>

#include "platform/file_util.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

std::string Child() { return ProgramDirectory() + ProgramFileName("platform_child"); }

TEST(ProcessWindows, ReportsExitCodesAndStillActive) {
  ProcessHandle done(StartHidden(Child(), {"exit", "109"}));
  ASSERT_TRUE(done.valid());
  EXPECT_EQ(done.WaitExitCode(10000), 109u);
  EXPECT_EQ(done.ExitCode(), 109u);  // collected once, the code stays

  ProcessHandle sleeper(StartHidden(Child(), {"sleep", "30000"}));
  ASSERT_TRUE(sleeper.valid());
  EXPECT_EQ(sleeper.ExitCode(), kStillActive);
  EXPECT_EQ(sleeper.WaitExitCode(50), kStillActive);
  HANDLE kill = ::OpenProcess(PROCESS_TERMINATE, FALSE, sleeper.pid());
  ASSERT_NE(kill, nullptr);
  ASSERT_TRUE(::TerminateProcess(kill, 137));
  ::CloseHandle(kill);
  EXPECT_EQ(sleeper.WaitExitCode(10000), 137u);
}

TEST(ProcessWindows, FailedStartGivesZero) {
  testing::TempDir dir;
  testing::WriteFile(dir / "notaprogram.exe", "MZ but nothing more");
  for (const std::string& program : {dir / "missing.exe", dir / "notaprogram.exe"}) {
    EXPECT_EQ(StartHidden(program, {}), 0u) << program;
  }
}

TEST(ProcessWindows, ArgumentsArriveUnchangedInTheGivenFolder) {
  testing::TempDir dir;
  // Blanks, quotes and backslashes are what the command line's quoting must keep.
  const std::vector<std::string> args = {"args", "a b", "say \"hi\"", "C:\\dir\\", "x\\\\\"y", ""};
  ProcessHandle handle(StartHidden(Child(), args, dir.path()));
  ASSERT_TRUE(handle.valid());
  EXPECT_EQ(handle.WaitExitCode(10000), 0u);
  std::string expected;
  for (size_t i = 1; i < args.size(); ++i) expected += args[i] + "\n";
  EXPECT_EQ(testing::ReadFile(dir / "args.txt"), expected);
}

}  // namespace
}  // namespace kvt::platform
