// KVUninst's command line, and --confirm doing what the Confirm button does, without a window.

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "install/tests/product_dir.h"
#include "platform/registry.h"
#include "uninstall/command_line.h"
#include "uninstall/frm_uninst.h"
#include "uninstall/uninstaller.h"

namespace kvt::uninstall {
namespace {

using kvt::testing::ProductDir;
using kvt::testing::ReadFile;
using kvt::testing::WriteFile;
namespace fs = std::filesystem;

constexpr char kKey[] = "SOFTWARE\\Halvern\\KV0220";

TEST(CommandLineTest, ChoosesTheWindowOrAConfirmedRun) {
  struct Row {
    std::vector<std::string> args;
    RunMode mode;
  };
  const Row rows[] = {
      {{}, RunMode::kWindow},
      {{"--confirm"}, RunMode::kConfirm},
      // Qt's own options still reach the window.
      {{"-platform", "offscreen"}, RunMode::kWindow},
      // An unattended run never falls back to a window nobody answers.
      {{"--confirm", "-platform", "offscreen"}, RunMode::kUsageError},
      {{"extra", "--confirm"}, RunMode::kUsageError},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParseCommandLine(row.args), row.mode) << ::testing::PrintToString(row.args);
  }
}

// The main directory as an installation leaves it, after a sort.
void Install(const ProductDir& dir, platform::Registry& registry) {
  ASSERT_TRUE(registry.SetString(kKey, "MainDir", dir.mainDir()));
  fs::create_directories(dir.product() / "SortCtl");
  fs::create_directories(dir.product() / "SortOrder");
  WriteFile(dir.product() / "SortCtl" / "kvtsort.txt", "sample");
  for (const char* name : {"Install.log", "kvtinst.cfg", "kvtsort.log", "kvtsort.sts"}) {
    WriteFile(dir / name, name);
  }
}

enum class State { kInstalled, kNotInstalled, kSubfolderInSortCtl };

TEST(ConfirmWithoutWindowTest, DoesWhatTheConfirmButtonDoes) {
  struct Row {
    const char* name;
    State state;
    int exitCode;
    QString outcomeStart;
    bool keyGone;
    bool runFilesGone;
  };
  const Row rows[] = {
      {"installed", State::kInstalled, kConfirmComplete, frmUninst::completeText(), true, true},
      {"key missing", State::kNotInstalled, kConfirmKeyNotDeleted, frmUninst::failedText(), true,
       false},
      {"folder left", State::kSubfolderInSortCtl, kConfirmLeftBehind, frmUninst::completeText(),
       true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ProductDir dir;
    platform::Registry registry(dir.registry().string());
    Install(dir, registry);
    if (row.state == State::kNotInstalled) {
      ASSERT_TRUE(registry.DeleteKey(kKey).ok());
    }
    if (row.state == State::kSubfolderInSortCtl) {
      fs::create_directories(dir.product() / "SortCtl" / "archive");
    }

    Uninstaller uninstaller;
    std::ostringstream out;
    EXPECT_EQ(ConfirmWithoutWindow(uninstaller, out), row.exitCode);
    EXPECT_EQ(out.str().rfind(row.outcomeStart.toStdString(), 0), 0u) << out.str();
    EXPECT_EQ(out.str().back(), '\n');
    EXPECT_EQ(registry.KeyExists(kKey), !row.keyGone);
    EXPECT_EQ(fs::exists(dir / "kvtsort.log"), !row.runFilesGone);
    EXPECT_EQ(fs::exists(dir / "kvtsort.txt"), row.runFilesGone);
  }
}

// The program itself: no display is needed, since no window is made.
TEST(ConfirmWithoutWindowTest, TheProgramRunsWithoutADisplay) {
  ProductDir dir;
  platform::Registry registry(dir.registry().string());
  Install(dir, registry);
  const std::string out = (dir.root() / "out.txt").string();
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                              std::string(KVUNINST_PATH) + "' --confirm >'" + out + "' 2>&1";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), kConfirmComplete) << ReadFile(out);
  EXPECT_EQ(ReadFile(out), frmUninst::completeText().toStdString() + "\n");
  EXPECT_FALSE(registry.KeyExists(kKey));
  EXPECT_FALSE(fs::exists(dir / "SortCtl"));
}

}  // namespace
}  // namespace kvt::uninstall
