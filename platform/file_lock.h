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

  // Opens the lock file, creating it when missing. Every user who may read it can lock it,
  // so a user's narrow umask never keeps another user out. False (and *reason set) when the
  // file can be neither opened nor created.
  bool Open(const std::string& path, std::string* reason);
  // Uses a folder itself as the lock, so that nothing is created in it.
  bool OpenFolder(const std::string& path, std::string* reason);
  // Takes the lock at once when it is free; false when another holder has it.
  bool TryLock();
  // Waits until the lock is free and takes it; false only on an error.
  bool Lock();
  // Lets the lock go and closes the file.
  void Close();

 private:
  int fd_ = -1;
  bool inheritable_;
};

}  // namespace kvt::platform
