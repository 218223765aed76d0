#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kvt::platform {
namespace {

// Why a lock file that could not be opened is not ours to use.
std::string OpenProblem(const std::string& path, int error) {
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) return "it is a symbolic link";
    if (st.st_uid != ::geteuid())
      return "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  }
  return std::strerror(error);
}

// A lock that cannot be had: why, in the system's words, and nothing else.
Status Refused(int error, std::string why) {
  return Status::Error(error == EWOULDBLOCK ? Status::Code::kBusy
                       : error == ENOENT    ? Status::Code::kNotFound
                       : error == EACCES    ? Status::Code::kAccessDenied
                                            : Status::Code::kIoError,
                       std::move(why));
}

Status Flock(int fd, int how) {
  if (fd < 0) return Status::Error(Status::Code::kInvalid, "the lock file is not open");
  int r;
  do {
    r = ::flock(fd, how);
  } while (r != 0 && errno == EINTR);
  return r == 0 ? Status::Ok() : Refused(errno, std::strerror(errno));
}

}  // namespace

FileLock::~FileLock() { Close(); }

Status FileLock::OpenShared(const std::string& path) {
  const int flags = inheritable_ ? 0 : O_CLOEXEC;
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | flags, 0666);
  // A lock file made by another user may be read-only for us; a read-only open locks as well.
  if (fd_ < 0 && errno == EACCES) fd_ = ::open(path.c_str(), O_RDONLY | flags);
  if (fd_ < 0) return Refused(errno, std::strerror(errno));
  // The creator's umask may have hidden the file from others; its owner opens it up again.
  struct stat st;
  if (::fstat(fd_, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 0444) != 0444)
    ::fchmod(fd_, (st.st_mode & 07777) | 0444);
  return Status::Ok();
}

Status FileLock::Open(const std::string& path) {
  Close();
  if (access_ == Access::kShared) return OpenShared(path);
  std::string problem;
  int error = EACCES;
  const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | (inheritable_ ? 0 : O_CLOEXEC);
  fd_ = ::open(path.c_str(), flags, 0600);
  struct stat st;
  if (fd_ < 0) {
    error = errno;
    problem = OpenProblem(path, error);
  } else if (::fstat(fd_, &st) != 0) {
    error = errno;
    problem = std::strerror(error);
  } else if (!S_ISREG(st.st_mode)) {
    problem = "it is not a regular file";
  } else if (st.st_uid != ::geteuid()) {
    problem = "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  } else if ((st.st_mode & 077) != 0) {
    // An older lock file that others could open: ours, so closed to them from now on.
    ::fchmod(fd_, 0600);
  }
  if (problem.empty()) return Status::Ok();
  Close();
  return Refused(error, problem);
}

Status FileLock::TryLock() { return Flock(fd_, LOCK_EX | LOCK_NB); }

Status FileLock::Lock() { return Flock(fd_, LOCK_EX); }

void FileLock::Close() {
  if (fd_ < 0) return;
  // Closing drops this process's hold; a child that inherited the file keeps the lock.
  ::close(fd_);
  fd_ = -1;
}

// Linux lists every lock in /proc/locks: "1: FLOCK  ADVISORY  WRITE 4711 08:01:1234 0 EOF".
long FileLock::HolderProcess() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  FILE* locks = std::fopen("/proc/locks", "re");
  if (locks == nullptr) return 0;
  char line[256];
  long holder = 0;
  while (holder == 0 && std::fgets(line, sizeof line, locks) != nullptr) {
    char kind[16], mode[16];
    long pid = 0;
    unsigned major_number = 0, minor_number = 0;
    unsigned long inode = 0;
    if (std::sscanf(line, "%*[^:]: %15s %*s %15s %ld %x:%x:%lu", kind, mode, &pid, &major_number,
                    &minor_number, &inode) == 6 &&
        std::strcmp(kind, "FLOCK") == 0 && inode == st.st_ino && major_number == major(st.st_dev) &&
        minor_number == minor(st.st_dev) && pid != ::getpid()) {
      holder = pid;
    }
  }
  std::fclose(locks);
  return holder;
}

}  // namespace kvt::platform
