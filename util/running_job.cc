#include "util/running_job.h"

#include "formats/product_files.h"
#include "platform/file_lock.h"

namespace kvt::util {

bool anotherJobRuns(const std::string& mainDir) {
  platform::FileLock lock;
  // A lock file that cannot be opened tells nothing; kv02sort reports that problem itself.
  if (!lock.Open(mainDir + formats::kJobLockName).ok()) return false;
  const bool taken = !lock.TryLock().ok();
  lock.Close();
  return taken;
}

}  // namespace kvt::util
