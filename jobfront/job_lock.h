// One job at a time in a main directory. The lock file kvtsort.lck holds an advisory lock from
// before the job's first log line until after its last, and the engine it starts holds it too:
// kvtsort.ctl, kvtsort.sts, the work files and the output's temporary name are never shared by
// two runs, and a job whose front-end was killed still keeps the next one waiting until its
// engine has ended. The kernel drops the lock when its holders end, however they end.
#pragma once

#include <string>

#include "platform/file_lock.h"

namespace kvt::jobfront {

inline constexpr char kJobLockName[] = "kvtsort.lck";

class JobLock {
 public:
  JobLock() : lock_(/*inheritable=*/true) {}

  // Takes the main directory's job lock. When another job has it, logs one line (STA) saying
  // that this job waits, then waits. False (and *reason set) when the lock cannot be used.
  bool acquire(const std::string& mainDir, std::string* reason);

 private:
  platform::FileLock lock_;
};

}  // namespace kvt::jobfront
