// What a job meets when it shares its machine and main directory: a parent that ignores
// SIGCHLD, an address-space limit far below the free memory, work files that a killed earlier
// run left behind, and a log it cannot write.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/output_file.h"
#include "product_dir.h"

namespace kvt::reliability {
namespace {

namespace fs = std::filesystem;

class SharedUseTest : public ::testing::Test {
 protected:
  void prepare(size_t records) {
    input = makeInput(records, 91);
    sorted = sortedByKey(input);
    writeFile(dir.data() + "in.dat", input);
    job = dir.defaultJob();
  }

  ProductDir dir;
  SortJob job;
  std::string input;
  std::string sorted;
};

TEST_F(SharedUseTest, AParentThatIgnoresSigchldStillSeesTheEnginesCode) {
  prepare(3000);
  for (const char* workFiles : {"*", "3"}) {
    job.workFiles = workFiles;
    dir.writeJob(job);
    RunOptions options;
    options.ignoreSigchld = true;
    EXPECT_EQ(dir.run(options), 0) << workFiles;
    EXPECT_EQ(dir.lastFrontMessage("TMR"), "KV Tamsort ended.( 0)");
    EXPECT_TRUE(sameBytes(readFile(job.output), sorted));
  }
}

TEST_F(SharedUseTest, AnAddressSpaceLimitBelowTheInputGivesMoreChunks) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer reserves more address space than any limit allows";
#endif
  // 40 MB of records under a 48 MiB limit: one chunk with its pointers would not fit.
  prepare(400000);
  dir.writeJob(job);
  RunOptions options;
  options.addressSpaceLimit = rlim_t{48} << 20;
  EXPECT_EQ(dir.run(options), 0);
  EXPECT_TRUE(sameBytes(readFile(job.output), sorted));
  // The engine logs phase 9 at the start of each chunk.
  std::string log = readFile(dir.main() + "kvtsort.log");
  int chunks = 0;
  for (size_t at = 0; (at = log.find("SORTCTLR", at)) != std::string::npos; at += 8) {
    if (log.compare(at + 22, 3, "009") == 0) ++chunks;
  }
  EXPECT_GE(chunks, 2);
  EXPECT_EQ(dir.lastFrontMessage("TMR"), "KV Tamsort ended.( 0)");
}

TEST_F(SharedUseTest, StaleFilesOfTheJobGoWhateverTheirPlanAndNothingElse) {
  prepare(2000);
  job.workDir = dir.work() + "mine_";
  dir.writeJob(job);
  // What a run killed in its merge with 12 chunks left; the new run plans one chunk.
  const std::vector<std::string> stale = {"mine_tmp000001.WRK", "mine_tmp000012.WRK",
                                          "mine_tmp001002.WRK", "mine_tmp0020001000.WRK"};
  const std::vector<std::string> others = {"tmp000001.WRK",      "other_tmp000001.WRK",
                                           "mine_tmp00001.WRK",  "mine_tmp000001.WRK.bak",
                                           "mine_tmp00000a.WRK", "notes.txt"};
  for (const std::string& name : stale) writeFile(dir.work() + name, "stale");
  for (const std::string& name : others) writeFile(dir.work() + name, "keep");
  std::string temporary = engine::RecordWriter::TemporaryName(job.output);
  writeFile(temporary, "partial");
  writeFile(dir.data() + "out.dat.kvttmp.keep", "keep");

  ASSERT_EQ(dir.run(), 0);
  EXPECT_TRUE(sameBytes(readFile(job.output), sorted));
  for (const std::string& name : stale) EXPECT_FALSE(exists(dir.work() + name)) << name;
  for (const std::string& name : others) EXPECT_EQ(readFile(dir.work() + name), "keep") << name;
  EXPECT_FALSE(exists(temporary));
  EXPECT_TRUE(exists(dir.data() + "out.dat.kvttmp.keep"));
}

TEST_F(SharedUseTest, ALogThatCannotBeWrittenIsReportedOnStandardError) {
  prepare(100);
  dir.writeJob(job);
  fs::create_directory(dir.main() + "kvtsort.log");
  EXPECT_EQ(dir.run(), 168);
  std::string said = readFile(dir.root() + "kv02sort.out");
  EXPECT_NE(said.find(dir.main() + "kvtsort.log"), std::string::npos) << said;
  EXPECT_FALSE(exists(job.output));
  EXPECT_FALSE(exists(dir.main() + "kvtsort.ctl"));
}

}  // namespace
}  // namespace kvt::reliability
