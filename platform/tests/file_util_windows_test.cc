#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_util.h"
#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

TEST(PathsWindows, DriveLettersBackslashesAndProgramNames) {
  struct Absolute {
    const char* path;
    bool expected;
  } absolute[] = {{"C:\\a\\b.dat", true}, {"c:b.dat", true}, {"\\\\server\\share\\f", true},
                  {"a\\b.dat", false},    {"b.dat", false},  {"", false}};
  for (const Absolute& row : absolute)
    EXPECT_EQ(IsAbsolutePath(row.path), row.expected) << row.path;

  struct Folder {
    const char* path;
    const char* directory;
    const char* trailing;
  } folders[] = {{"C:\\a\\b.txt", "C:\\a\\", "C:\\a\\b.txt\\"},
                 {"C:/a/b.txt", "C:/a/", "C:/a/b.txt\\"},
                 {"C:\\a\\", "C:\\a\\", "C:\\a\\"},
                 {"b.txt", "", "b.txt\\"}};
  for (const Folder& row : folders) {
    EXPECT_EQ(DirectoryPart(row.path), row.directory) << row.path;
    EXPECT_EQ(WithTrailingSeparator(row.path), row.trailing) << row.path;
  }
  EXPECT_EQ(ProgramFileName("kvtsorts"), "kvtsorts.exe");
  EXPECT_EQ(ProductRegistryKey(2, 0), "SOFTWARE\\Halvern\\KV0220");
  for (const std::string& dir : {ProgramDirectory(), CurrentDirectory()}) {
    EXPECT_TRUE(IsAbsolutePath(dir)) << dir;
    EXPECT_EQ(dir.back(), '\\') << dir;
  }
}

TEST(PathsWindows, ChangeDirectoryMovesTheCurrentFolder) {
  testing::TempDir dir;
  std::string before = CurrentDirectory();
  ASSERT_TRUE(ChangeDirectory(dir.path()));
  EXPECT_EQ(CurrentDirectory(), dir.path());
  EXPECT_FALSE(ChangeDirectory(dir / "missing"));
  ASSERT_TRUE(ChangeDirectory(before));
}

TEST(FileUtilWindows, AtomicReplaceOverwritesAndLeavesNoTemporary) {
  testing::TempDir dir;
  std::string path = dir / "f.txt";
  ASSERT_TRUE(AtomicReplaceFile(path, "old"));
  ASSERT_TRUE(AtomicReplaceFile(path, "new\r\ncontents\n"));  // over an existing file
  std::string text;
  ASSERT_TRUE(ReadWholeFile(path, &text));
  EXPECT_EQ(text, "new\r\ncontents\n");
  EXPECT_EQ(FileSize(path), 14);
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(AtomicReplaceFile(dir / "missing\\f.txt", "x"));
  ASSERT_TRUE(CopyFile(path, dir / "g.txt"));
  EXPECT_EQ(testing::ReadFile(dir / "g.txt"), "new\r\ncontents\n");
  EXPECT_TRUE(IsDirectory(dir.path()));
  EXPECT_FALSE(IsDirectory(path));
  EXPECT_TRUE(RemoveFile(path));
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(FileSize(path), -1);
}

}  // namespace
}  // namespace kvt::platform
