#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

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
  // Lines the reader cannot use stay in the file.
  ASSERT_TRUE(ReadWholeFile(path, &text));
  EXPECT_NE(text.find("\"Broken\"=\n"), std::string::npos);
  EXPECT_NE(text.find("\n[HKEY_LOCAL_MACHINE\\X\n"), std::string::npos);
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

// Each file is what a person or another tool may have written; setting MainDir must change
// that one value and leave every other line as it was.
struct RoundTrip {
  const char* name;
  std::string before;
  std::string after;
};

void PrintTo(const RoundTrip& row, std::ostream* out) { *out << row.name; }

class RegistryRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RegistryRoundTrip, SettingOneValueKeepsEveryOtherLine) {
  testing::TempDir dir;
  std::string path = dir / "registry.reg";
  testing::WriteFile(path, GetParam().before);
  ASSERT_TRUE(Registry(path).SetString(kKey, "MainDir", "/new/"));
  EXPECT_EQ(testing::ReadFile(path), GetParam().after);
  EXPECT_EQ(Registry(path).Query(kKey, "MainDir")->text, "/new/");
}

const char kHead[] =
    "REGEDIT4\n; written by hand\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\n";

INSTANTIATE_TEST_SUITE_P(
    Files, RegistryRoundTrip,
    ::testing::Values(
        RoundTrip{"Comments",
                  std::string(kHead) + "; the product's folder\n\"MainDir\"=\"/old/\"\n",
                  std::string(kHead) + "; the product's folder\n\"MainDir\"=\"/new/\"\n"},
        RoundTrip{"HexValuesOverSeveralLines",
                  std::string(kHead) + "\"Bin\"=hex:01,02,\\\n  03,04\n" +
                      "\"Exp\"=hex(2):25,00,00,00\n\"Multi\"=hex(7):41,00,00,00\n",
                  std::string(kHead) + "\"Bin\"=hex:01,02,\\\n  03,04\n" +
                      "\"Exp\"=hex(2):25,00,00,00\n\"Multi\"=hex(7):41,00,00,00\n" +
                      "\"MainDir\"=\"/new/\"\n"},
        RoundTrip{"BlanksAroundEquals",
                  std::string(kHead) + "\"Other\" = \"x\"\n\"MainDir\" = \"/old/\"\n",
                  std::string(kHead) + "\"Other\" = \"x\"\n\"MainDir\"=\"/new/\"\n"},
        RoundTrip{"HeaderWithTrailingBlank",
                  "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220] \n"
                  "\"MainDir\"=\"/old/\"\n\"Keep\"=\"1\"\n",
                  "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220] \n"
                  "\"MainDir\"=\"/new/\"\n\"Keep\"=\"1\"\n"},
        RoundTrip{"OtherHives",
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Halvern\\KV0220]\n"
                  "\"MainDir\"=\"/user/\"\n\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n",
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Halvern\\KV0220]\n"
                  "\"MainDir\"=\"/user/\"\n\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\n\"MainDir\"=\"/new/\"\n"},
        RoundTrip{"CrLfLineEndsAndUnreadableLines",
                  "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\r\n"
                  "garbage\r\n\"Broken\"=\"open\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\r\n",
                  "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\r\n"
                  "garbage\r\n\"Broken\"=\"open\r\n\"MainDir\"=\"/new/\"\r\n\r\n"
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\B]\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Runs check as a user other than the owner of the test's files: as root, in a child that
// became "nobody"; otherwise as this user, whom setUp shut out by the files' modes.
void AsAnotherUser(const std::function<void()>& setUp, const std::function<bool()>& check) {
  setUp();
  if (::geteuid() != 0) {
    EXPECT_TRUE(check());
    return;
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && check();
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Registry, AFileThatIsNoRegistryOrCannotBeReadIsNeverOverwritten) {
  testing::TempDir dir;
  ::chmod(dir.path().c_str(), 0777);
  std::string notes = dir / "notes.txt";
  testing::WriteFile(notes, "my notes\n\"MainDir\"=\"/x/\"\n");
  const Status refused = Registry(notes).SetString(kKey, "MainDir", "/new/");
  EXPECT_FALSE(refused);
  EXPECT_FALSE(Registry(notes).Query(kKey, "MainDir").has_value());
  EXPECT_EQ(testing::ReadFile(notes), "my notes\n\"MainDir\"=\"/x/\"\n");
  EXPECT_NE(refused.message().find(notes), std::string::npos);

  std::string secret = dir / "secret.reg";
  std::string text = std::string(kHead) + "\"MainDir\"=\"/old/\"\n\"Other\"=\"1\"\n";
  testing::WriteFile(secret, text);
  AsAnotherUser([&] { ::chmod(secret.c_str(), 0222); },
                [&] {
                  Registry registry(secret);
                  return !registry.Query(kKey, "MainDir").has_value() &&
                         !registry.SetString(kKey, "MainDir", "/new/");
                });
  EXPECT_EQ(testing::ReadFile(secret), text);
}

// Whatever makes the file unusable, every call answers with a message naming the file and why;
// the registry itself says nothing on standard error, its callers choose where that goes.
TEST(Registry, AnUnusableFileIsAnsweredNeverPrinted) {
  testing::TempDir dir;
  testing::WriteFile(dir / "notes.txt", "my notes\n");
  ASSERT_EQ(::mkdir((dir / "folder.reg").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo.reg").c_str(), 0600), 0);
  struct Row {
    const char* name;
    const char* why;
  } rows[] = {{"notes.txt", "does not start with REGEDIT4"},
              {"folder.reg", "is not a regular file"},
              {"fifo.reg", "is not a regular file"}};
  for (const Row& row : rows) {
    const std::string path = dir / row.name;
    Registry registry(path);
    ::testing::internal::CaptureStderr();
    bool exists = true;
    std::optional<RegValue> value;
    const Status answers[] = {registry.SetString(kKey, "MainDir", "/new/"),
                              registry.DeleteKey(kKey), registry.HasKey(kKey, &exists),
                              registry.Read(kKey, "MainDir", &value)};
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << row.name;
    for (const Status& answer : answers) {
      EXPECT_FALSE(answer.ok()) << row.name;
      EXPECT_NE(answer.message().find("Registry file " + path + " " + row.why), std::string::npos)
          << answer.message();
    }
    EXPECT_FALSE(exists || value.has_value()) << row.name;
  }
  EXPECT_EQ(Registry(dir / "new.reg").DeleteKey(kKey).code(), Status::Code::kNotFound);
}

TEST(Registry, TheLockFileNeverStopsAnotherUserWhoMayWriteTheFile) {
  testing::TempDir dir;
  ::chmod(dir.path().c_str(), 0777);
  std::string path = dir / "registry.reg";
  testing::WriteFile(path, "REGEDIT4\n");
  ::chmod(path.c_str(), 0666);
  AsAnotherUser(
      [&] {
        // The first writer works under a narrow umask.
        mode_t old = ::umask(077);
        EXPECT_TRUE(Registry(path).SetString(kKey, "First", "1"));
        ::umask(old);
        if (::geteuid() != 0) ::chmod((path + ".lock").c_str(), 0444);
      },
      [&] { return Registry(path).SetString(kKey, "Second", "2").ok(); });
  EXPECT_EQ(Registry(path).Query(kKey, "Second")->text, "2");
  EXPECT_EQ(Registry(path).Query(kKey, "First")->text, "1");
}

}  // namespace
}  // namespace kvt::platform
