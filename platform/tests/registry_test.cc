#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/file_util.h"
#include "tests/support/temp_dir.h"

namespace kvt::platform {
namespace {

const char kKey[] = "SOFTWARE\\Halvern\\KV0220";

TEST(RegistryTree, ParsesExportFormatWithEscapesDwordsAndCrLf) {
  RegistryTree tree = RegistryTree::Parse(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\r\n"
      "\"MainDir\"=\"/home/ann/kvt sort/\"\r\n"
      "\"Quote\"=\"a \\\"b\\\" c\\\\d\"\r\n"
      "\"Count\"=dword:00000105\r\n"
      "@=\"default\"\r\n");
  const RegValue* main_dir = tree.Find(kKey, "maindir");
  ASSERT_NE(main_dir, nullptr);
  EXPECT_EQ(main_dir->text, "/home/ann/kvt sort/");
  EXPECT_EQ(tree.Find(kKey, "Quote")->text, "a \"b\" c\\d");
  EXPECT_EQ(tree.Find(kKey, "Count")->type, RegValue::Type::kDword);
  EXPECT_EQ(tree.Find(kKey, "Count")->dword, 0x105u);
  EXPECT_EQ(tree.Find(kKey, "")->text, "default");
  EXPECT_TRUE(tree.KeyExists("software\\halvern"));
  EXPECT_FALSE(tree.KeyExists("SOFTWARE\\Other"));
}

TEST(RegistryTree, SerializeRoundTripsEveryValue) {
  RegistryTree tree;
  RegValue text;
  text.text = "C:\\x \"y\"";
  tree.Set(kKey, "Path", text);
  RegValue dword;
  dword.type = RegValue::Type::kDword;
  dword.dword = 261;
  tree.Set(kKey, "N", dword);
  std::string once = tree.Serialize();
  EXPECT_EQ(once.rfind("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\n", 0), 0u);
  EXPECT_NE(once.find("\"N\"=dword:00000105\n"), std::string::npos);
  RegistryTree again = RegistryTree::Parse(once);
  EXPECT_EQ(again.Find(kKey, "Path")->text, "C:\\x \"y\"");
  EXPECT_EQ(again.Serialize(), once);
}

TEST(RegistryTree, MalformedLinesAreSkippedAndTheRestKept) {
  RegistryTree tree = RegistryTree::Parse(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A\n\"Lost\"=\"x\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\n\"Good\"=\"1\"\n\"Bad\"=\"unterminated\n"
      "\"Dw\"=dword:zz\ngarbage\n\"Also\"=\"2\"\n");
  EXPECT_EQ(tree.Find("SOFTWARE\\B", "Good")->text, "1");
  EXPECT_EQ(tree.Find("SOFTWARE\\B", "Also")->text, "2");
  EXPECT_EQ(tree.Find("SOFTWARE\\B", "Bad"), nullptr);
  EXPECT_EQ(tree.Find("SOFTWARE\\B", "Dw"), nullptr);
  EXPECT_FALSE(tree.KeyExists("SOFTWARE\\A"));
}

TEST(RegistryTree, DeleteKeyRemovesSubtreeAndFailsWhenMissing) {
  RegistryTree tree;
  tree.CreateKey("SOFTWARE\\Halvern\\KV0220\\Sub");
  tree.CreateKey("SOFTWARE\\Halvern\\KV0220X");
  EXPECT_TRUE(tree.DeleteKey("software\\halvern\\kv0220"));
  EXPECT_FALSE(tree.KeyExists(kKey));
  EXPECT_TRUE(tree.KeyExists("SOFTWARE\\Halvern\\KV0220X"));
  EXPECT_FALSE(tree.DeleteKey(kKey));
}

TEST(Registry, WritesCreateFoldersAndSurviveMalformedFile) {
  testing::TempDir dir;
  std::string path = dir / "sub/dir/registry.reg";
  Registry registry(path);
  EXPECT_FALSE(registry.Query(kKey, "MainDir").has_value());
  ASSERT_TRUE(registry.SetString(kKey, "MainDir", "/opt/kvt/"));
  EXPECT_EQ(registry.Query(kKey, "MAINDIR")->text, "/opt/kvt/");

  std::string text;
  ASSERT_TRUE(ReadWholeFile(path, &text));
  ASSERT_TRUE(AtomicReplaceFile(path, text + "\"Broken\"=\n[HKEY_LOCAL_MACHINE\\X\n"));
  ASSERT_TRUE(registry.SetString(kKey, "CurrentCtl", "/c.txt"));
  Registry reread(path);
  EXPECT_EQ(reread.Query(kKey, "MainDir")->text, "/opt/kvt/");
  EXPECT_EQ(reread.Query(kKey, "CurrentCtl")->text, "/c.txt");
  ASSERT_TRUE(ReadWholeFile(path, &text));
  EXPECT_EQ(text.find("Broken"), std::string::npos);
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing) {
  testing::TempDir dir;
  std::string path = dir / "registry.reg";
  const int kWrites = 60;
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  const char* who = child == 0 ? "child" : "parent";
  Registry registry(path);
  for (int i = 0; i < kWrites; ++i) {
    registry.SetString(kKey, std::string(who) + std::to_string(i), std::to_string(i));
  }
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  Registry reread(path);
  for (int i = 0; i < kWrites; ++i) {
    EXPECT_TRUE(reread.Query(kKey, "child" + std::to_string(i)).has_value()) << i;
    EXPECT_TRUE(reread.Query(kKey, "parent" + std::to_string(i)).has_value()) << i;
  }
}

}  // namespace
}  // namespace kvt::platform
