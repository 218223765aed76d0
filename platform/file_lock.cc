#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kvt::platform {
namespace {

// The lock holds no data: anyone who can read it may lock it (flock needs no write access).
constexpr mode_t kReadableByAll = 0444;

int OpenLockFile(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | flags, 0666);
  // A lock file made by another user may be read-only for us; a read-only open locks as well.
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_RDONLY | flags);
  return fd;
}

}  // namespace

FileLock::~FileLock() { Close(); }

bool FileLock::Open(const std::string& path, std::string* reason) {
  Close();
  fd_ = OpenLockFile(path, inheritable_ ? 0 : O_CLOEXEC);
  if (fd_ < 0) {
    if (reason != nullptr) *reason = std::strerror(errno);
    return false;
  }
  // The creator's umask may have hidden the file from others; its owner opens it up again.
  struct stat st;
  if (::fstat(fd_, &st) == 0 && st.st_uid == ::geteuid() &&
      (st.st_mode & kReadableByAll) != kReadableByAll) {
    ::fchmod(fd_, (st.st_mode & 07777) | kReadableByAll);
  }
  return true;
}

bool FileLock::OpenFolder(const std::string& path, std::string* reason) {
  Close();
  fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | (inheritable_ ? 0 : O_CLOEXEC));
  if (fd_ < 0 && reason != nullptr) *reason = std::strerror(errno);
  return fd_ >= 0;
}

bool FileLock::TryLock() {
  if (fd_ < 0) return false;
  int r;
  do {
    r = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (r != 0 && errno == EINTR);
  return r == 0;
}

bool FileLock::Lock() {
  if (fd_ < 0) return false;
  int r;
  do {
    r = ::flock(fd_, LOCK_EX);
  } while (r != 0 && errno == EINTR);
  return r == 0;
}

void FileLock::Close() {
  if (fd_ < 0) return;
  // Closing drops this process's hold; a child that inherited the file keeps the lock.
  ::close(fd_);
  fd_ = -1;
}

}  // namespace kvt::platform
