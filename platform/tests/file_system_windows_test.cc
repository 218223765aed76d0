#include <windows.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

// Where POSIX needs a bus-error handler for an input shortened under a mapping, Windows refuses
// the shortening itself while a view is mapped: the mapped chunk keeps its bytes.
TEST(FileSystemWindows, AMappedFileCannotBeShortened) {
  testing::TempDir dir;
  std::string path = dir / "in";
  testing::WriteFile(path, std::string(200000, 'k'));
  std::unique_ptr<File> file;
  ASSERT_TRUE(FileSystem::Default().Open(path, OpenMode::kRead, &file).ok());
  std::unique_ptr<MappedRegion> region;
  ASSERT_TRUE(file->Map(70000, 100000, &region).ok());

  HANDLE other = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  LARGE_INTEGER at;
  at.QuadPart = 1000;
  ASSERT_TRUE(::SetFilePointerEx(other, at, nullptr, FILE_BEGIN));
  EXPECT_FALSE(::SetEndOfFile(other));
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_USER_MAPPED_FILE));
  ::CloseHandle(other);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(region->data()), region->size()),
            std::string(100000, 'k'));

  region.reset();  // unmapped: now it may be shortened
  other = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        TRUNCATE_EXISTING, 0, nullptr);
  EXPECT_NE(other, INVALID_HANDLE_VALUE);
  ::CloseHandle(other);
}

}  // namespace
}  // namespace kvt::platform
