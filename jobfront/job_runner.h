// frmTmr: the job runner. Starts the engine kvtsorts once the control record is written,
// follows it until it exits, logs the outcome and removes kvtsort.ctl.
#pragma once

#include <cstdint>
#include <string>

#include "jobfront/job_state.h"
#include "platform/process.h"

namespace kvt::jobfront {

class frmTmr {
 public:
  static constexpr int kTimerInterval = 1000;  // ms

  // workPrefix: the job's work-file prefix, for the clean-up of a stopped run.
  frmTmr(JobState* state, std::string mainDir, std::string outputPath, std::string workPrefix = "");

  // Ticks until the run is over; returns the program's exit code.
  int runUntilEnded();

  // One tick. Waits for a running engine up to one interval, so its exit is seen at once.
  void Timer1_Timer();
  // True when the engine has exited; then jobRc holds its code and jobEnded is set.
  bool chkActiveJobEnded();
  // Starts the engine in the main directory; a failed start ends the job.
  void submitJob(const std::string& p_s_wPath);
  // The engine's exit code, 259 while it runs; the handle is closed once it has ended.
  uint32_t fEnded(platform::ProcessId lProgID, platform::ProcessHandle& l_hdlProg);

  bool finished() const { return finished_; }
  int exitCode() const;

 private:
  void endJob();
  // A stop request ends the engine and the job; false when the engine had finished anyway.
  bool stopJob();

  JobState* state_;
  std::string mainDir_;
  std::string outputPath_;
  std::string workPrefix_;
  int timerInterval_ = 0;  // 0 while the timer is off
  platform::ProcessId taskId_ = 0;
  platform::ProcessHandle process_;
  bool startFailed_ = false;
  bool finished_ = false;
};

}  // namespace kvt::jobfront
