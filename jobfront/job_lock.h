// One job at a time in a main directory, and in a work folder. The lock file kvtsort.lck holds an
// advisory lock from before the job's first log line until after its last, and the engine it starts
// holds it too: kvtsort.ctl, kvtsort.sts, the work files and the output's temporary name are never
// shared by two runs, and a job whose front-end was killed still keeps the next one waiting until
// its engine has ended. The kernel drops the lock when its holders end, however they end. Lock
// files are private to their user, so no other user can hold them and keep the jobs waiting.
#pragma once

#include <string>

#include "formats/product_files.h"
#include "platform/file_lock.h"

namespace kvt::jobfront {

using formats::kJobLockName;
// In the work folder; jobs of other main directories that use the folder take turns on it.
using formats::kWorkLockName;

class JobLock {
 public:
  // waitLimit: seconds to wait for another job before giving up; -1 waits for ever.
  explicit JobLock(int waitLimit = -1) : waitLimit_(waitLimit), lock_(/*inheritable=*/true) {}

  // Takes the main directory's job lock. When another job has it, logs one line (STA) saying
  // that this job waits, then waits. Returns 0; 168 (and *reason set) when the lock cannot be
  // used; 174 when the wait limit ran out.
  int acquire(const std::string& mainDir, std::string* reason);
  // Takes the work folder's lock as well, waiting, saying so once, while another job uses the
  // folder. Returns 0; 173 (logged) when its lock file cannot be used; 174 when the wait
  // limit ran out. A folder that is missing, or where this user can create nothing (and so
  // the job can write or remove nothing), is left to the engine to report.
  int lockWorkFolder(const std::string& folder);

 private:
  // Logs that the job waits (and who holds the lock, where the system tells), then waits for
  // lock. 0, 174 when the limit ran out, or 168 on an error.
  int waitFor(platform::FileLock& lock, const std::string& what) const;

  int waitLimit_;
  platform::FileLock lock_;
  platform::FileLock workLock_{/*inheritable=*/true};
};

}  // namespace kvt::jobfront
