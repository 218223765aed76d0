#include "install/installer.h"

#include <chrono>
#include <iostream>
#include <thread>
#include <utility>

#include "frontlib/cls_log.h"
#include "frontlib/shared_routines.h"
#include "frontlib/writable_file.h"
#include "platform/file_util.h"

namespace kvt::install {
namespace {

constexpr char kSubAppl[] = "VBx";

}  // namespace

frmTmr::frmTmr(InstallSetup setup) : setup_(std::move(setup)) {
  front::clsLog::setProgramLogPath(setup_.logPath());
}

void frmTmr::Start() {
  // With no log to report to, nothing is done: standard error says why.
  const std::string problem = front::appendProblem(setup_.logPath());
  if (!problem.empty()) {
    std::cerr << "KVTInst: " << setup_.logPath() << " cannot be written: " << problem
              << "; nothing was installed.\n";
    failed_ = true;
    stop_ = true;
    return;
  }
  former_ = ReadFormerMainDir(setup_);
  logIfFailed(WriteInstallConfig(setup_), Step::kNeeded);
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
    // The clean-up program lies outside the product and may look for the main directory.
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

void frmTmr::saveInReg() { logIfFailed(SaveMainDir(setup_), Step::kNeeded); }

void frmTmr::finishInstallation() {
  logIfFailed(RemoveCleanupProgram(setup_), Step::kTidying);
  if (platform::FileExists(setup_.cfgPath())) {
    saveInReg();
    logIfFailed(CreateProductFolder(setup_, "SortCtl"), Step::kNeeded);
    logIfFailed(CreateProductFolder(setup_, "SortOrder"), Step::kNeeded);
    std::string placed;
    const Status sample = PlaceSampleControlFile(setup_, &placed);
    // A product delivered without the sample has nothing to place: that is only logged.
    logIfFailed(sample, sample.code() == Status::Code::kNotFound ? Step::kTidying : Step::kNeeded);
    if (!placed.empty()) logLine(placed);
  } else {
    logIfFailed(
        Status::Error(Status::Code::kNotFound,
                      "kvtinst.cfg missing: folders and sample control file not installed."),
        Step::kNeeded);
  }
  // Programs find the product through MainDir: a failed installation leaves it as it was.
  if (failed_) {
    const Status restored = RestoreMainDir(setup_, former_);
    logIfFailed(restored, Step::kNeeded);
    if (restored.ok()) {
      logLine(former_.value
                  ? "MainDir put back to " + *former_.value + ": the installation is not complete."
                  : "MainDir removed: the installation is not complete.");
    }
  }
  logLine("Installation rc = " + front::numberText(exitCode_));
  front::clsLog().CloseLog();
}

void frmTmr::logLine(const std::string& message) { front::logSort(kSubAppl, message); }

void frmTmr::logIfFailed(const Status& status, Step step) {
  if (status.ok()) return;
  logLine(status.message());
  if (step == Step::kTidying) return;
  // What the installation needs could not be written: the user hears of it at once.
  std::cerr << "KVTInst: " << status.message() << "\n";
  failed_ = true;
}

}  // namespace kvt::install
