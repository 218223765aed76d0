// KVTInst.exe run end to end on Windows with the delivered kvtclean.exe. A started program does
// not share the test's private registry, so these runs write the registry of the machine (under
// Wine, the test run's own prefix); only this test writes the product's key there.
#include <filesystem>
#include <string>
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

TEST(InstallerWindows, FinishesAnInstallationWithOrWithoutTheCleanupProgram) {
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

}  // namespace
}  // namespace kvt::install
