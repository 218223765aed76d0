#include "frontlib/file_block.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace kvt::front {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class FileBlockTest : public ::testing::Test {
 protected:
  void TearDown() override { filClose(block_); }

  FileBlock OpenBlock(const std::string& name) {
    FileBlock block;
    block.name = name;
    filOpen(block);
    return block;
  }

  TempDir dir_;
  FileBlock block_;
};

TEST_F(FileBlockTest, OpenTrimsNameAndCreatesMissingFile) {
  block_.name = "  " + (dir_ / "new.dat") + "  ";
  block_.position = 7;
  filOpen(block_);
  EXPECT_EQ(block_.state, 1);
  EXPECT_EQ(block_.position, 1);
  EXPECT_EQ(block_.name, dir_ / "new.dat");
  EXPECT_EQ(filLength(block_), 0);
  filClose(block_);
  EXPECT_EQ(block_.state, 0);
  EXPECT_EQ(filLength(block_), -1);
  block_.name = dir_.path();  // a folder is not a file
  filOpen(block_);
  EXPECT_EQ(block_.state, 0);
}

TEST_F(FileBlockTest, WritePadsAndCutsToRecordLength) {
  block_ = OpenBlock(dir_ / "rec.dat");
  block_.recordLength = 12;
  block_.buffer = "ABCDE";
  ASSERT_TRUE(filWrite(block_));
  block_.position = 13;
  block_.buffer = "0123456789abcdefXYZ";
  ASSERT_TRUE(filWrite(block_));
  EXPECT_EQ(ReadFile(dir_ / "rec.dat"), "ABCDE       0123456789ab");
  EXPECT_EQ(block_.position, 13);  // the caller advances it
  block_.position = 4;
  ASSERT_TRUE(filPut(block_, "put"));
  EXPECT_EQ(ReadFile(dir_ / "rec.dat"), "ABCput      0123456789ab");
}

TEST_F(FileBlockTest, ReadsAtPositionWithoutMovingIt) {
  WriteFile(dir_ / "in.dat", "0123456789");
  block_ = OpenBlock(dir_ / "in.dat");
  block_.recordLength = 4;
  block_.position = 3;
  filRead(block_);
  EXPECT_EQ(block_.buffer, "2345");
  EXPECT_EQ(block_.position, 3);
  block_.position = 9;
  filRead(block_);
  EXPECT_EQ(block_.buffer, "89");  // fewer at the end of the file
  EXPECT_EQ(filReadLen(block_, 5), "89   ");
  block_.position = 1;
  EXPECT_EQ(filReadLen(block_, 3), "012");
}

TEST_F(FileBlockTest, ClosedBlockReadsBlanksAndWritesNothing) {
  block_.name = dir_ / "closed.dat";
  block_.recordLength = 4;
  block_.buffer = "keep";
  filRead(block_);
  EXPECT_EQ(block_.buffer, "keep");
  EXPECT_EQ(filReadLen(block_, 6), "      ");
  EXPECT_FALSE(filWrite(block_));
  EXPECT_FALSE(filPut(block_, "x"));
  filCheck(block_);
  EXPECT_EQ(block_.state, -1);
}

TEST_F(FileBlockTest, PositionsBeyondFourGigabytes) {
  block_ = OpenBlock(dir_ / "big.dat");
  const int64_t far = (int64_t{1} << 32) + 11;  // sparse: no data blocks in between
  block_.position = far;
  ASSERT_TRUE(filPut(block_, "tail"));
  EXPECT_EQ(filLength(block_), far + 3);
  block_.recordLength = 4;
  filRead(block_);
  EXPECT_EQ(block_.buffer, "tail");
}

}  // namespace
}  // namespace kvt::front
