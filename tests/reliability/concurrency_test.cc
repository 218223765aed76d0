// Several jobs started at the same moment in one main directory, sharing its fixed files and one
// work folder: each must end 0 with exactly its own sorted output, and the log must hold each
// job's whole line sequence without another job's lines inside it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/output_file.h"
#include "product_dir.h"

namespace kvt::reliability {
namespace {

constexpr int kTrials = 10;
constexpr size_t kRecords = 2000;
const char kWaitingLine[] = "Waiting for the sort running in ";

struct Shape {
  const char* name;
  int jobs;
  const char* workFiles;  // "*": one chunk for inputs this small
};

void PrintTo(const Shape& shape, std::ostream* out) { *out << shape.name; }

std::vector<std::string> logLines(const std::string& path) {
  std::string log = readFile(path);
  std::vector<std::string> lines;
  for (size_t at = 0; at < log.size();) {
    size_t end = log.find("\r\n", at);
    if (end == std::string::npos) end = log.size();
    lines.push_back(log.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// The message of a front-end line of that sub-application, right-trimmed; "" otherwise.
std::string message(const std::string& line, const std::string& subAppl) {
  if (line.size() < 22 || line.compare(0, 4, "SORT") != 0 || line.compare(4, 3, subAppl) != 0)
    return "";
  std::string text = line.substr(22);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

class ConcurrentJobs : public ::testing::TestWithParam<Shape> {
 protected:
  // Starts every job at once and waits for all; their exit codes.
  std::vector<int> runTogether(int jobs) {
    int gate[2];
    EXPECT_EQ(::pipe2(gate, O_CLOEXEC), 0);
    std::vector<pid_t> pids;
    for (int j = 0; j < jobs; ++j) {
      RunOptions options;
      options.controlFile = controlName(j);
      options.startGate = gate[0];
      pids.push_back(dir.start(options));
    }
    // One byte each releases them together.
    std::string bytes(static_cast<size_t>(jobs), 'x');
    EXPECT_EQ(::write(gate[1], bytes.data(), bytes.size()), static_cast<ssize_t>(jobs));
    ::close(gate[0]);
    ::close(gate[1]);
    std::vector<int> codes;
    for (pid_t pid : pids) codes.push_back(waitFor(pid));
    return codes;
  }

  static std::string controlName(int j) { return "job" + std::to_string(j) + ".txt"; }

  // Checks the log: waiting lines aside, it is the jobs' sequences one after the other.
  void expectUnmixedLog(const std::vector<SortJob>& jobs) {
    std::vector<std::string> lines = logLines(dir.main() + "kvtsort.log");
    std::vector<std::string> rest;
    int waiting = 0;
    for (const std::string& line : lines) {
      const std::string sta = message(line, "STA");
      if (sta.rfind("The lock is held by process ", 0) == 0) continue;  // follows a waiting line
      if (sta.rfind(kWaitingLine, 0) == 0) {
        ++waiting;
      } else {
        rest.push_back(line);
      }
    }
    EXPECT_LT(waiting, static_cast<int>(jobs.size()));
    std::vector<bool> seen(jobs.size(), false);
    size_t at = 0;
    while (at < rest.size()) {
      ASSERT_EQ(message(rest[at], "STA"), "KV Tamsort started.") << "line " << at;
      ASSERT_LT(at + 2, rest.size());
      std::string used = message(rest[at + 1], "STA");
      int j = -1;
      for (size_t k = 0; k < jobs.size(); ++k) {
        if (used ==
            dir.main() + "SortCtl/" + controlName(static_cast<int>(k)) + " control file used.")
          j = static_cast<int>(k);
      }
      ASSERT_GE(j, 0) << used;
      EXPECT_FALSE(seen[j]) << "job " << j << " twice";
      seen[j] = true;
      EXPECT_EQ(message(rest[at + 2], "STA"), " 1 sortorder fields specified.");
      at += 3;
      size_t engineLines = 0;
      while (at < rest.size() && rest[at].rfind("SORTCTLR", 0) == 0) {
        ++at;
        ++engineLines;
      }
      EXPECT_GT(engineLines, 0u) << "job " << j;
      ASSERT_LT(at + 1, rest.size());
      EXPECT_EQ(message(rest[at], "TMR"), "File " + jobs[j].output + " created");
      EXPECT_EQ(message(rest[at + 1], "TMR"), "KV Tamsort ended.( 0)");
      at += 2;
    }
    for (size_t k = 0; k < jobs.size(); ++k) EXPECT_TRUE(seen[k]) << "job " << k;
  }

  ProductDir dir;
};

TEST_P(ConcurrentJobs, EachJobEndsWithItsOwnOutputAndAnUnmixedLog) {
  const Shape& shape = GetParam();
  std::vector<SortJob> jobs;
  std::vector<std::string> sorted;
  for (int j = 0; j < shape.jobs; ++j) {
    SortJob job = dir.defaultJob();
    job.input = dir.data() + "in" + std::to_string(j) + ".dat";
    job.output = dir.data() + "out" + std::to_string(j) + ".dat";
    job.workFiles = shape.workFiles;
    std::string input = makeInput(kRecords + 100 * static_cast<size_t>(j), 70 + j);
    writeFile(job.input, input);
    sorted.push_back(sortedByKey(input));
    dir.writeJob(job, controlName(j));
    jobs.push_back(job);
  }
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    ::unlink((dir.main() + "kvtsort.log").c_str());
    for (const SortJob& job : jobs) ::unlink(job.output.c_str());
    std::vector<int> codes = runTogether(shape.jobs);
    for (int j = 0; j < shape.jobs; ++j) {
      EXPECT_EQ(codes[j], 0) << "job " << j;
      EXPECT_TRUE(sameBytes(readFile(jobs[j].output), sorted[j])) << "job " << j;
      EXPECT_FALSE(exists(engine::RecordWriter::TemporaryName(jobs[j].output)));
    }
    EXPECT_TRUE(leftInWorkFolder(dir.work()).empty());
    EXPECT_FALSE(exists(dir.main() + "kvtsort.ctl"));
    expectUnmixedLog(jobs);
    if (HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, ConcurrentJobs,
                         ::testing::Values(Shape{"TwoJobsOneChunk", 2, "*"},
                                           Shape{"TwoJobsSeveralChunks", 2, "5"},
                                           Shape{"ThreeJobsOneChunk", 3, "*"},
                                           Shape{"ThreeJobsSeveralChunks", 3, "5"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Two installations whose jobs use one work folder: their work-file names are the same, so
// they take turns there too, and neither removes the other's files as stale.
TEST(ConcurrentMainDirectories, JobsSharingAWorkFolderTakeTurns) {
  ProductDir first;
  ProductDir second;
  std::vector<const ProductDir*> dirs = {&first, &second};
  std::vector<SortJob> jobs;
  std::vector<std::string> sorted;
  for (size_t d = 0; d < dirs.size(); ++d) {
    SortJob job = dirs[d]->defaultJob();
    job.workDir = first.work();
    job.workFiles = "5";
    std::string input = makeInput(kRecords, 80 + static_cast<unsigned>(d));
    writeFile(job.input, input);
    sorted.push_back(sortedByKey(input));
    dirs[d]->writeJob(job);
    jobs.push_back(job);
  }
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    int gate[2];
    ASSERT_EQ(::pipe2(gate, O_CLOEXEC), 0);
    std::vector<pid_t> pids;
    for (const ProductDir* dir : dirs) {
      RunOptions options;
      options.startGate = gate[0];
      pids.push_back(dir->start(options));
    }
    EXPECT_EQ(::write(gate[1], "xx", 2), 2);
    ::close(gate[0]);
    ::close(gate[1]);
    for (size_t d = 0; d < dirs.size(); ++d) {
      EXPECT_EQ(waitFor(pids[d]), 0) << "main directory " << d;
      EXPECT_TRUE(sameBytes(readFile(jobs[d].output), sorted[d])) << "main directory " << d;
    }
    EXPECT_TRUE(leftInWorkFolder(first.work()).empty());
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace kvt::reliability
