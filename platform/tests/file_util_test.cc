#include "platform/file_util.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/paths.h"
#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

TEST(FileUtil, AtomicReplaceKeepsModeAndLeavesNoTemporary) {
  testing::TempDir dir;
  std::string path = dir / "f.txt";
  ASSERT_TRUE(AtomicReplaceFile(path, "old"));
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(AtomicReplaceFile(path, "new contents"));
  std::string text;
  ASSERT_TRUE(ReadWholeFile(path, &text));
  EXPECT_EQ(text, "new contents");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(AtomicReplaceFile(dir / "missing/f.txt", "x"));
}

TEST(Paths, SeparatorsAndKeys) {
  EXPECT_TRUE(IsAbsolutePath("/a"));
  EXPECT_FALSE(IsAbsolutePath("a/b"));
  EXPECT_EQ(DirectoryPart("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(DirectoryPart("c.txt"), "");
  EXPECT_EQ(WithTrailingSeparator("/a"), "/a/");
  EXPECT_EQ(WithTrailingSeparator("/a/"), "/a/");
  EXPECT_EQ(ProductRegistryKey(2, 0), "SOFTWARE\\Halvern\\KV0220");
  EXPECT_EQ(ProgramDirectory().back(), '/');
}

}  // namespace
}  // namespace kvt::platform
