// KVTInst --main-dir: a user's own main directory beside a read-only product tree.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "install/main_dir_setup.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "tests/support/temp_dir.h"

namespace kvt::install {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class MainDirSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("KVT_REGISTRY", (temp_ / "registry.reg").c_str(), 1);
    fs::create_directories(product_ + "StdOrder");
    WriteFile(product_ + "ErrText.txt", "160 The sort control file was not found.\r\n");
    WriteFile(product_ + "kvtmsg.txt", "messages\r\n");
    WriteFile(product_ + "kvtsort.txt", "[FILE]\r\nINFILE=\"sample.dat\"\r\n");
    WriteFile(product_ + "sample.dat", "records\n");
    WriteFile(product_ + "StdOrder/binary.sor", "0");
  }
  void TearDown() override { ::unsetenv("KVT_REGISTRY"); }

  std::string mainDirValue() const {
    auto value = platform::Registry().Query(
        platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR), "MainDir");
    return value ? value->text : std::string();
  }

  TempDir temp_;
  std::string product_ = temp_ / "product/";
  std::string user_ = temp_ / "home/kvt/";
  std::vector<std::string> done_;
};

TEST_F(MainDirSetupTest, SetsUpAFreshFolderAndRecordsIt) {
  ASSERT_TRUE(SetUpMainDir(product_, temp_ / "home/kvt", &done_).ok());
  EXPECT_EQ(mainDirValue(), user_);
  EXPECT_NE(ReadFile(user_ + "kvtinst.cfg").find("APPPATH=\"" + user_ + "\""), std::string::npos);
  EXPECT_TRUE(fs::is_directory(user_ + "SortOrder"));
  EXPECT_EQ(ReadFile(user_ + "SortCtl/kvtsort.txt"), ReadFile(product_ + "kvtsort.txt"));
  EXPECT_EQ(ReadFile(user_ + "sample.dat"), "records\n");
  for (const char* name : {"ErrText.txt", "kvtmsg.txt", "StdOrder"}) {
    EXPECT_EQ(fs::read_symlink(user_ + name), fs::path(product_ + name)) << name;
  }
  // The product tree gave up nothing.
  EXPECT_TRUE(fs::exists(product_ + "kvtsort.txt"));
  // A new main directory is the user's alone; a folder that existed keeps its access.
  EXPECT_EQ(fs::status(user_).permissions() & fs::perms::all, fs::perms::owner_all);
  fs::create_directories(temp_ / "shared");
  fs::permissions(temp_ / "shared", fs::perms::owner_all | fs::perms::group_all);
  ASSERT_TRUE(SetUpMainDir(product_, temp_ / "shared", &done_).ok());
  EXPECT_EQ(fs::status(temp_ / "shared").permissions() & fs::perms::all,
            fs::perms::owner_all | fs::perms::group_all);
}

TEST_F(MainDirSetupTest, ASecondRunKeepsTheUsersFiles) {
  ASSERT_TRUE(SetUpMainDir(product_, user_, &done_).ok());
  WriteFile(user_ + "SortCtl/kvtsort.txt", "mine");
  fs::remove(user_ + "ErrText.txt");
  WriteFile(user_ + "ErrText.txt", "my texts");
  ASSERT_TRUE(SetUpMainDir(product_, user_, &done_).ok());
  EXPECT_EQ(ReadFile(user_ + "SortCtl/kvtsort.txt"), "mine");
  EXPECT_EQ(ReadFile(user_ + "ErrText.txt"), "my texts");
}

TEST_F(MainDirSetupTest, RefusesWhatCannotBeAMainDirectory) {
  WriteFile(temp_ / "file", "x");
  struct Case {
    const char* what;
    std::string dir;
  };
  const Case cases[] = {
      {"no folder", ""},
      {"below a file", temp_ / "file/kvt"},
      {"the product tree itself", product_},
      {"a folder inside a package's product tree", product_ + "users/kvt"},
  };
  WriteFile(product_ + "package-owned", "");
  for (const Case& c : cases) {
    EXPECT_FALSE(SetUpMainDir(product_, c.dir, &done_).ok()) << c.what;
    EXPECT_EQ(mainDirValue(), "") << c.what;
  }
  EXPECT_FALSE(fs::exists(product_ + "users"));
}

}  // namespace
}  // namespace kvt::install
