// A multi-pass run killed with SIGKILL at random moments, in turn the engine alone, the front-end
// alone (its engine runs on) and both: the output path holds its previous content or the whole
// sorted output, never a part of it, and the next run sorts correctly and leaves nothing behind.
// Killed at chosen points, the next run takes over what the killed one finished, unless the job
// changed, a work file was damaged or a fresh run was asked for.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
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

  // Kills kv02sort and its engine together, like a power cut, once `reached` holds.
  void killWhen(const std::function<bool()>& reached) {
    pid_t front = dir.start();
    siginfo_t info{};
    while (!reached()) {
      info.si_pid = 0;
      if (::waitid(P_PID, static_cast<id_t>(front), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
          info.si_pid != 0)
        break;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    ::kill(-front, SIGKILL);
    waitFor(front);
    reapGroup(front);
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

// The progress records of kvtsort.sts (the first record carries the end), their time blanked.
std::vector<std::string> progressRecords(const std::string& status) {
  std::vector<std::string> records;
  for (size_t at = 64; at + 64 <= status.size(); at += 64)
    records.push_back(status.substr(at, 12) + status.substr(at + 18, 46));
  return records;
}

// Whether the status file holds a record of this type (3 digits) with these numbers
// (0 for any).
bool holdsRecord(const std::string& status, const std::string& type, int first, int second,
                 int third) {
  auto matches = [](const std::string& field, int want) {
    return want == 0 || std::stoi(field) == want;
  };
  for (size_t at = 64; at + 64 <= status.size(); at += 64) {
    if (status.compare(at + 24, 3, type) == 0 && matches(status.substr(at, 6), first) &&
        matches(status.substr(at + 6, 6), second) && matches(status.substr(at + 18, 6), third))
      return true;
  }
  return false;
}

enum class Change { kNone, kInput, kControlFile, kDamagedWorkFile, kRestart };

struct KillPoint {
  const char* name;
  const char* type;  // the status record that, once written, is the moment of the kill
  int first, second, third;
  Change change;
  size_t leastReused;  // steps the killed run must have finished (chunks, then merge groups)
};

// Twenty chunks; pass 1 merges them in three groups (8, 8, 4), pass 2 is final.
const KillPoint kKillPoints[] = {
    {"during chunk 5's sort", "004", 0, 5, 0, Change::kNone, 4},
    {"after chunk 5's work file", "004", 0, 6, 0, Change::kNone, 5},
    {"during merge pass 1", "002", 2, 20, 12, Change::kNone, 21},
    {"during the final merge", "002", 1, 20, 3, Change::kNone, 23},
    {"during the rename", "", 0, 0, 0, Change::kNone, 0},
    {"input changed", "004", 0, 6, 0, Change::kInput, 5},
    {"control file changed", "004", 0, 6, 0, Change::kControlFile, 5},
    {"work file damaged", "002", 1, 20, 3, Change::kDamagedWorkFile, 23},
    {"fresh run asked for", "004", 0, 6, 0, Change::kRestart, 5},
};

// The resume line for the first `steps` steps of the twenty-chunk run.
std::string resumeLine(size_t steps) {
  return "Resuming: " + std::to_string(std::min<size_t>(steps, 20)) + " of 20 chunks and " +
         (steps >= 23 ? "1" : "0") + " of 2 merge passes reused.";
}

TEST_F(KillTest, RerunTakesOverWhatTheKilledRunFinished) {
  ASSERT_EQ(dir.run(), 0);
  const std::vector<std::string> uninterrupted =
      progressRecords(readFile(dir.main() + "kvtsort.sts"));
  const std::string journal = dir.work() + "tmp000000.WRK";
  const std::string temporary = job.output + ".kvttmp";
  for (const KillPoint& point : kKillPoints) {
    SCOPED_TRACE(point.name);
    writeFile(dir.data() + "in.dat", input);
    dir.writeJob(job);
    writeFile(job.output, kPrevious);
    // The last run's records must not be taken for this one's.
    std::remove((dir.main() + "kvtsort.sts").c_str());
    killWhen([&] {
      if (*point.type == '\0')
        return exists(temporary) && readFile(temporary).size() == input.size();
      return holdsRecord(readFile(dir.main() + "kvtsort.sts"), point.type, point.first,
                         point.second, point.third);
    });
    const std::string left = readFile(journal);
    const size_t finished =
        static_cast<size_t>(std::count(left.begin(), left.end(), '\n')) - 3 * !left.empty();
    ASSERT_GE(left.empty() ? 0 : finished, point.leastReused);

    std::string expected = sorted;
    SortJob rerun = job;
    RunOptions options;
    if (point.change == Change::kInput) {
      std::string changed = input;
      changed[5] = changed[5] == '9' ? '0' : '9';
      writeFile(dir.data() + "in.dat", changed);
      expected = sortedByKey(changed);
    } else if (point.change == Change::kControlFile) {
      rerun.workFiles = "21";
    } else if (point.change == Change::kDamagedWorkFile) {
      std::string work = readFile(dir.work() + "tmp001002.WRK");
      work[work.size() / 2] ^= 1;
      writeFile(dir.work() + "tmp001002.WRK", work);
    } else if (point.change == Change::kRestart) {
      options.options = {"--restart"};
    }
    dir.writeJob(rerun);
    const size_t logBefore = readFile(dir.main() + "kvtsort.log").size();
    ASSERT_EQ(dir.run(options), 0);
    EXPECT_TRUE(sameBytes(readFile(job.output), expected));
    const std::string log = readFile(dir.main() + "kvtsort.log").substr(logBefore);
    const bool resumed = point.change == Change::kNone && finished > 0 && !left.empty();
    const std::vector<std::string> progress = progressRecords(readFile(dir.main() + "kvtsort.sts"));
    // Killed during the rename, the final merge may have begun deleting its inputs. A damaged
    // work file is found as the merge reads it; the run then sorts afresh and says so.
    if (point.change == Change::kDamagedWorkFile) {
      EXPECT_NE(log.find("damaged; sorting afresh."), std::string::npos) << log;
      ASSERT_GT(progress.size(), uninterrupted.size());
      EXPECT_TRUE(std::equal(uninterrupted.begin(), uninterrupted.end(),
                             progress.end() - static_cast<ptrdiff_t>(uninterrupted.size())));
    } else if (resumed && point.leastReused > 0) {
      EXPECT_NE(log.find(resumeLine(finished) + "\r\n"), std::string::npos) << log;
    } else if (!resumed) {
      EXPECT_EQ(log.find("Resuming:"), std::string::npos) << log;
    }
    if (point.change == Change::kNone || point.change == Change::kRestart) {
      EXPECT_EQ(progress, uninterrupted);
    }
    EXPECT_TRUE(leftInWorkFolder(dir.work()).empty());
  }
}

}  // namespace
}  // namespace kvt::reliability
