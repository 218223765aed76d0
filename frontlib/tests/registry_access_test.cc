#include "frontlib/registry_access.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "frontlib/shared_routines.h"
#include "platform/registry.h"
#include "tests/support/temp_dir.h"

namespace kvt::front {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr uint32_t kHklm = 0x80000002u;
const char kKey[] = "SOFTWARE\\Halvern\\KV0220";

class RegistryAccessTest : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("KVT_REGISTRY", registry_path_.c_str(), 1); }
  void TearDown() override { ::unsetenv("KVT_REGISTRY"); }

  TempDir dir_;
  std::string registry_path_ = dir_ / "registry.reg";
  cRegistryAccess access_;
};

TEST_F(RegistryAccessTest, WritesAndReadsStringValues) {
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "MainDir"), "");
  ASSERT_TRUE(access_.UpdateKey(kHklm, kKey, "MainDir", "/home/ann/kvt\\sort \"x\"/"));
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "MainDir"), "/home/ann/kvt\\sort \"x\"/");
  EXPECT_EQ(access_.GetKeyValue(kHklm, "software\\halvern\\kv0220", "maindir"),
            "/home/ann/kvt\\sort \"x\"/");
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "CurrentCtl"), "");
  EXPECT_EQ(access_.GetKeyValue(kHklm, "SOFTWARE\\Nobody", "MainDir"), "");
  EXPECT_EQ(ReadFile(registry_path_).substr(0, 8), "REGEDIT4");
  // An empty value goes in as one blank.
  ASSERT_TRUE(regPut(kHklm, kKey, "CurrentCtl", ""));
  EXPECT_EQ(regGet(kHklm, kKey, "CurrentCtl"), " ");
}

TEST_F(RegistryAccessTest, DwordValuesReadAsDecimalText) {
  platform::Registry registry(registry_path_);
  ASSERT_TRUE(registry.SetDword(kKey, "Count", 261));
  ASSERT_TRUE(registry.SetDword(kKey, "Big", 0xFFFFFFFFu));
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "Count"), "261");
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "Big"), "4294967295");
}

TEST_F(RegistryAccessTest, OtherRootsFail) {
  const uint32_t kHkcu = 0x80000001u;
  EXPECT_FALSE(access_.UpdateKey(kHkcu, kKey, "MainDir", "/x/"));
  ASSERT_TRUE(access_.UpdateKey(kHklm, kKey, "MainDir", "/x/"));
  EXPECT_EQ(access_.GetKeyValue(kHkcu, kKey, "MainDir"), "");
  EXPECT_FALSE(access_.DeleteKey(kHkcu, "SOFTWARE", "Halvern\\KV0220"));
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "MainDir"), "/x/");
}

TEST_F(RegistryAccessTest, DeleteKeyRemovesOnlyTheNamedSubkey) {
  ASSERT_TRUE(access_.UpdateKey(kHklm, kKey, "MainDir", "/x/"));
  ASSERT_TRUE(access_.UpdateKey(kHklm, "SOFTWARE\\Halvern\\Other", "A", "1"));
  EXPECT_FALSE(access_.DeleteKey(kHklm, "SOFTWARE", ""));
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "MainDir"), "/x/");

  EXPECT_TRUE(access_.DeleteKey(kHklm, "SOFTWARE", "Halvern\\KV0220"));
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "MainDir"), "");
  EXPECT_EQ(access_.GetKeyValue(kHklm, "SOFTWARE\\Halvern\\Other", "A"), "1");
  platform::Registry registry(registry_path_);
  EXPECT_TRUE(registry.KeyExists("SOFTWARE\\Halvern"));
  // A second uninstall finds nothing to delete; a missing parent is created on the way.
  EXPECT_FALSE(access_.DeleteKey(kHklm, "SOFTWARE", "Halvern\\KV0220"));
  EXPECT_FALSE(access_.DeleteKey(kHklm, "SOFTWARE\\New", "Child"));
  EXPECT_TRUE(platform::Registry(registry_path_).KeyExists("SOFTWARE\\New"));
}

TEST_F(RegistryAccessTest, TwoProgramsWritingAtOnceLoseNothing) {
  constexpr int kWriters = 2;
  constexpr int kValues = 40;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      cRegistryAccess access;
      bool ok = true;
      for (int i = 0; i < kValues; ++i) {
        std::string name = "W" + std::to_string(w) + "V" + std::to_string(i);
        ok = access.UpdateKey(kHklm, kKey, name, "value " + name) && ok;
      }
      ::_exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int w = 0; w < kWriters; ++w) {
    for (int i = 0; i < kValues; ++i) {
      std::string name = "W" + std::to_string(w) + "V" + std::to_string(i);
      EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, name), "value " + name);
    }
  }
}

TEST_F(RegistryAccessTest, MalformedFileIsReadAsFarAsPossibleAndRewrittenWell) {
  WriteFile(registry_path_,
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\r\n"
            "\"MainDir\"=\"/opt/kvt/\"\r\n"
            "garbage line without quotes\r\n"
            "\"Broken\"=\"no closing quote\r\n"
            "\"Count\"=dword:00000105\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Unclosed\r\n"
            "\"Lost\"=\"belongs to no key\"\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\Other]\r\n"
            "\"A\"=\"1\"");
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "MainDir"), "/opt/kvt/");
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "Count"), "261");
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "Broken"), "");
  EXPECT_EQ(access_.GetKeyValue(kHklm, "SOFTWARE\\Halvern\\Other", "A"), "1");

  ASSERT_TRUE(access_.UpdateKey(kHklm, kKey, "CurrentCtl", "/opt/kvt/SortCtl/a.txt"));
  std::string text = ReadFile(registry_path_);
  // Lines the reader cannot use are written back as they were, with the file's line ends.
  EXPECT_EQ(text.substr(0, 10), "REGEDIT4\r\n");
  EXPECT_NE(text.find("garbage line without quotes\r\n"), std::string::npos);
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "MainDir"), "/opt/kvt/");
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "Count"), "261");
  EXPECT_EQ(access_.GetKeyValue(kHklm, kKey, "CurrentCtl"), "/opt/kvt/SortCtl/a.txt");
  EXPECT_EQ(access_.GetKeyValue(kHklm, "SOFTWARE\\Halvern\\Other", "A"), "1");
  // What was written reads back the same when parsed on its own.
  platform::RegistryTree tree = platform::RegistryTree::Parse(text);
  EXPECT_EQ(tree.Serialize(), text);
}

}  // namespace
}  // namespace kvt::front
