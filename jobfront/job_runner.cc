#include "jobfront/job_runner.h"

#include <chrono>
#include <thread>
#include <utility>

#include "formats/product_files.h"
#include "frontlib/cls_log.h"
#include "frontlib/program_path.h"
#include "frontlib/shared_routines.h"
#include "jobfront/job_stop.h"
#include "jobfront/return_codes.h"
#include "platform/file_util.h"
#include "platform/paths.h"
#include "platform/stop_request.h"

namespace kvt::jobfront {

frmTmr::frmTmr(JobState* state, std::string mainDir, std::string outputPath, std::string workPrefix)
    : state_(state),
      mainDir_(std::move(mainDir)),
      outputPath_(std::move(outputPath)),
      workPrefix_(std::move(workPrefix)) {}

int frmTmr::runUntilEnded() {
  timerInterval_ = kTimerInterval;
  while (!finished_) {
    bool waiting = state_->jobActive && !state_->jobEnded;
    Timer1_Timer();
    // A tick with no engine to wait for must not spin; none happens in a normal run.
    if (!waiting && !finished_ && !state_->jobActive) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timerInterval_));
    }
  }
  return exitCode();
}

void frmTmr::Timer1_Timer() {
  timerInterval_ = kTimerInterval;
  if (platform::StopRequested() && stopJob()) return;
  if (state_->jobActive) chkActiveJobEnded();
  if (state_->jobReady) {
    state_->jobActive = true;
    // The engine appends to the same log; only one program may write it at a time.
    front::clsLog().CloseLog();
    submitJob(front::programPath(mainDir_, platform::ProgramFileName("kvtsorts")));
  }
  if (state_->jobEnded) endJob();
}

bool frmTmr::chkActiveJobEnded() {
  if (taskId_ == 0) return false;
  uint32_t code = fEnded(taskId_, process_);
  state_->jobRc = static_cast<int>(code);
  if (code == platform::kStillActive) return false;
  state_->jobEnded = true;
  return true;
}

void frmTmr::submitJob(const std::string& p_s_wPath) {
  taskId_ = platform::StartHidden(p_s_wPath, {}, mainDir_);
  state_->jobReady = false;
  if (taskId_ != 0) {
    process_ = platform::ProcessHandle(taskId_);
    return;
  }
  front::logSort("TMR", "Start of kvtsorts.exe failed.");
  startFailed_ = true;
  state_->jobRc = kRcEngineStartFailed;
  state_->jobEnded = true;
}

uint32_t frmTmr::fEnded(platform::ProcessId /*lProgID*/, platform::ProcessHandle& l_hdlProg) {
  uint32_t code = l_hdlProg.WaitExitCode(timerInterval_);
  if (code != platform::kStillActive) l_hdlProg.Close();
  return code;
}

bool frmTmr::stopJob() {
  if (!endEngine(process_)) return false;
  taskId_ = 0;
  state_->jobRc = finishStoppedJob(mainDir_, workPrefix_, outputPath_);
  front::clsLog().CloseLog();
  finished_ = true;
  return true;
}

int frmTmr::exitCode() const { return state_->jobRc; }

void frmTmr::endJob() {
  if (state_->jobActive) {
    platform::RemoveFile(mainDir_ + formats::kControlRecordName);
    std::string rc = front::numberText(state_->jobRc);
    if (startFailed_) {
      // The engine never ran: the run ends as refused, with its code.
      front::logSort("TMR", "KV Tamsort ended.(" + rc + ")");
    } else if (state_->jobRc != 0) {
      front::logSort("TMR", "Sort failed rc=" + rc + ".");
    } else {
      front::logSort("TMR", "File " + outputPath_ + " created");
      front::logSort("TMR", "KV Tamsort ended.(" + rc + ")");
    }
  }
  front::clsLog().CloseLog();
  finished_ = true;
}

}  // namespace kvt::jobfront
