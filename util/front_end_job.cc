#include "util/front_end_job.h"

#include "platform/stop_request.h"

namespace kvt::util {

void FrontEndJob::start(const std::string& program, const std::string& argument) {
  exitCode_ = kvt::platform::kStillActive;
  finished_ = false;
  const pid_t pid = kvt::platform::StartHidden(program, {argument});
  taskId_ = pid > 0 ? pid : 0;
  handle_ = kvt::platform::ProcessHandle(taskId_ > 0 ? pid : 0);
}

bool FrontEndJob::ended() {
  if (taskId_ == 0) return false;
  if (finished_) return true;
  exitCode_ = handle_.ExitCode();
  if (exitCode_ == kvt::platform::kStillActive) return false;
  handle_.Close();
  finished_ = true;
  return true;
}

bool FrontEndJob::requestStop() const {
  return taskId_ != 0 && !finished_ &&
         kvt::platform::RequestStop(static_cast<kvt::platform::ProcessId>(taskId_));
}

}  // namespace kvt::util
