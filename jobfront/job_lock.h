// One job at a time in a main directory, and in a work folder. The lock file kvtsort.lck holds an advisory lock from
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
  // Takes the work folder's lock as well, so that jobs of other main directories that use the
  // same folder never meet this one's work files; waits, saying so once, while one runs. A
  // folder that cannot be opened is left to the engine to report.
  void lockWorkFolder(const std::string& folder);

 private:
  // Logs that the job waits, then waits for lock.
  static bool waitFor(platform::FileLock& lock, const std::string& what);

  platform::FileLock lock_;
  platform::FileLock workLock_{/*inheritable=*/true};
};

}  // namespace kvt::jobfront
