// An advisory lock on a lock file, held by whoever has it open and locked: the kernel drops it
// when the holder ends, however it ends, so a crash never leaves it taken.
#pragma once

#include <string>

#include "platform/status.h"

namespace kvt::platform {

class FileLock {
 public:
  enum class Access {
    kPrivate,  // the job locks: only this user's jobs take turns on them
    kShared,   // the registry's lock: every user who may write the registry takes turns
  };
  // inheritable: children started while the lock is held hold it too, until they end.
  explicit FileLock(bool inheritable = false, Access access = Access::kPrivate)
      : inheritable_(inheritable), access_(access) {}
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens the lock file, creating it when missing. A private lock is created for its owner
  // only, and only a regular file of this user's own is used, never through a link: a lock
  // that other users can open is a lock they can hold, and so keep every job waiting. A shared
  // lock is opened by every user who may read it, so a narrow umask never keeps another user
  // out. When it cannot be used, the message says why ("it is a symbolic link"), without the
  // path: the caller words its own message around it.
  Status Open(const std::string& path);
  // Takes the lock at once when it is free; kBusy when another holder has it.
  Status TryLock();
  // Waits until the lock is free and takes it; fails only on an error.
  Status Lock();
  // Lets the lock go and closes the file.
  void Close();
  // The process that holds the lock, where the system tells (0 when it does not).
  long HolderProcess() const;

 private:
  Status OpenShared(const std::string& path);

  int fd_ = -1;
  bool inheritable_;
  Access access_;
};

}  // namespace kvt::platform
