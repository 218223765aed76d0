#include "jobfront/job_lock.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include "frontlib/cls_log.h"
#include "frontlib/shared_routines.h"
#include "jobfront/return_codes.h"
#include "platform/file_util.h"

namespace kvt::jobfront {

int JobLock::acquire(const std::string& mainDir, std::string* reason) {
  const std::string path = mainDir + kJobLockName;
  if (const platform::Status opened = lock_.Open(path); !opened.ok()) {
    *reason = path + ": " + opened.message();
    return kRcRecordNotWritten;
  }
  int rc = waitFor(lock_, "Waiting for the sort running in " + mainDir + " to end.");
  if (rc == kRcRecordNotWritten) *reason = path + ": the lock cannot be taken";
  return rc;
}

int JobLock::lockWorkFolder(const std::string& folder) {
  const std::string path = folder + kWorkLockName;
  if (const platform::Status opened = workLock_.Open(path); !opened.ok()) {
    std::error_code ec;
    const bool planted = std::filesystem::exists(std::filesystem::symlink_status(path, ec));
    if (!platform::IsDirectory(folder) || !planted) return kRcOk;
    front::logSort("STA",
                   path + " cannot be used as the work folder's lock: " + opened.message() + ".");
    return kRcWorkFolderLocked;
  }
  return waitFor(workLock_, "Waiting for the sort using the work folder " + folder + " to end.");
}

int JobLock::waitFor(platform::FileLock& lock, const std::string& what) const {
  if (lock.TryLock().ok()) return kRcOk;
  front::logSort("STA", what);
  if (long holder = lock.HolderProcess(); holder != 0)
    front::logSort("STA", "The lock is held by process " + std::to_string(holder) + ".");
  // The running job appends to the log meanwhile; this one holds no log open while it waits.
  front::clsLog().CloseLog();
  if (waitLimit_ < 0) return lock.Lock().ok() ? kRcOk : kRcRecordNotWritten;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitLimit_);
  while (!lock.TryLock().ok()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      front::logSort("STA", "Waited " + std::to_string(waitLimit_) +
                                " seconds (--wait-limit): the job gives up.");
      return kRcWaitLimit;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return kRcOk;
}

}  // namespace kvt::jobfront
