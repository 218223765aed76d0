// The files a run creates: work files and the temporary output are always new files, never a
// link or an existing file that someone placed under their names; work files are private, the
// output gets the user's usual permissions once complete.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine/output_file.h"
#include "product_dir.h"

namespace kvt::reliability {
namespace {

namespace fs = std::filesystem;

constexpr size_t kRecords = 3600;
const std::string kVictimText = "belongs to someone else\n";

class CreatedFilesTest : public ::testing::Test {
 protected:
  CreatedFilesTest() : input(makeInput(kRecords, 44)), sorted(sortedByKey(input)) {
    writeFile(dir.data() + "in.dat", input);
    job = dir.defaultJob();
  }

  // A file outside the work and data folders that no run may change.
  std::string victim(const std::string& name) {
    std::string path = dir.outside() + name;
    writeFile(path, kVictimText);
    return path;
  }
  std::string temporaryOutput() const { return engine::RecordWriter::TemporaryName(job.output); }

  ProductDir dir;
  std::string input;
  std::string sorted;
  SortJob job;
};

TEST_F(CreatedFilesTest, PlantedLinksAreReplacedAndTheirTargetsUntouched) {
  // Nine chunks: chunk files of pass 0, a merged and a moved file of pass 1, the final output.
  job.workFiles = "9";
  dir.writeJob(job);
  fs::create_symlink(victim("chunk1"), dir.work() + "tmp000001.WRK");
  fs::create_symlink(dir.outside() + "never created", dir.work() + "tmp000002.WRK");
  fs::create_hard_link(victim("chunk3"), dir.work() + "tmp000003.WRK");
  fs::create_symlink(victim("merged"), dir.work() + "tmp001001.WRK");
  fs::create_symlink(victim("moved"), dir.work() + "tmp001002.WRK");
  fs::create_symlink(victim("output"), temporaryOutput());

  ASSERT_EQ(dir.run(), 0);
  EXPECT_TRUE(sameBytes(readFile(job.output), sorted));
  for (const char* name : {"chunk1", "chunk3", "merged", "moved", "output"})
    EXPECT_TRUE(sameBytes(readFile(dir.outside() + name), kVictimText)) << name;
  EXPECT_FALSE(exists(dir.outside() + "never created"));
  EXPECT_TRUE(leftInWorkFolder(dir.work()).empty());
  EXPECT_FALSE(exists(temporaryOutput()));
}

TEST_F(CreatedFilesTest, PlantedLinkAtTheTemporaryNameOfADirectOutput) {
  // One chunk goes straight to the output, through the same temporary name.
  dir.writeJob(job);
  fs::create_symlink(victim("output"), temporaryOutput());
  ASSERT_EQ(dir.run(), 0);
  EXPECT_TRUE(sameBytes(readFile(job.output), sorted));
  EXPECT_TRUE(sameBytes(readFile(dir.outside() + "output"), kVictimText));
  EXPECT_FALSE(exists(temporaryOutput()));
}

// Runs that leave each kind of file the engine creates, under one umask.
void expectUsualPermissions(mode_t mask) {
  ProductDir dir;
  writeFile(dir.data() + "in.dat", makeInput(kRecords, 45));
  const mode_t usual = 0666 & ~mask;
  RunOptions options;
  options.umask = mask;
  SortJob job = dir.defaultJob();
  dir.writeJob(job);
  ASSERT_EQ(dir.run(options), 0);
  EXPECT_EQ(permissions(job.output), usual);
  EXPECT_EQ(permissions(dir.main() + "kvtsort.sts"), usual);
  EXPECT_EQ(permissions(dir.main() + "kvtsort.log"), usual);

  // Without an output folder the work files stay behind: the chunk files of two chunks, and
  // the merged and moved files of pass 1 with nine. They hold the user's records, so they are
  // private whatever the umask.
  job.output = dir.root() + "missing/out.dat";
  job.workFiles = "2";
  dir.writeJob(job);
  ASSERT_EQ(dir.run(options), 130);
  EXPECT_EQ(permissions(dir.work() + "tmp000001.WRK"), 0600u);
  EXPECT_EQ(permissions(dir.work() + "tmp000002.WRK"), 0600u);
  job.workFiles = "9";
  dir.writeJob(job);
  ASSERT_EQ(dir.run(options), 130);
  EXPECT_EQ(permissions(dir.work() + "tmp001001.WRK"), 0600u);
  EXPECT_EQ(permissions(dir.work() + "tmp001002.WRK"), 0600u);
}

TEST(CreatedFilesPermissionsTest, CreatedFilesHaveTheUsualPermissions) {
  {
    SCOPED_TRACE("umask 022");
    expectUsualPermissions(022);
  }
  {
    SCOPED_TRACE("umask 077");
    expectUsualPermissions(077);
  }
}

// A sorted output replaces an older one by a rename; the older file's permissions are the
// user's choice and the new file takes them over, as it would had the file been rewritten.
TEST_F(CreatedFilesTest, ReplacedOutputKeepsItsPermissions) {
  writeFile(job.output, "private\n");
  ::chmod(job.output.c_str(), 0600);
  dir.writeJob(job);
  ASSERT_EQ(dir.run(), 0);
  EXPECT_TRUE(sameBytes(readFile(job.output), sorted));
  EXPECT_EQ(permissions(job.output), 0600u);
}

}  // namespace
}  // namespace kvt::reliability
