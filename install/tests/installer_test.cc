// End-to-end runs of KVTInst in temporary product directories, and the tick logic in-process.

#include <chrono>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "install/install_setup.h"
#include "install/installer.h"
#include "install/tests/product_dir.h"
#include "platform/registry.h"

namespace kvt::install {
namespace {

using kvt::testing::AllDigits;
using kvt::testing::Listing;
using kvt::testing::LogLines;
using kvt::testing::LogMessage;
using kvt::testing::ProductDir;
using kvt::testing::ReadFile;
using kvt::testing::RunProgram;
using kvt::testing::WriteFile;
using kvt::testing::WriteScript;
namespace fs = std::filesystem;

constexpr char kSample[] = "[FILE]\r\nINFILE=\"in.dat\"\r\nOUTFILE=\"out.dat\"\r\n";
// Records its arguments, the folder it ran in and the registry it found, then exits with the
// given code.
std::string CleanupScript(int exitCode) {
  return "printf '%s|' \"$@\" > cleanup.args\npwd > cleanup.cwd\n"
         "cp \"$KVT_REGISTRY\" cleanup.reg\nexit " +
         std::to_string(exitCode) + "\n";
}

std::string ExpectedConfig(const std::string& mainDir) {
  return "[DEFINITIONS]\r\n"
         "EDITING=\"MODIFYING THIS FILE WILL CAUSE THE SORT TO FAIL.\"\r\n"
         "PRODUCT=\"KV02\"\r\n"
         "VERSION=\"200\"\r\n"
         "APPPATH=\"" +
         mainDir + "\"\r\n";
}

class InstallerRun : public ::testing::Test {
 protected:
  void SetUp() override { program_ = dir_.AddProgram(KVTINST_PATH); }

  void AddDeliveredFiles(int cleanupExitCode = 0) {
    WriteScript(dir_ / "install.wrk", CleanupScript(cleanupExitCode));
    WriteFile(dir_ / "kvtsort.txt", kSample);
  }

  // Runs the installer from another current folder: it must work in its own folder.
  void RunInstaller(uint32_t exitCode = 0) {
    auto started = std::chrono::steady_clock::now();
    kvt::testing::RunResult result = RunProgram(program_.string(), dir_.root().string());
    ASSERT_TRUE(result.ended) << "KVTInst did not end";
    EXPECT_EQ(result.exitCode, exitCode);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  }

  std::vector<std::string> LogMessages() {
    std::string log = ReadFile(dir_ / "Install.log");
    std::vector<std::string> lines = LogLines(log);
    EXPECT_EQ(lines.size() * 142, log.size()) << "Install.log lines are not 142 bytes";
    std::vector<std::string> messages;
    for (const std::string& line : lines) messages.push_back(LogMessage(line));
    return messages;
  }

  // Runs the installer with its standard error in err.txt beside the product directory, from
  // a parent that ignores SIGCHLD when asked (some daemons do, and children inherit it).
  int RunInstallerWith(bool ignoreSigchld) {
    std::string program = program_.string();
    std::string err = (dir_.root() / "err.txt").string();
    pid_t pid = ::fork();
    if (pid == 0) {
      if (ignoreSigchld) ::signal(SIGCHLD, SIG_IGN);
      int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd >= 0) ::dup2(fd, 2);
      ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  std::string MainDirInRegistry() {
    auto value =
        platform::Registry(dir_.registry().string()).Query("SOFTWARE\\Halvern\\KV0220", "MainDir");
    return value ? value->text : "<missing>";
  }

  ProductDir dir_;
  fs::path program_;
};

TEST_F(InstallerRun, FinishesAFreshInstallation) {
  AddDeliveredFiles();
  RunInstaller();

  EXPECT_EQ(MainDirInRegistry(), dir_.mainDir());
  EXPECT_NE(ReadFile(dir_.registry()).find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]"),
            std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "kvtinst.cfg"), ExpectedConfig(dir_.mainDir()));
  // The clean-up program already found the main directory in the registry.
  EXPECT_NE(ReadFile(dir_ / "cleanup.reg").find("\"MainDir\"=\"" + dir_.mainDir() + "\""),
            std::string::npos);

  // The clean-up program ran once in the product directory with the version text, and is gone.
  EXPECT_EQ(ReadFile(dir_ / "cleanup.args"), "200|");
  EXPECT_EQ(ReadFile(dir_ / "cleanup.cwd"), dir_.product().string() + "\n");
  EXPECT_FALSE(fs::exists(dir_ / "install.wrk"));
  EXPECT_FALSE(fs::exists(dir_ / "kvtclean"));

  EXPECT_TRUE(fs::is_directory(dir_ / "SortOrder"));
  EXPECT_EQ(ReadFile(dir_.product() / "SortCtl" / "kvtsort.txt"), kSample);
  EXPECT_FALSE(fs::exists(dir_ / "kvtsort.txt"));

  std::string log = ReadFile(dir_ / "Install.log");
  ASSERT_EQ(log.size(), 142u);
  EXPECT_EQ(log.substr(0, 8), "SORTVBxI");
  EXPECT_TRUE(AllDigits(log.substr(8, 14))) << log.substr(8, 14);
  EXPECT_EQ(log.substr(22, 118), "Installation rc =  0" + std::string(98, ' '));
  EXPECT_EQ(log.substr(140), "\r\n");
}

TEST_F(InstallerRun, ReplacesAnExistingConfigurationInsteadOfMergingIt) {
  AddDeliveredFiles();
  WriteFile(dir_ / "kvtinst.cfg", "[OTHER]\r\nKEEP=\"no\"\r\n[DEFINITIONS]\r\nVERSION=\"100\"\r\n" +
                                      std::string(300, 'x') + "\r\n");
  RunInstaller();
  EXPECT_EQ(ReadFile(dir_ / "kvtinst.cfg"), ExpectedConfig(dir_.mainDir()));
}

TEST_F(InstallerRun, LogsTheExitCodeOfTheCleanupProgram) {
  AddDeliveredFiles(7);
  RunInstaller();
  EXPECT_EQ(LogMessages(), std::vector<std::string>{"Installation rc =  7"});
  // The installation is finished all the same.
  EXPECT_TRUE(fs::exists(dir_.product() / "SortCtl" / "kvtsort.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "kvtclean"));
}

TEST_F(InstallerRun, FinishesWithoutTheCleanupProgramAndSaysSo) {
  WriteFile(dir_ / "kvtsort.txt", kSample);
  RunInstaller();
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"install.wrk not found.", "Start of kvtclean failed.",
                                      "Installation rc =  0"}));
  EXPECT_EQ(MainDirInRegistry(), dir_.mainDir());
  EXPECT_EQ(ReadFile(dir_ / "kvtinst.cfg"), ExpectedConfig(dir_.mainDir()));
  EXPECT_TRUE(fs::is_directory(dir_ / "SortOrder"));
  EXPECT_EQ(ReadFile(dir_.product() / "SortCtl" / "kvtsort.txt"), kSample);
}

TEST_F(InstallerRun, ACleanupProgramThatCannotStartIsLoggedAndRemoved) {
  AddDeliveredFiles();
  fs::permissions(dir_ / "install.wrk", fs::perms::owner_read | fs::perms::owner_write);
  RunInstaller();
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"Start of kvtclean failed.", "Installation rc =  0"}));
  EXPECT_FALSE(fs::exists(dir_ / "cleanup.args"));
  EXPECT_FALSE(fs::exists(dir_ / "kvtclean"));
  EXPECT_TRUE(fs::exists(dir_.product() / "SortCtl" / "kvtsort.txt"));
}

TEST_F(InstallerRun, KeepsExistingFoldersAndTheUsersFiles) {
  AddDeliveredFiles();
  fs::create_directory(dir_ / "SortCtl");
  fs::create_directory(dir_ / "SortOrder");
  WriteFile(dir_.product() / "SortCtl" / "job.txt", "mine");
  WriteFile(dir_.product() / "SortCtl" / "kvtsort.txt", "old sample");
  WriteFile(dir_.product() / "SortOrder" / "job.sor", "0123");
  RunInstaller();
  // The sample the user changed stays; the new one is installed beside it.
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"SortCtl/kvtsort.txt was changed and is kept; the new "
                                      "sample is SortCtl/kvtsort.txt.new.",
                                      "Installation rc =  0"}));
  EXPECT_EQ(ReadFile(dir_.product() / "SortCtl" / "job.txt"), "mine");
  EXPECT_EQ(ReadFile(dir_.product() / "SortOrder" / "job.sor"), "0123");
  EXPECT_EQ(ReadFile(dir_.product() / "SortCtl" / "kvtsort.txt"), "old sample");
  EXPECT_EQ(ReadFile(dir_.product() / "SortCtl" / "kvtsort.txt.new"), kSample);
  EXPECT_FALSE(fs::exists(dir_ / "kvtsort.txt"));
  EXPECT_EQ(MainDirInRegistry(), dir_.mainDir());
}

TEST_F(InstallerRun, AParentThatIgnoresSigchldStillSeesTheCleanupCode) {
  AddDeliveredFiles(7);
  EXPECT_EQ(RunInstallerWith(/*ignoreSigchld=*/true), 0);
  EXPECT_EQ(LogMessages(), std::vector<std::string>{"Installation rc =  7"});
}

TEST_F(InstallerRun, ALogThatCannotBeWrittenStopsBeforeAnythingIsWritten) {
  AddDeliveredFiles();
  fs::create_directory(dir_ / "Install.log");
  EXPECT_EQ(RunInstallerWith(false), 1);
  EXPECT_NE(ReadFile(dir_.root() / "err.txt").find("Install.log"), std::string::npos);
  EXPECT_EQ(MainDirInRegistry(), "<missing>");
  EXPECT_FALSE(fs::exists(dir_ / "kvtinst.cfg"));
  EXPECT_TRUE(fs::exists(dir_ / "install.wrk"));
  EXPECT_FALSE(fs::exists(dir_ / "SortCtl"));
}

TEST_F(InstallerRun, ARegistryFileThatIsNoRegistryIsLeftAsItIs) {
  AddDeliveredFiles();
  WriteFile(dir_.registry(), "my notes\n");
  EXPECT_EQ(RunInstallerWith(false), 1);
  EXPECT_EQ(ReadFile(dir_.registry()), "my notes\n");
  EXPECT_NE(ReadFile(dir_.root() / "err.txt").find("does not start with REGEDIT4"),
            std::string::npos);
}

TEST_F(InstallerRun, AReadOnlyProductDirectoryIsReportedAndNotRecorded) {
  AddDeliveredFiles();
  const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(dir_.product(), readOnly);
  fs::permissions(dir_.root(), fs::perms::all);
  // Root may write any folder: the installer then runs as a user who may not.
  std::string asUser =
      ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  std::string err = (dir_.root() / "err.txt").string();
  WriteScript(dir_.root() / "run.sh",
              "exec " + asUser + "'" + program_.string() + "' 2> '" + err + "'\n");
  kvt::testing::RunResult result =
      RunProgram((dir_.root() / "run.sh").string(), dir_.root().string());
  fs::permissions(dir_.product(), fs::perms::owner_all);
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(ReadFile(err).find("Install.log"), std::string::npos) << ReadFile(err);
  EXPECT_EQ(MainDirInRegistry(), "<missing>");
  EXPECT_TRUE(fs::exists(dir_ / "install.wrk"));
}

TEST_F(InstallerRun, AMissingSampleIsLogged) {
  WriteScript(dir_ / "install.wrk", CleanupScript(0));
  RunInstaller();
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"kvtsort.txt not found.", "Installation rc =  0"}));
  EXPECT_TRUE(fs::is_directory(dir_ / "SortCtl"));
  EXPECT_TRUE(fs::is_directory(dir_ / "SortOrder"));
}

TEST_F(InstallerRun, AFailedInstallationPutsBackTheFormerMainDir) {
  const std::string key = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\n";
  struct Row {
    const char* registry;  // before the run; "" for none
    const char* mainDirAfter;
    const char* logLine;
  };
  const std::string withCtl = "REGEDIT4\n\n" + key + "\"CurrentCtl\"=\"/kvt/SortCtl/job.txt\"\n";
  const std::string withDir = "REGEDIT4\n\n" + key + "\"MainDir\"=\"/elsewhere/kvt/\"\n";
  const Row rows[] = {
      {"", "<missing>", "MainDir removed: the installation is not complete."},
      {withCtl.c_str(), "<missing>", "MainDir removed: the installation is not complete."},
      {withDir.c_str(), "/elsewhere/kvt/",
       "MainDir put back to /elsewhere/kvt/: the installation is not complete."},
  };
  WriteFile(dir_ / "SortCtl", "a file in the way");
  for (const Row& row : rows) {
    fs::remove(dir_.registry());
    fs::remove(dir_ / "Install.log");
    if (*row.registry != '\0') WriteFile(dir_.registry(), row.registry);
    AddDeliveredFiles();
    RunInstaller(1);
    EXPECT_EQ(LogMessages(),
              (std::vector<std::string>{"Folder SortCtl could not be created.",
                                        "kvtsort.txt not moved: folder SortCtl is missing.",
                                        row.logLine, "Installation rc =  0"}));
    EXPECT_NE(ReadFile(dir_ / "cleanup.reg").find(dir_.mainDir()), std::string::npos);
    EXPECT_EQ(MainDirInRegistry(), row.mainDirAfter) << row.registry;
    // The rest of the registry is as it was; a product key made by this run is gone.
    const bool hadCtl = std::string(row.registry).find("CurrentCtl") != std::string::npos;
    EXPECT_EQ(ReadFile(dir_.registry()).find("CurrentCtl") != std::string::npos, hadCtl);
    EXPECT_EQ(platform::Registry(dir_.registry().string()).KeyExists("SOFTWARE\\Halvern\\KV0220"),
              *row.registry != '\0');
    EXPECT_EQ(ReadFile(dir_ / "kvtsort.txt"), kSample);
  }
  EXPECT_EQ(ReadFile(dir_ / "SortCtl"), "a file in the way");
}

TEST_F(InstallerRun, LeavesAPackagesTreeAsItIsAndPointsToMainDir) {
  AddDeliveredFiles();
  WriteFile(dir_ / "package-owned", "");
  const std::vector<std::string> before = Listing(dir_.product());
  EXPECT_EQ(RunInstallerWith(false), 2);
  EXPECT_NE(ReadFile(dir_.root() / "err.txt").find("KVTInst --main-dir DIR"), std::string::npos);
  EXPECT_EQ(Listing(dir_.product()), before);
  EXPECT_FALSE(fs::exists(dir_.registry()));
}

TEST_F(InstallerRun, ASecondRunAppendsToTheLog) {
  AddDeliveredFiles();
  RunInstaller();
  AddDeliveredFiles(3);
  RunInstaller();
  EXPECT_EQ(LogMessages(),
            (std::vector<std::string>{"Installation rc =  0", "Installation rc =  3"}));
  EXPECT_EQ(ReadFile(dir_ / "kvtinst.cfg"), ExpectedConfig(dir_.mainDir()));
}

TEST_F(InstallerRun, WorksWithTheDeliveredFiles) {
  const fs::path data = KVT_DATA_DIR;
  if (!fs::exists(data / "install.wrk") || !fs::exists(data / "kvtsort.txt")) {
    GTEST_SKIP() << "install.wrk or kvtsort.txt not in " << data;
  }
  fs::copy_file(data / "install.wrk", dir_ / "install.wrk");
  fs::copy_file(data / "kvtsort.txt", dir_ / "kvtsort.txt");
  RunInstaller();
  EXPECT_EQ(LogMessages(), std::vector<std::string>{"Installation rc =  0"});
  EXPECT_EQ(ReadFile(dir_.product() / "SortCtl" / "kvtsort.txt"), ReadFile(data / "kvtsort.txt"));
}

// The tick logic, run in this process against a product directory.
TEST(InstallerTicks, AFailedStartFinishesInTheSameTick) {
  ProductDir dir;
  frmTmr runner(InstallSetup::ForDirectory(dir.product().string()));
  runner.Start();
  EXPECT_FALSE(runner.stopped());
  runner.Timer1_Timer();
  EXPECT_TRUE(runner.stopped());
  std::vector<std::string> lines = LogLines(ReadFile(dir / "Install.log"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(LogMessage(lines.front()), "install.wrk not found.");
  EXPECT_EQ(LogMessage(lines.back()), "Installation rc =  0");
  EXPECT_TRUE(fs::is_directory(dir / "SortCtl"));
}

TEST(InstallerTicks, WaitsForTheCleanupProgramBeforeFinishing) {
  ProductDir dir;
  WriteFile(dir / "release", "");
  // Runs until the test removes the release file.
  WriteScript(dir / "install.wrk", "while [ -e release ]; do sleep 0.05; done\nexit 4\n");
  frmTmr runner(InstallSetup::ForDirectory(dir.product().string()));
  runner.Start();
  runner.Timer1_Timer();
  runner.Timer1_Timer();
  EXPECT_FALSE(runner.stopped());
  EXPECT_FALSE(fs::exists(dir / "SortCtl"));
  fs::remove(dir / "release");
  runner.Run();
  EXPECT_TRUE(runner.stopped());
  EXPECT_EQ(runner.exitCode(), 4);
  EXPECT_TRUE(fs::is_directory(dir / "SortCtl"));
}

}  // namespace
}  // namespace kvt::install
