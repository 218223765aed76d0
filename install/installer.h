// The installer's run: start the clean-up program, follow it once a second, then finish the
// installation and log its result to Install.log.
#pragma once

#include <cstdint>
#include <string>

#include "install/install_setup.h"
#include "install/install_steps.h"
#include "platform/process.h"

namespace kvt::install {

// The installer has no window; this class is its timer form: Start prepares the run,
// Timer1_Timer is one tick, Run ticks until the stop flag is set.
class frmTmr {
 public:
  static constexpr int kTickMs = 1000;

  explicit frmTmr(InstallSetup setup);
  frmTmr(const frmTmr&) = delete;
  frmTmr& operator=(const frmTmr&) = delete;

  // Writes kvtinst.cfg, readies the clean-up program and arms the first tick.
  void Start();
  // Ticks until the installation is finished. The wait between ticks ends early when the
  // clean-up program exits, so its end is noticed at once.
  void Run();
  void Timer1_Timer();

  bool stopped() const { return stop_; }
  // True when something the installation needs could not be written (said on standard error);
  // MainDir is then put back as it was before the run.
  bool failed() const { return failed_; }
  int64_t exitCode() const { return exitCode_; }

 private:
  void submitJob();
  bool chkActiveJobEnded();
  uint32_t fEnded();
  void saveInReg();
  void finishInstallation();
  void waitForTick();
  // What a failed step means: kNeeded wrote something the installation needs, so its failure
  // leaves the installation unfinished; kTidying only readied or cleaned up.
  enum class Step { kNeeded, kTidying };
  // Writes one Install.log line; a failed step logs its message.
  void logLine(const std::string& message);
  void logIfFailed(const Status& status, Step step);

  const InstallSetup setup_;
  bool startPending_ = false;
  bool running_ = false;
  bool ended_ = false;
  bool stop_ = false;
  bool failed_ = false;
  FormerMainDir former_;
  platform::ProcessHandle handle_;
  int64_t exitCode_ = 0;  // the clean-up program's, 0 until one comes back
};

}  // namespace kvt::install
