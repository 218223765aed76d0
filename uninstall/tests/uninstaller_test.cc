// The uninstall work on installed-style product directories.

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "uninstall/tests/product_folder.h"
#include "uninstall/uninstaller.h"

namespace kvt::uninstall {
namespace {

using test::Native;
using test::ProductFolder;
using test::ReadFile;
using test::WriteFile;
namespace fs = std::filesystem;

constexpr char kKey[] = "SOFTWARE\\Halvern\\KV0220";
constexpr char kSample[] = "[FILE]\r\nINFILE=\"in.dat\"\r\n";
constexpr char kConfig[] = "[DEFINITIONS]\r\nVERSION=\"200\"\r\n";

class UninstallerTest : public ::testing::Test {
 protected:
  UninstallerTest() : registry_(dir_.registryFile()) {}

  void RecordMainDir(const std::string& value) {
    ASSERT_TRUE(registry_.SetString(kKey, "MainDir", value));
  }

  // What an installed product holds after some use.
  void FillProduct() {
    RecordMainDir(dir_.mainDir());
    ASSERT_TRUE(registry_.SetString("SOFTWARE\\Halvern\\Other", "Keep", "yes"));
    for (const char* name :
         {"Install.log", "kvtsortLog.001", "kvtsortLog.002", "kvtsort.log", "kvtsort.old",
          "kvtsort.sts", "kvtsort.lck", "kvtwork.lck", "ErrText.txt", "kvtsorts"}) {
      WriteFile(dir_ / name, name);
    }
    WriteFile(dir_ / "kvtinst.cfg", kConfig);
    fs::create_directories(dir_.product() / "SortCtl");
    fs::create_directories(dir_.product() / "SortOrder");
    fs::create_directories(dir_.product() / "StdOrder");
    WriteFile(dir_.product() / "SortCtl" / "kvtsort.txt", kSample);
    WriteFile(dir_.product() / "SortCtl" / "job.txt", "job");
    WriteFile(dir_.product() / "SortCtl" / "job.sor", "0123");
    WriteFile(dir_.product() / "SortOrder" / "x.sor", "0123");
    WriteFile(dir_.product() / "StdOrder" / "std.sor", "0123");
  }

  UninstallResult Run() {
    Uninstaller uninstaller;
    uninstaller.Open();
    return uninstaller.Confirm();
  }

  ProductFolder dir_;
  platform::Registry registry_;
};

TEST_F(UninstallerTest, RemovesRunTimeFilesFoldersAndOnlyTheProductKey) {
  FillProduct();
  UninstallResult result = Run();
  EXPECT_TRUE(result.complete()) << ::testing::PrintToString(result.leftBehind);

  EXPECT_FALSE(registry_.KeyExists(kKey));
  EXPECT_TRUE(registry_.KeyExists("SOFTWARE\\Halvern"));
  EXPECT_TRUE(registry_.Query("SOFTWARE\\Halvern\\Other", "Keep").has_value());

  EXPECT_EQ(ReadFile(dir_ / "kvtsort.txt"), kSample);
  EXPECT_FALSE(fs::exists(dir_ / "SortCtl"));
  EXPECT_FALSE(fs::exists(dir_ / "SortOrder"));
  for (const char* gone :
       {"Install.log", "kvtinst.cfg", "kvtsortLog.001", "kvtsortLog.002", "kvtsort.log",
        "kvtsort.old", "kvtsort.sts", "kvtsort.lck", "kvtwork.lck"}) {
    EXPECT_FALSE(fs::exists(dir_ / gone)) << gone;
  }
  EXPECT_EQ(ReadFile(dir_ / "install.ctl"), kConfig);
  EXPECT_EQ(ReadFile(dir_ / "install.wrk"), kConfig);
  // The installed files are the system's program removal's business.
  EXPECT_TRUE(fs::exists(dir_ / "ErrText.txt"));
  EXPECT_TRUE(fs::exists(dir_ / "kvtsorts"));
  EXPECT_TRUE(fs::exists(dir_.product() / "StdOrder" / "std.sor"));
}

TEST_F(UninstallerTest, ThePlanNamesEveryFileThatConfirmRemoves) {
  FillProduct();
  Uninstaller uninstaller;
  uninstaller.Open();
  const RemovalPlan plan = uninstaller.Plan();
  EXPECT_EQ(plan.mainDir, dir_.mainDir());
  EXPECT_EQ(plan.controlFiles, (std::vector<std::string>{"job.sor", "job.txt"}));
  EXPECT_EQ(plan.sortOrders, std::vector<std::string>{"x.sor"});
  EXPECT_TRUE(plan.sampleGoesBack);
  std::vector<std::string> named = {"SortCtl", Native("SortCtl/kvtsort.txt"), "SortOrder"};
  for (const auto* list : {&plan.installFiles, &plan.savedLogs, &plan.runFiles}) {
    named.insert(named.end(), list->begin(), list->end());
  }
  for (const std::string& name : plan.controlFiles) named.push_back(Native("SortCtl/" + name));
  for (const std::string& name : plan.sortOrders) named.push_back(Native("SortOrder/" + name));
  std::sort(named.begin(), named.end());

  const std::vector<std::string> before = test::Listing(dir_.product());
  ASSERT_TRUE(uninstaller.Confirm().complete());
  const std::vector<std::string> after = test::Listing(dir_.product());
  std::vector<std::string> gone;
  std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                      std::back_inserter(gone));
  EXPECT_EQ(gone, named);
}

TEST_F(UninstallerTest, AMissingKeyTouchesNoFileAndASecondRunFails) {
  FillProduct();
  ASSERT_TRUE(Run().registryCleaned);
  WriteFile(dir_ / "kvtsort.log", "written after");
  UninstallResult again = Run();
  EXPECT_FALSE(again.registryCleaned);
  EXPECT_TRUE(fs::exists(dir_ / "kvtsort.log"));
  EXPECT_EQ(ReadFile(dir_ / "install.ctl"), kConfig);
}

TEST_F(UninstallerTest, ReportsSubfoldersAndKeepsTheirContents) {
  FillProduct();
  fs::create_directories(dir_.product() / "SortCtl" / "archive");
  WriteFile(dir_.product() / "SortCtl" / "archive" / "old.txt", "old");
  Uninstaller uninstaller;
  uninstaller.Open();
  EXPECT_EQ(uninstaller.Plan().keptFolders, std::vector<std::string>{Native("SortCtl/archive/")});
  EXPECT_EQ(uninstaller.Plan().folders, std::vector<std::string>{Native("SortOrder/")});
  UninstallResult result = uninstaller.Confirm();
  EXPECT_TRUE(result.registryCleaned);
  EXPECT_EQ(result.leftBehind, std::vector<std::string>{Native("SortCtl/archive/")});
  EXPECT_EQ(ReadFile(dir_.product() / "SortCtl" / "archive" / "old.txt"), "old");
  EXPECT_FALSE(fs::exists(dir_.product() / "SortCtl" / "job.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "SortOrder"));
  EXPECT_EQ(ReadFile(dir_ / "kvtsort.txt"), kSample);
}

TEST_F(UninstallerTest, DoesNotFollowALinkedFolder) {
  FillProduct();
  fs::remove_all(dir_.product() / "SortOrder");
  fs::create_directory(dir_.root() / "elsewhere");
  WriteFile(dir_.root() / "elsewhere" / "precious.sor", "0123");
  std::error_code linkError;
  fs::create_directory_symlink(dir_.root() / "elsewhere", dir_.product() / "SortOrder", linkError);
  if (linkError) GTEST_SKIP() << "no folder links here: " << linkError.message();
  UninstallResult result = Run();
  EXPECT_EQ(result.leftBehind, std::vector<std::string>{"SortOrder"});
  EXPECT_TRUE(fs::exists(dir_.root() / "elsewhere" / "precious.sor"));
}

TEST_F(UninstallerTest, KeepsASampleThatCannotBeMovedBack) {
  FillProduct();
  fs::create_directory(dir_ / "kvtsort.txt");
  UninstallResult result = Run();
  EXPECT_EQ(result.leftBehind, std::vector<std::string>{Native("SortCtl/kvtsort.txt")});
  EXPECT_EQ(ReadFile(dir_.product() / "SortCtl" / "kvtsort.txt"), kSample);
  EXPECT_FALSE(fs::exists(dir_.product() / "SortCtl" / "job.txt"));
}

TEST_F(UninstallerTest, AcceptsAMainDirectoryWithoutItsSeparator) {
  FillProduct();
  RecordMainDir(dir_.product().string());
  EXPECT_TRUE(Run().complete());
  EXPECT_FALSE(fs::exists(dir_ / "kvtsort.log"));
  EXPECT_FALSE(fs::exists(dir_.root() / "productkvtsort.txt"));
}

TEST_F(UninstallerTest, AKeyWithoutMainDirectoryOnlyLosesTheKey) {
  ASSERT_TRUE(registry_.SetString(kKey, "CurrentCtl", "x"));
  UninstallResult result = Run();
  EXPECT_TRUE(result.registryCleaned);
  EXPECT_FALSE(result.mainDirFound);
  EXPECT_FALSE(registry_.KeyExists(kKey));
}

}  // namespace
}  // namespace kvt::uninstall
