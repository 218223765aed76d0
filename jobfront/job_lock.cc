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
  if (lock_.TryLock()) return true;
  front::logSort("STA", "Waiting for the sort running in " + mainDir + " to end.");
  // The running job appends to the log meanwhile; this one holds no log open while it waits.
  front::clsLog().CloseLog();
  if (lock_.Lock()) return true;
  *reason = path + ": the lock cannot be taken";
  return false;
}

}  // namespace kvt::jobfront
