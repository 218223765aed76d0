#include "install/installer.h"

#include <chrono>
#include <thread>
#include <utility>

#include "frontlib/cls_log.h"
#include "frontlib/shared_routines.h"
#include "platform/file_util.h"

namespace kvt::install {
namespace {

constexpr char kSubAppl[] = "VBx";

}  // namespace

frmTmr::frmTmr(InstallSetup setup) : setup_(std::move(setup)) {
  front::clsLog::setProgramLogPath(setup_.logPath());
}

void frmTmr::Start() {
  logIfFailed(WriteInstallConfig(setup_));
  const Status renamed = PrepareCleanupProgram(setup_);
  // A clean-up program left by an interrupted earlier run may still be there to be run.
  if (!renamed.ok() && !platform::FileExists(setup_.cleanupPath())) logLine(renamed.message());
  startPending_ = true;
}

void frmTmr::Run() {
  // The first tick comes at once: there is nothing to wait for before the start.
  while (!stop_) {
    Timer1_Timer();
    if (!stop_) waitForTick();
  }
}

void frmTmr::waitForTick() {
  if (handle_.valid()) {
    handle_.WaitExitCode(kTickMs);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs));
  }
}

void frmTmr::Timer1_Timer() {
  if (stop_) return;
  if (running_) chkActiveJobEnded();
  if (startPending_) {
    saveInReg();
    running_ = true;
    submitJob();
    startPending_ = false;
  }
  if (ended_) {
    finishInstallation();
    stop_ = true;
  }
}

void frmTmr::submitJob() {
  // The clean-up program may write where it likes; the log is not held open meanwhile.
  front::clsLog().CloseLog();
  const platform::ProcessId pid =
      platform::StartHidden(setup_.cleanupPath(), {setup_.cleanupArgument()}, setup_.ownDir);
  if (pid == 0) {
    logLine("Start of kvtclean failed.");
    front::clsLog().CloseLog();
    ended_ = true;
    return;
  }
  handle_ = platform::ProcessHandle(pid);
}

bool frmTmr::chkActiveJobEnded() {
  if (!handle_.valid()) return false;
  const uint32_t code = fEnded();
  if (code == platform::kStillActive) return false;
  exitCode_ = code;
  ended_ = true;
  return true;
}

uint32_t frmTmr::fEnded() {
  const uint32_t code = handle_.ExitCode();
  if (code != platform::kStillActive) handle_.Close();
  return code;
}

void frmTmr::saveInReg() { logIfFailed(SaveMainDir(setup_)); }

void frmTmr::finishInstallation() {
  logIfFailed(RemoveCleanupProgram(setup_));
  if (platform::FileExists(setup_.cfgPath())) {
    saveInReg();
    logIfFailed(CreateProductFolder(setup_, "SortCtl"));
    logIfFailed(CreateProductFolder(setup_, "SortOrder"));
    logIfFailed(PlaceSampleControlFile(setup_));
  } else {
    logLine("kvtinst.cfg missing: folders and sample control file not installed.");
  }
  logLine("Installation rc = " + front::numberText(exitCode_));
  front::clsLog().CloseLog();
}

void frmTmr::logLine(const std::string& message) { front::logSort(kSubAppl, message); }

void frmTmr::logIfFailed(const Status& status) {
  if (!status.ok()) logLine(status.message());
}

}  // namespace kvt::install
