#include "jobfront/job_lock.h"

#include "frontlib/cls_log.h"
#include "frontlib/shared_routines.h"

namespace kvt::jobfront {

bool JobLock::acquire(const std::string& mainDir, std::string* reason) {
  const std::string path = mainDir + kJobLockName;
  if (!lock_.Open(path, reason)) {
    *reason = path + ": " + *reason;
    return false;
  }
  if (waitFor(lock_, "Waiting for the sort running in " + mainDir + " to end.")) return true;
  *reason = path + ": the lock cannot be taken";
  return false;
}

void JobLock::lockWorkFolder(const std::string& folder) {
  if (!workLock_.OpenFolder(folder, nullptr)) return;
  waitFor(workLock_, "Waiting for the sort using the work folder " + folder + " to end.");
}

bool JobLock::waitFor(platform::FileLock& lock, const std::string& what) {
  if (lock.TryLock()) return true;
  front::logSort("STA", what);
  // The running job appends to the log meanwhile; this one holds no log open while it waits.
  front::clsLog().CloseLog();
  return lock.Lock();
}

}  // namespace kvt::jobfront
