// A multi-pass run killed with SIGKILL at random moments, in turn the engine alone, the front-end
// alone (its engine runs on) and both: the output path holds its previous content or the whole
// sorted output, never a part of it, and the next run sorts correctly and leaves nothing behind.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <algorithm>
#include <fstream>
#include <random>
#include <thread>

#include "product_dir.h"

namespace kvt::reliability {
namespace {

// Twenty chunks: pass 1 writes three work files, pass 2 merges them into the output.
constexpr size_t kRecords = 300000;
constexpr int kRounds = 20;
const std::string kPrevious = "previous output\r\n";

enum class Victim { kEngine, kFrontEnd, kBoth };

// The child of parent, 0 when it has none (the engine not started yet, or already ended).
pid_t childOf(pid_t parent) {
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return 0;
  pid_t found = 0;
  while (dirent* entry = ::readdir(proc)) {
    std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
    std::string text;
    if (!std::getline(stat, text)) continue;
    // "pid (name) state ppid ...": the name may hold blanks, so read after its parenthesis.
    size_t close = text.rfind(')');
    int ppid = 0;
    if (close != std::string::npos && std::sscanf(text.c_str() + close + 2, "%*c %d", &ppid) == 1 &&
        ppid == parent) {
      found = static_cast<pid_t>(std::atoi(entry->d_name));
      break;
    }
  }
  ::closedir(proc);
  return found;
}

// Reaps every process left in the group: with this process as sub-reaper, an engine whose
// front-end was killed becomes our child and is waited for here.
void reapGroup(pid_t group) {
  int status = 0;
  while (::waitpid(-group, &status, 0) > 0 || errno == EINTR) {
  }
}

class KillTest : public ::testing::Test {
 protected:
  KillTest() : input(makeInput(kRecords, 20)), sorted(sortedByKey(input)) {
    writeFile(dir.data() + "in.dat", input);
    job = dir.defaultJob();
    job.workFiles = "20";
    dir.writeJob(job);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  }
  ~KillTest() override { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }

  // Kills `delay` after the start, or after the last chunk was written when `inMerge`, so that
  // half of the kills fall into the merge passes; the front-end's exit code (137 when killed).
  int killedRun(Victim victim, std::chrono::microseconds delay, bool inMerge) {
    size_t chunksDone = phase49Lines();
    pid_t front = dir.start();
    if (inMerge) waitForPhase49(front, chunksDone);
    std::this_thread::sleep_for(delay);
    if (victim == Victim::kBoth) {
      ::kill(-front, SIGKILL);
    } else if (victim == Victim::kFrontEnd) {
      ::kill(front, SIGKILL);
    } else if (pid_t engine = childOf(front); engine != 0) {
      ::kill(engine, SIGKILL);
    }
    int code = waitFor(front);
    reapGroup(front);
    return code;
  }

  // Engine log lines of phase 49 (all chunks written) so far.
  size_t phase49Lines() const {
    std::string log = readFile(dir.main() + "kvtsort.log");
    size_t count = 0;
    for (size_t at = log.find("SORTCTLR"); at != std::string::npos;
         at = log.find("SORTCTLR", at + 1))
      if (log.compare(at + 22, 3, "049") == 0) ++count;
    return count;
  }

  // Until the running engine has written its last chunk, or the front-end has ended.
  void waitForPhase49(pid_t front, size_t before) const {
    siginfo_t info{};
    while (phase49Lines() == before) {
      info.si_pid = 0;
      if (::waitid(P_PID, static_cast<id_t>(front), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
          info.si_pid != 0)
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  ProductDir dir;
  std::string input;
  std::string sorted;
  SortJob job;
};

TEST_F(KillTest, OutputIsThePreviousOrTheWholeSortedFile) {
  // Undisturbed runs tell how long a run takes, so that the kills spread over all of it; the
  // first one also fills the page cache.
  auto took = std::chrono::microseconds::max();
  for (int run = 0; run < 2; ++run) {
    writeFile(job.output, kPrevious);
    auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(dir.run(), 0);
    took = std::min(took, std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - begin));
    ASSERT_TRUE(sameBytes(readFile(job.output), sorted));
  }

  std::mt19937 random(4711);
  std::uniform_int_distribution<int64_t> delay(0, took.count() * 6 / 5);
  int previousSeen = 0, sortedSeen = 0;
  for (int round = 0; round < kRounds; ++round) {
    writeFile(job.output, kPrevious);
    Victim victim = static_cast<Victim>(round % 3);
    bool inMerge = round % 2 == 1;
    std::chrono::microseconds at(delay(random) / (inMerge ? 3 : 1));
    int code = killedRun(victim, at, inMerge);
    std::string output = readFile(job.output);
    SCOPED_TRACE("round " + std::to_string(round) + (inMerge ? ", after the last chunk" : "") +
                 ", killed after " + std::to_string(at.count()) + " us, front-end code " +
                 std::to_string(code));
    if (output == kPrevious) {
      ++previousSeen;
    } else {
      ++sortedSeen;
      ASSERT_TRUE(sameBytes(output, sorted));
    }
    // A killed engine is a failed sort in the log, never a created file.
    if (victim == Victim::kEngine && code != 0) {
      EXPECT_EQ(code, 128 + SIGKILL);
      EXPECT_EQ(dir.lastFrontMessage("TMR"), "Sort failed rc= 137.");
    }
    EXPECT_TRUE(sameBytes(readFile(job.input), input));
  }
  std::printf("kills: %d left the previous output, %d the sorted output (run of %lld us)\n",
              previousSeen, sortedSeen, static_cast<long long>(took.count()));

  writeFile(job.output, kPrevious);
  ASSERT_EQ(dir.run(), 0);
  EXPECT_TRUE(sameBytes(readFile(job.output), sorted));
  // The run cleared what the killed ones left: no work file, no temporary output.
  EXPECT_TRUE(leftInWorkFolder(dir.work()).empty());
  EXPECT_EQ(listFolder(dir.data()), (std::vector<std::string>{"in.dat", "out.dat"}));
  EXPECT_FALSE(exists(dir.main() + "kvtsort.ctl"));
}

}  // namespace
}  // namespace kvt::reliability
