#include <gtest/gtest.h>

#include "frontlib/cls_file.h"
#include "tests/support/temp_dir.h"

namespace kvt::front {
namespace {

using testing::TempDir;
using testing::WriteFile;

class StatusReaderTest : public ::testing::Test {
 protected:
  void TearDown() override { reader_.StatusClose(); }

  static std::string Record(const std::string& type, char fill) {
    std::string rec(33, fill);
    rec += type;
    rec.resize(64, ' ');
    return rec;
  }

  TempDir dir_;
  std::string path_ = dir_ / "kvtsort.sts";
  clsFile reader_;
};

TEST_F(StatusReaderTest, MissingFileLeavesReaderClosedAndYieldsBlanks) {
  clsFile::statusRec() = Record("003", '9');
  reader_.openStatusFile(path_);
  EXPECT_EQ(clsFile::statusBlock().state, 0);
  reader_.statusGet();
  EXPECT_EQ(clsFile::statusRec(), std::string(64, ' '));
  EXPECT_FALSE(std::filesystem::exists(path_));  // not created by the reader
}

TEST_F(StatusReaderTest, CallerStepsThroughTheRecords) {
  const std::string a = Record("000", '0'), b = Record("004", '1'), c = Record("001", '2');
  WriteFile(path_, a + b + c);
  reader_.openStatusFile(path_);
  FileBlock& block = clsFile::statusBlock();
  ASSERT_EQ(block.state, 1);
  EXPECT_EQ(block.position, 1);
  std::vector<std::string> seen;
  while (block.position < filLength(block)) {
    reader_.statusGet();
    seen.push_back(clsFile::statusRec());
    block.position += 64;
  }
  EXPECT_EQ(seen, (std::vector<std::string>{a, b, c}));
}

TEST_F(StatusReaderTest, ShortLastRecordIsBlankPaddedAndCloseEndsReading) {
  WriteFile(path_, "0000001234");
  reader_.openStatusFile(path_);
  reader_.statusGet();
  EXPECT_EQ(clsFile::statusRec(), "0000001234" + std::string(54, ' '));
  reader_.StatusClose();
  EXPECT_EQ(clsFile::statusBlock().state, 0);
  reader_.statusGet();
  EXPECT_EQ(clsFile::statusRec(), std::string(64, ' '));
}

}  // namespace
}  // namespace kvt::front
