// FileLock over LockFileEx. The handle is kept in the int the POSIX side keeps its descriptor
// in: Windows handles carry 32 significant bits (HandleToLong/LongToHandle), and
// INVALID_HANDLE_VALUE maps to -1 as a closed descriptor does.
#include <windows.h>

#include "platform/file_lock.h"
#include "platform/windows_error.h"

namespace kvt::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

int OpenHandle(const std::string& path, DWORD access, DWORD disposition, DWORD flags,
               bool inheritable) {
  // An inheritable handle goes to every child started while it is open. Unlike flock, Windows
  // ties the lock to the process that took it: the child keeps the file open, not the lock.
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE h = ::CreateFileA(path.c_str(), access, kShareAll, inheritable ? &inherit : nullptr,
                           disposition, flags, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : static_cast<int>(::HandleToLong(h));
}

Status Refused(DWORD error) {
  return Status::Error(error == ERROR_LOCK_VIOLATION ? Status::Code::kBusy
                       : error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND
                           ? Status::Code::kNotFound
                       : error == ERROR_ACCESS_DENIED ? Status::Code::kAccessDenied
                                                      : Status::Code::kIoError,
                       WindowsErrorText(error));
}

Status LockWhole(int fd, DWORD flags) {
  if (fd < 0) return Status::Error(Status::Code::kInvalid, "the lock file is not open");
  OVERLAPPED at{};
  if (::LockFileEx(::LongToHandle(fd), flags, 0, MAXDWORD, MAXDWORD, &at) != 0) {
    return Status::Ok();
  }
  return Refused(::GetLastError());
}

}  // namespace

FileLock::~FileLock() { Close(); }

Status FileLock::Open(const std::string& path) {
  Close();
  fd_ = OpenHandle(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                   inheritable_);
  // A lock file another user made read-only for us can still be locked through a read handle.
  if (fd_ < 0 && ::GetLastError() == ERROR_ACCESS_DENIED) {
    fd_ = OpenHandle(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, inheritable_);
  }
  return fd_ < 0 ? Refused(::GetLastError()) : Status::Ok();
}

Status FileLock::TryLock() {
  return LockWhole(fd_, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY);
}

Status FileLock::Lock() { return LockWhole(fd_, LOCKFILE_EXCLUSIVE_LOCK); }

long FileLock::HolderProcess() const { return 0; }

void FileLock::Close() {
  if (fd_ < 0) return;
  // Closing lets the lock go, whoever else still holds the handle.
  ::CloseHandle(::LongToHandle(fd_));
  fd_ = -1;
}

}  // namespace kvt::platform
