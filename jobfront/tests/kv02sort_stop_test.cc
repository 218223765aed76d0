// Stopping a running job: kv02sort ends its engine, removes what the run wrote and ends with
// 180, and the output keeps its previous content.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/file_lock.h"
#include "platform/process.h"
#include "platform/stop_request.h"
#include "test_main_dir.h"

namespace kvt::jobfront::testing {
namespace {

struct StopCase {
  const char* name;
  bool (*stop)(platform::ProcessId pid);
};

class Kv02sortStopTest : public ::testing::TestWithParam<StopCase> {};

// Waits until the stand-in engine has written the run's files (it then sleeps).
bool engineWrote(const TestMainDir& dir, const std::string& name) {
  for (int i = 0; i < 1000 && !dir.exists(name); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return dir.exists(name);
}

TEST_P(Kv02sortStopTest, EndsTheEngineAndKeepsThePreviousOutput) {
  TestMainDir dir;
  dir.link(FAKE_ENGINE_PROGRAM, "kvtsorts");
  dir.write("in.dat", std::string(200, 'x'));
  dir.write("out.dat", "previous output");
  dir.write("fake_engine.rc", "sleep 60 out.dat.kvttmp tmp001001.WRK");
  dir.write(
      "SortCtl/job.txt",
      controlFile(
          {{"INFILE", "in.dat"}, {"OUTFILE", "out.dat"}, {"VERSION", "020"}, {"RECLEN", "20"}},
          {{"1POS", "1"}, {"1LEN", "5"}}));
  platform::ProcessHandle job(platform::StartHidden(KV02SORT_PROGRAM, {"job.txt"}, dir.path()));
  ASSERT_TRUE(job.valid());
  ASSERT_TRUE(engineWrote(dir, "tmp001001.WRK"));

  ASSERT_TRUE(GetParam().stop(job.pid()));
  EXPECT_EQ(job.WaitExitCode(30000), 180u);
  EXPECT_EQ(dir.read("out.dat"), "previous output");
  for (const char* left : {"out.dat.kvttmp", "tmp001001.WRK", "kvtsort.ctl"}) {
    EXPECT_FALSE(dir.exists(left)) << left;
  }
  const std::vector<std::string> lines = dir.logLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(frontMessage(lines[lines.size() - 2], "TMR"), padded("Sort stopped by the user."));
  EXPECT_EQ(frontMessage(lines.back(), "TMR"), padded("KV Tamsort ended.( 180)"));
  // The engine held the job lock as well: it has ended when the lock is free.
  platform::FileLock lock;
  ASSERT_TRUE(lock.Open(dir.file("kvtsort.lck")).ok());
  EXPECT_TRUE(lock.TryLock());
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Kv02sortStopTest,
    ::testing::Values(StopCase{"StopRequest", platform::RequestStop},
                      StopCase{"CtrlC",
                               [](platform::ProcessId pid) { return ::kill(pid, SIGINT) == 0; }}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kvt::jobfront::testing
