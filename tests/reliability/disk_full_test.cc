// A disk that fills up, and folders that are missing, at each stage of a run through kv02sort:
// the run ends with its code in the exit status, the log and the status file, the output path
// keeps what it held before (nothing partial, no temporary file beside it), the input is
// untouched, also when the output path is the input path, and the next run succeeds.
#include <gtest/gtest.h>

#include "product_dir.h"

namespace kvt::reliability {
namespace {

// Nine chunks of 400 records: pass 1 merges chunks 1-8 into one work file and moves chunk 9,
// pass 2 merges the two into the output.
constexpr size_t kRecords = 3600;
constexpr size_t kChunkBytes = 400 * kRecordLength;
constexpr size_t kInputBytes = kRecords * kRecordLength;

class DiskFullTest : public ::testing::Test {
 protected:
  DiskFullTest() : input(makeInput(kRecords, 9)), sorted(sortedByKey(input)) {
    writeFile(dir.data() + "in.dat", input);
    job = dir.defaultJob();
    job.workFiles = "9";
  }

  // Runs the job under the file-size limit and checks everything a failure must leave.
  void expectFailure(int code, rlim_t limit, const std::string& previousOutput) {
    if (!previousOutput.empty()) writeFile(job.output, previousOutput);
    dir.writeJob(job);
    std::vector<std::string> dataBefore = listFolder(dir.data());
    RunOptions options;
    options.fileSizeLimit = limit;
    EXPECT_EQ(dir.run(options), code);
    EXPECT_EQ(dir.lastFrontMessage("TMR"), "Sort failed rc= " + std::to_string(code) + ".");
    std::string end = dir.firstStatusRecord();
    EXPECT_EQ(end.substr(33, 3), "003");
    EXPECT_EQ(end.substr(24, 3), std::to_string(code));
    // Nothing new (a partial output or a temporary one) appeared beside the output.
    EXPECT_EQ(listFolder(dir.data()), dataBefore);
    EXPECT_TRUE(sameBytes(readFile(dir.data() + "in.dat"), input));
    if (previousOutput.empty()) {
      EXPECT_FALSE(exists(job.output));
    } else if (job.output != job.input) {
      EXPECT_TRUE(sameBytes(readFile(job.output), previousOutput));
    }
    EXPECT_FALSE(exists(dir.main() + "kvtsort.ctl"));
  }

  // After the fault is gone the same job sorts, whatever the failed run left behind.
  void expectNextRunSucceeds() {
    dir.writeJob(job);
    ASSERT_EQ(dir.run(), 0);
    EXPECT_TRUE(sameBytes(readFile(job.output), sorted));
    EXPECT_TRUE(leftInWorkFolder(dir.work()).empty());
    EXPECT_EQ(dir.lastFrontMessage("TMR"), "KV Tamsort ended.( 0)");
  }

  ProductDir dir;
  std::string input;
  std::string sorted;
  SortJob job;
};

TEST_F(DiskFullTest, ChunkWriteEndsWith115) {
  // Below one chunk: the first work file cannot be written completely.
  expectFailure(115, kChunkBytes / 2, "");
  expectNextRunSucceeds();
  // One chunk written straight to the output, which does not fit.
  job.workFiles = "*";
  expectFailure(115, kInputBytes / 2, "previous output\r\n");
  job.output = job.input;
  expectFailure(115, kInputBytes / 2, input);
  expectNextRunSucceeds();
}

TEST_F(DiskFullTest, MergePassEndsWith132) {
  // Every chunk fits; the pass-1 file of eight chunks does not.
  static_assert(kChunkBytes < 4 * kChunkBytes && 4 * kChunkBytes < 8 * kChunkBytes);
  expectFailure(132, 4 * kChunkBytes, "previous output\r\n");
  job.output = job.input;
  expectFailure(132, 4 * kChunkBytes, input);
  expectNextRunSucceeds();
}

TEST_F(DiskFullTest, FinalMergeEndsWith132) {
  // The pass-1 file of eight chunks fits; the output of nine does not.
  const rlim_t limit = 8 * kChunkBytes + kChunkBytes / 2;
  expectFailure(132, limit, "previous output\r\n");
  job.output = job.input;
  expectFailure(132, limit, input);
  expectNextRunSucceeds();
}

TEST_F(DiskFullTest, MissingWorkFolderEndsWith114) {
  job.workDir = dir.root() + "no such folder/";
  expectFailure(114, RLIM_INFINITY, "previous output\r\n");
  job.workDir = dir.work();
  expectNextRunSucceeds();
}

TEST_F(DiskFullTest, MissingOutputFolderEndsWith130Or114) {
  // Several chunks: the final merge cannot create its output.
  job.output = dir.root() + "no such folder/out.dat";
  expectFailure(130, RLIM_INFINITY, "");
  // One chunk: the direct write cannot create it.
  job.workFiles = "*";
  expectFailure(114, RLIM_INFINITY, "");
  EXPECT_FALSE(exists(dir.root() + "no such folder"));
}

}  // namespace
}  // namespace kvt::reliability
