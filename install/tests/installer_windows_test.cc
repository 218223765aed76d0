// KVTInst.exe run end to end on Windows: an installation with the delivered kvtclean.exe, and a
// main directory of the user's own. A started program does not share a test's private registry,
// so these runs write the registry of the machine (under Wine, the test run's own prefix); the
// tests hold a ctest resource lock on it.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/support/temp_dir.h"

namespace kvt::install {
namespace {

using kvt::testing::ReadFile;
using kvt::testing::TempDir;
using kvt::testing::WriteFile;
namespace fs = std::filesystem;

constexpr char kSample[] = "[FILE]\r\nINFILE=\"in.dat\"\r\nOUTFILE=\"out.dat\"\r\n";

std::string Built(const std::string& program) {
  return platform::ProgramDirectory() + platform::ProgramFileName(program);
}

// The message fields of the 142-byte lines of a log.
std::vector<std::string> LogMessages(const std::string& log) {
  std::vector<std::string> messages;
  for (size_t at = 0; at + 142 <= log.size(); at += 142) {
    std::string msg = log.substr(at + 22, 118);
    msg.erase(msg.find_last_not_of(' ') + 1);
    messages.push_back(msg);
  }
  return messages;
}

// Removes the product's key when a test ends: later programs of the run (the engine's and the
// front-end's tests) must not find a main directory that is gone.
struct ForgetMainDir {
  ~ForgetMainDir() {
    platform::Registry().DeleteKey(
        platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR));
  }
};

TEST(InstallerWindows, FinishesAnInstallationWithOrWithoutTheCleanupProgram) {
  ForgetMainDir forget;
  struct Row {
    bool delivered;  // install.wrk (kvtclean.exe) in the product directory
    std::vector<std::string> log;
  } rows[] = {
      {true, {"Installation rc =  0"}},
      {false, {"install.wrk not found.", "Start of kvtclean failed.", "Installation rc =  0"}},
  };
  for (const Row& row : rows) {
    TempDir dir;
    const std::string product = dir.path();
    fs::copy_file(Built("KVTInst"), product + "KVTInst.exe");
    if (row.delivered) fs::copy_file(Built("kvtclean"), product + "install.wrk");
    WriteFile(product + "kvtsort.txt", kSample);

    platform::ProcessHandle run(platform::StartHidden(product + "KVTInst.exe", {}));
    ASSERT_TRUE(run.valid());
    EXPECT_EQ(run.WaitExitCode(30000), 0u);

    EXPECT_EQ(LogMessages(ReadFile(product + "Install.log")), row.log) << row.delivered;
    EXPECT_EQ(ReadFile(product + "Install.log").size(), 142 * row.log.size());
    EXPECT_EQ(ReadFile(product + "SortCtl\\kvtsort.txt"), kSample);
    EXPECT_TRUE(fs::is_directory(product + "SortOrder"));
    EXPECT_FALSE(fs::exists(product + "install.wrk"));
    EXPECT_FALSE(fs::exists(product + "kvtclean.exe"));
    EXPECT_NE(ReadFile(product + "kvtinst.cfg").find("APPPATH=\"" + product + "\""),
              std::string::npos);
    auto mainDir = platform::Registry().Query("SOFTWARE\\Halvern\\KV0220", "MainDir");
    ASSERT_TRUE(mainDir.has_value());
    EXPECT_EQ(mainDir->text, product);
  }
}

// Asking for help installs nothing: no log, no folder, no main directory.
TEST(InstallerWindows, HelpWordsInstallNothing) {
  ForgetMainDir forget;
  const std::pair<std::string, uint32_t> rows[] = {{"/?", 0}, {"--help", 0}, {"/x", 2}};
  for (const auto& [word, code] : rows) {
    TempDir product;
    fs::copy_file(Built("KVTInst"), product / "KVTInst.exe");
    platform::ProcessHandle run(platform::StartHidden(product / "KVTInst.exe", {word}));
    ASSERT_TRUE(run.valid());
    EXPECT_EQ(run.WaitExitCode(30000), code) << word;
    EXPECT_FALSE(fs::exists(product / "Install.log")) << word;
    EXPECT_FALSE(fs::exists(product / "SortCtl")) << word;
  }
}

TEST(InstallerWindows, MainDirOfTheUsersOwnGetsCopiesWhereNoLinkCanBeMade) {
  ForgetMainDir forget;
  TempDir product;
  TempDir user;
  fs::copy_file(Built("KVTInst"), product / "KVTInst.exe");
  WriteFile(product / "kvtsort.txt", kSample);
  WriteFile(product / "ErrText.txt", "131 product\r\n");
  fs::create_directory(product / "StdOrder");
  WriteFile(product / "StdOrder\\binary.sor", "order");
  const std::string mine = user / "mine\\";
  // The second run finds the user's own edit and keeps it.
  const std::string errText[] = {"131 product\r\n", "131 mine\r\n"};
  for (const std::string& expected : errText) {
    platform::ProcessHandle run(
        platform::StartHidden(product / "KVTInst.exe", {"--main-dir", mine}));
    ASSERT_TRUE(run.valid());
    EXPECT_EQ(run.WaitExitCode(30000), 0u);
    EXPECT_EQ(ReadFile(mine + "ErrText.txt"), expected);
    EXPECT_EQ(ReadFile(mine + "StdOrder\\binary.sor"), "order");
    EXPECT_EQ(ReadFile(mine + "SortCtl\\kvtsort.txt"), kSample);
    EXPECT_TRUE(fs::is_directory(mine + "SortOrder"));
    auto mainDir = platform::Registry().Query("SOFTWARE\\Halvern\\KV0220", "MainDir");
    ASSERT_TRUE(mainDir.has_value());
    EXPECT_EQ(mainDir->text, mine);
    WriteFile(mine + "ErrText.txt", "131 mine\r\n");
  }
}

}  // namespace
}  // namespace kvt::install
