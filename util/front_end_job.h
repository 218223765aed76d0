// The sort job front-end kv02sort as a hidden child process, polled once a second.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "platform/process.h"

namespace kvt::util {

class FrontEndJob {
 public:
  // Starts program with the one argument; the task id is 0 when the start failed.
  void start(const std::string& program, const std::string& argument);
  int64_t taskId() const { return taskId_; }
  // True once the process has ended; its exit code is then kept.
  bool ended();
  uint32_t exitCode() const { return exitCode_; }
  // Asks the running front-end to stop its sort; false when it cannot be asked.
  bool requestStop() const;

 private:
  int64_t taskId_ = 0;
  kvt::platform::ProcessHandle handle_;
  uint32_t exitCode_ = kvt::platform::kStillActive;
  bool finished_ = false;
};

}  // namespace kvt::util
