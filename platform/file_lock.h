// An advisory lock on a lock file, held by whoever has it open and locked: the kernel drops it
// when the holder ends, however it ends, so a crash never leaves it taken.
#pragma once

#include <string>

namespace kvt::platform {

class FileLock {
 public:
  // inheritable: children started while the lock is held hold it too, until they end.
  explicit FileLock(bool inheritable = false) : inheritable_(inheritable) {}
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens the lock file, creating it private (owner only) when missing. Only a regular file of
  // this user's own is used, never through a link: a lock that other users can open is a lock
  // they can hold, and so keep every job waiting. False (and *reason set) otherwise.
  bool Open(const std::string& path, std::string* reason);
  // Takes the lock at once when it is free; false when another holder has it.
  bool TryLock();
  // Waits until the lock is free and takes it; false only on an error.
  bool Lock();
  // Lets the lock go and closes the file.
  void Close();
  // The process that holds the lock, where the system tells (0 when it does not).
  long HolderProcess() const;

 private:
  int fd_ = -1;
  bool inheritable_;
};

}  // namespace kvt::platform
