#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

using Code = Status::Code;

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

FileSystem& Fs() { return FileSystem::Default(); }

std::unique_ptr<File> OpenOrFail(const std::string& path, OpenMode mode) {
  std::unique_ptr<File> file;
  Status s = Fs().Open(path, mode, &file);
  EXPECT_TRUE(s.ok()) << s.message();
  return file;
}

std::string ReadAll(File& file) {
  uint64_t size = 0;
  EXPECT_TRUE(file.Size(&size).ok());
  std::string out(static_cast<size_t>(size), '\0');
  size_t got = 0;
  EXPECT_TRUE(file.ReadAt(0, out.data(), out.size(), &got).ok());
  out.resize(got);
  return out;
}

TEST(FileSystem, OpenModesAnswerWhatTheNameHolds) {
  testing::TempDir dir;
  testing::WriteFile(dir / "old", "x");
  ASSERT_TRUE(Fs().MakeDirectory(dir / "folder").ok());
  struct Row {
    const char* name;
    OpenMode mode;
    Code expected;
  } rows[] = {
      {"missing", OpenMode::kRead, Code::kNotFound},
      {"old", OpenMode::kRead, Code::kOk},
      {"new_rw", OpenMode::kReadWrite, Code::kOk},
      {"new_append", OpenMode::kAppend, Code::kOk},
      {"old", OpenMode::kCreateExclusive, Code::kExists},
      {"new_exclusive", OpenMode::kCreateExclusive, Code::kOk},
      {"no/such/folder", OpenMode::kReadWrite, Code::kNotFound},
      {"folder", OpenMode::kRead, Code::kIsDirectory},
      {"folder", OpenMode::kReadWrite, Code::kIsDirectory},
  };
  for (const Row& row : rows) {
    std::unique_ptr<File> file;
    Status s = Fs().Open(dir / row.name, row.mode, &file);
    EXPECT_EQ(s.code(), row.expected) << row.name << ": " << s.message();
    EXPECT_EQ(s.ok(), file != nullptr) << row.name;
  }
  EXPECT_EQ(testing::ReadFile(dir / "old"), "x");
}

TEST(FileSystem, BytesGoThroughUnchangedAtSixtyFourBitOffsets) {
  testing::TempDir dir;
  // Line ends and the old end-of-text byte are where a text mode would change a file.
  const std::string bytes("a\r\nb\nc\r\r\n\x1a\0z", 12);
  auto file = OpenOrFail(dir / "f", OpenMode::kReadWrite);
  ASSERT_TRUE(file->Write(bytes.data(), bytes.size()).ok());
  ASSERT_TRUE(file->WriteAt(2, "XY", 2).ok());  // positioned: leaves the position alone
  ASSERT_TRUE(file->Write("!", 1).ok());
  EXPECT_EQ(ReadAll(*file), std::string("a\rXY\nc\r\r\n\x1a\0z!", 13));

  // Past 4 GiB: a 32-bit offset anywhere on the way would land elsewhere.
  const uint64_t far = (uint64_t{5} << 30) + 3;
  ASSERT_TRUE(file->WriteAt(far, "end", 3).ok());
  uint64_t size = 0;
  ASSERT_TRUE(file->Size(&size).ok());
  EXPECT_EQ(size, far + 3);
  char back[8] = {};
  size_t got = 0;
  ASSERT_TRUE(file->ReadAt(far - 1, back, sizeof back, &got).ok());
  EXPECT_EQ(got, 4u);  // fewer only at the end of the file
  EXPECT_EQ(std::string(back, got), std::string("\0end", 4));
  ASSERT_TRUE(file->Sync().ok());
  ASSERT_TRUE(file->Close().ok());
  ASSERT_TRUE(Fs().GetFileSize(dir / "f", &size).ok());
  EXPECT_EQ(size, far + 3);

  auto reader = OpenOrFail(dir / "f", OpenMode::kRead);
  char first[4] = {};
  ASSERT_TRUE(reader->Read(first, 3, &got).ok());
  ASSERT_TRUE(reader->Read(first + 3, 1, &got).ok());
  EXPECT_EQ(std::string(first, 4), "a\rXY");
}

TEST(FileSystem, AppendersNeverOverwriteEachOther) {
  testing::TempDir dir;
  auto one = OpenOrFail(dir / "log", OpenMode::kAppend);
  auto two = OpenOrFail(dir / "log", OpenMode::kAppend);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(one->Write("one\r\n", 5).ok());
    ASSERT_TRUE(two->WriteAt(0, "two\r\n", 5).ok());  // the offset does not count
  }
  EXPECT_EQ(testing::ReadFile(dir / "log"), "one\r\ntwo\r\none\r\ntwo\r\none\r\ntwo\r\n");
}

TEST(FileSystem, ReplaceRemoveAndSizeAnswerForEachCase) {
  testing::TempDir dir;
  testing::WriteFile(dir / "new", "new contents");
  testing::WriteFile(dir / "target", "old");
  ASSERT_TRUE(Fs().MakeDirectory(dir / "folder").ok());
  // Replacing an existing file is what a plain rename refuses on Windows.
  Status s = Fs().Replace(dir / "new", dir / "target");
  ASSERT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(testing::ReadFile(dir / "target"), "new contents");
  EXPECT_FALSE(Fs().Exists(dir / "new"));

  uint64_t size = 0;
  struct Row {
    const char* what;
    Status status;
    Code expected;
  } rows[] = {
      {"replace from missing", Fs().Replace(dir / "new", dir / "target"), Code::kNotFound},
      {"size of missing", Fs().GetFileSize(dir / "missing", &size), Code::kNotFound},
      {"size of folder", Fs().GetFileSize(dir / "folder", &size), Code::kIsDirectory},
      {"remove missing", Fs().Remove(dir / "missing"), Code::kNotFound},
      {"remove folder", Fs().Remove(dir / "folder"), Code::kIsDirectory},
      {"remove", Fs().Remove(dir / "target"), Code::kOk},
  };
  for (const Row& row : rows) EXPECT_EQ(row.status.code(), row.expected) << row.what;
  EXPECT_FALSE(Fs().Exists(dir / "target"));
  EXPECT_TRUE(Fs().Exists(dir / "folder"));
}

TEST(FileSystem, FoldersAreMadeListedByPatternAndRemoved) {
  testing::TempDir dir;
  std::string folder = dir / "w";
  ASSERT_TRUE(Fs().MakeDirectory(folder).ok());
  EXPECT_TRUE(Fs().MakeDirectory(folder).ok());  // already there
  EXPECT_EQ(Fs().MakeDirectory(dir / "no/such").code(), Code::kNotFound);
  for (const char* name : {"a.sor", "B.SOR", "a.sorx", "x1.wrk", "x22.wrk", "kvtsort.ctl"}) {
    testing::WriteFile(folder + "/" + name, "");
  }
  struct Row {
    const char* pattern;
    std::vector<std::string> expected;
  } rows[] = {
      {"*.sor",
       kWindows ? std::vector<std::string>{"B.SOR", "a.sor"} : std::vector<std::string>{"a.sor"}},
      {"x?.wrk", {"x1.wrk"}},
      {"x*.wrk", {"x1.wrk", "x22.wrk"}},
      {"*", {"B.SOR", "a.sor", "a.sorx", "kvtsort.ctl", "x1.wrk", "x22.wrk"}},
      {"none*", {}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> names;
    ASSERT_TRUE(Fs().ListDirectory(folder, row.pattern, &names).ok());
    EXPECT_EQ(names, row.expected) << row.pattern;
  }
  std::vector<std::string> names;
  EXPECT_EQ(Fs().ListDirectory(dir / "missing", "*", &names).code(), Code::kNotFound);
  EXPECT_FALSE(Fs().RemoveDirectory(folder).ok());  // not empty
  ASSERT_TRUE(Fs().ListDirectory(folder, "*", &names).ok());
  for (const std::string& name : names) ASSERT_TRUE(Fs().Remove(folder + "/" + name).ok());
  EXPECT_TRUE(Fs().RemoveDirectory(folder).ok());
  EXPECT_FALSE(Fs().Exists(folder));
}

TEST(FileSystem, MappingsStartAnywhereInTheFile) {
  testing::TempDir dir;
  std::string bytes(300000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  testing::WriteFile(dir / "in", bytes);
  auto file = OpenOrFail(dir / "in", OpenMode::kRead);
  // Offsets on and off the page (4 KiB) and the Windows allocation granularity (64 KiB).
  struct Row {
    uint64_t offset;
    size_t size;
  } rows[] = {{0, 300000}, {1, 10}, {4096, 5000}, {65535, 2}, {65536, 70000}, {200001, 99999}};
  for (const Row& row : rows) {
    std::unique_ptr<MappedRegion> region;
    Status s = file->Map(row.offset, row.size, &region);
    ASSERT_TRUE(s.ok()) << row.offset << ": " << s.message();
    ASSERT_EQ(region->size(), row.size);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(region->data()), row.size),
              bytes.substr(static_cast<size_t>(row.offset), row.size))
        << row.offset;
  }
  std::unique_ptr<MappedRegion> region;
  EXPECT_EQ(file->Map(0, 0, &region).code(), Code::kInvalid);
}

TEST(FileSystem, ALockHasOneHolderAtATime) {
  testing::TempDir dir;
  std::string path = dir / "job.lck";
  std::unique_ptr<LockHolder> first;
  ASSERT_TRUE(Fs().LockFile(path, LockWait::kWait, &first).ok());
  std::unique_ptr<LockHolder> second;
  EXPECT_EQ(Fs().LockFile(path, LockWait::kTry, &second).code(), Code::kBusy);
  EXPECT_EQ(second, nullptr);
  first.reset();
  EXPECT_TRUE(Fs().LockFile(path, LockWait::kTry, &second).ok());
  EXPECT_EQ(Fs().LockFile(dir / "no/such/lock", LockWait::kTry, &first).code(), Code::kNotFound);
}

// A device is never read or written as a file, whatever the mode: the full disk that /dev/full
// stands for is met in the disk-full tests instead.
TEST(FileSystem, DevicesAreNoFiles) {
  if (kWindows) GTEST_SKIP() << "the Windows devices are met under Wine's own names";
  for (OpenMode mode : {OpenMode::kRead, OpenMode::kReadWrite, OpenMode::kAppend}) {
    std::unique_ptr<File> device;
    EXPECT_EQ(Fs().Open("/dev/null", mode, &device).code(), Code::kInvalid);
    EXPECT_EQ(device, nullptr);
  }
  EXPECT_FALSE(Fs().HoldsFileOrNothing("/dev/null"));
  testing::TempDir dir;
  EXPECT_TRUE(Fs().HoldsFileOrNothing(dir / "missing"));
  EXPECT_FALSE(Fs().HoldsFileOrNothing(dir.path()));
}

TEST(FileSystem, NewOutputKeepsTheOldFilesPermissions) {
  if (kWindows) GTEST_SKIP() << "on Windows a new file takes its access rights from its folder";
  testing::TempDir dir;
  testing::WriteFile(dir / "out", "old");
  std::filesystem::permissions(dir / "out", std::filesystem::perms::owner_read |
                                                std::filesystem::perms::owner_write |
                                                std::filesystem::perms::group_read);
  auto file = OpenOrFail(dir / "out.tmp", OpenMode::kCreateExclusive);
  // Private from the first byte, whatever the umask.
  EXPECT_EQ(std::filesystem::status(dir / "out.tmp").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_TRUE(file->MatchPermissions(dir / "out").ok());
  EXPECT_EQ(std::filesystem::status(dir / "out.tmp").permissions(),
            std::filesystem::status(dir / "out").permissions());
#ifndef _WIN32
  // Without an old file, the permissions any new file gets.
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_TRUE(file->MatchPermissions(dir / "missing").ok());
  EXPECT_EQ(static_cast<mode_t>(std::filesystem::status(dir / "out.tmp").permissions()),
            0666 & ~mask);
#endif
}

// A name is taken for what it is itself: a link is never walked through to its target.
TEST(FileSystem, KindOfNeverFollowsALink) {
  testing::TempDir dir;
  testing::WriteFile(dir / "file", "x");
  ASSERT_TRUE(Fs().MakeDirectory(dir / "folder").ok());
  struct Row {
    std::string name;
    EntryKind kind;
  } rows[] = {{"", EntryKind::kNone},
              {dir / "missing", EntryKind::kNone},
              {dir / "file", EntryKind::kFile},
              {dir / "folder", EntryKind::kDirectory}};
  for (const Row& row : rows) EXPECT_EQ(Fs().KindOf(row.name), row.kind) << row.name;
#ifndef _WIN32
  std::filesystem::create_directory_symlink(dir / "folder", dir / "folder-link");
  std::filesystem::create_symlink(dir / "file", dir / "file-link");
  std::filesystem::create_symlink(dir / "missing", dir / "dangling");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  for (const char* link : {"folder-link", "file-link", "dangling"})
    EXPECT_EQ(Fs().KindOf(dir / link), EntryKind::kLink) << link;
  EXPECT_EQ(Fs().KindOf(dir / "fifo"), EntryKind::kOther);
#endif
}

TEST(MatchesPattern, StarsAndQuestionMarks) {
  struct Row {
    const char* name;
    const char* pattern;
    bool ignore_case;
    bool expected;
  } rows[] = {
      {"abc", "a*c", false, true},       {"ab", "a*c", false, false},
      {"a.sorx", "*.sor", false, false}, {"", "*", false, true},
      {"x", "", false, false},           {"aXbXc", "a*b*c", false, true},
      {"aXbXb", "a*b*c", false, false},  {"ABC", "a?c", true, true},
      {"ABC", "a?c", false, false},      {"abbbc", "*b?c", false, true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(MatchesPattern(row.name, row.pattern, row.ignore_case), row.expected)
        << row.name << " ~ " << row.pattern;
  }
}

}  // namespace
}  // namespace kvt::platform
