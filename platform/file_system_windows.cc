// The file system layer over Win32 handles. Every transfer names its offset (an OVERLAPPED
// position on a synchronous handle), so the sequential position is ours and positioned calls
// never move it, as on POSIX.
#include <windows.h>

#include <algorithm>

#include "platform/file_system.h"
#include "platform/windows_error.h"

namespace kvt::platform {
namespace {

// ReadFile and WriteFile move at most 4 GiB - 1 per call.
constexpr size_t kMaxTransfer = size_t{1} << 30;

Status LastErrorStatus(const std::string& what, const std::string& path, DWORD error) {
  Status::Code code;
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      code = Status::Code::kNotFound;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      code = Status::Code::kExists;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
      code = Status::Code::kAccessDenied;
      break;
    case ERROR_DIRECTORY:
      code = Status::Code::kIsDirectory;
      break;
    case ERROR_LOCK_VIOLATION:
      code = Status::Code::kBusy;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      code = Status::Code::kNoSpace;
      break;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_FILE_INVALID:
      code = Status::Code::kInvalid;
      break;
    default:
      code = Status::Code::kIoError;
      break;
  }
  return Status::Error(code, what + " " + path + ": " + WindowsErrorText(error));
}

Status LastError(const std::string& what, const std::string& path) {
  return LastErrorStatus(what, path, ::GetLastError());
}

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

class WindowsMappedRegion final : public MappedRegion {
 public:
  WindowsMappedRegion(void* view, size_t skip, size_t size)
      : view_(view), skip_(skip), size_(size) {}
  ~WindowsMappedRegion() override { ::UnmapViewOfFile(view_); }
  const uint8_t* data() const override { return static_cast<const uint8_t*>(view_) + skip_; }
  size_t size() const override { return size_; }

 private:
  void* view_;
  size_t skip_;
  size_t size_;
};

class WindowsFile final : public File {
 public:
  WindowsFile(HANDLE handle, std::string path, bool append)
      : handle_(handle), path_(std::move(path)), append_(append) {}
  ~WindowsFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }

  Status Read(void* data, size_t size, size_t* got) override {
    Status s = ReadAt(position_, data, size, got);
    position_ += *got;
    return s;
  }

  Status ReadAt(uint64_t offset, void* data, size_t size, size_t* got) override {
    char* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
      OVERLAPPED at = At(offset + done);
      DWORD n = 0;
      if (!::ReadFile(handle_, p + done, static_cast<DWORD>(std::min(size - done, kMaxTransfer)),
                      &n, &at)) {
        DWORD error = ::GetLastError();
        if (error == ERROR_HANDLE_EOF) break;
        *got = done;
        return LastErrorStatus("read", path_, error);
      }
      if (n == 0) break;
      done += n;
    }
    *got = done;
    return Status::Ok();
  }

  Status Write(const void* data, size_t size) override {
    Status s = WriteAt(position_, data, size);
    if (s.ok()) position_ += size;
    return s;
  }

  Status WriteAt(uint64_t offset, const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
      // All ones as the offset writes at the end of the file, for an append handle.
      OVERLAPPED at = append_ ? At(~uint64_t{0}) : At(offset + done);
      DWORD n = 0;
      if (!::WriteFile(handle_, p + done, static_cast<DWORD>(std::min(size - done, kMaxTransfer)),
                       &n, &at)) {
        return LastError("write", path_);
      }
      if (n == 0) return LastErrorStatus("write", path_, ERROR_DISK_FULL);
      done += n;
    }
    return Status::Ok();
  }

  Status Size(uint64_t* size) override {
    LARGE_INTEGER value;
    if (!::GetFileSizeEx(handle_, &value)) return LastError("size of", path_);
    *size = static_cast<uint64_t>(value.QuadPart);
    return Status::Ok();
  }

  Status Sync() override {
    if (!::FlushFileBuffers(handle_)) return LastError("sync", path_);
    return Status::Ok();
  }

  // Windows starts writing back on its own; there is nothing to ask for.
  Status StartWriteback(uint64_t, uint64_t) override { return Status::Ok(); }

  // The system's own read-ahead follows sequential reads; it takes no hints.
  void AdviseSequential() override {}
  void AdviseWillNeed(uint64_t, uint64_t) override {}

  // A new file takes its access rights from its folder.
  Status MatchPermissions(const std::string&) override { return Status::Ok(); }

  Status Map(uint64_t offset, size_t size, std::unique_ptr<MappedRegion>* region) override {
    if (size == 0) return Status::Error(Status::Code::kInvalid, "empty mapping of " + path_);
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    const uint64_t granularity = info.dwAllocationGranularity;  // 64 KiB
    const uint64_t start = offset / granularity * granularity;
    const size_t skip = static_cast<size_t>(offset - start);
    HANDLE mapping = ::CreateFileMappingA(handle_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) return LastError("map", path_);
    void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(start >> 32),
                                 static_cast<DWORD>(start), size + skip);
    DWORD error = ::GetLastError();
    // The view keeps the mapping object alive.
    ::CloseHandle(mapping);
    if (view == nullptr) return LastErrorStatus("map", path_, error);
    *region = std::make_unique<WindowsMappedRegion>(view, skip, size);
    return Status::Ok();
  }

  Status Close() override {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    if (handle != INVALID_HANDLE_VALUE && !::CloseHandle(handle)) return LastError("close", path_);
    return Status::Ok();
  }

 private:
  HANDLE handle_;
  std::string path_;
  bool append_;
  uint64_t position_ = 0;
};

class WindowsFileLock final : public LockHolder {
 public:
  explicit WindowsFileLock(HANDLE handle) : handle_(handle) {}
  ~WindowsFileLock() override { ::CloseHandle(handle_); }  // closing releases the lock

 private:
  HANDLE handle_;
};

// Other programs may read, write, rename and delete a file we hold open, as on POSIX.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE OpenHandle(const std::string& path, OpenMode mode) {
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_ALWAYS;
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  switch (mode) {
    case OpenMode::kRead:
      access = GENERIC_READ;
      disposition = OPEN_EXISTING;
      break;
    case OpenMode::kReadWrite:
      break;
    case OpenMode::kUpdate:
      disposition = OPEN_EXISTING;
      break;
    case OpenMode::kTruncate:
      disposition = CREATE_ALWAYS;
      break;
    case OpenMode::kAppend:
      access = FILE_APPEND_DATA | SYNCHRONIZE;
      break;
    case OpenMode::kCreateExclusive:
      disposition = CREATE_NEW;
      flags |= FILE_FLAG_OPEN_REPARSE_POINT;  // never through a link
      break;
  }
  // No security attributes: the handle is not inherited by programs we start.
  return ::CreateFileA(path.c_str(), access, kShareAll, nullptr, disposition, flags, nullptr);
}

class WindowsFileSystem final : public FileSystem {
 public:
  Status Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) override {
    if (IsFolder(Attributes(path))) return LastErrorStatus("open", path, ERROR_DIRECTORY);
    HANDLE handle = OpenHandle(path, mode);
    if (handle == INVALID_HANDLE_VALUE) return LastError("open", path);
    // A device (NUL, CON, COM1) or a pipe is never read or written as a file.
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
      ::CloseHandle(handle);
      return Status::Error(Status::Code::kInvalid, "open " + path + ": not a regular file");
    }
    *file = std::make_unique<WindowsFile>(handle, path, mode == OpenMode::kAppend);
    return Status::Ok();
  }

  Status Replace(const std::string& from, const std::string& to) override {
    if (!::MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return LastError("rename to", to);
    }
    return Status::Ok();
  }

  Status Remove(const std::string& path) override {
    if (IsFolder(Attributes(path))) return LastErrorStatus("remove", path, ERROR_DIRECTORY);
    if (!::DeleteFileA(path.c_str())) return LastError("remove", path);
    return Status::Ok();
  }

  bool Exists(const std::string& path) override {
    return !path.empty() && Attributes(path) != INVALID_FILE_ATTRIBUTES;
  }

  bool HoldsFileOrNothing(const std::string& path) override {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = ::GetLastError();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (IsFolder(attributes)) return false;
    // Device names (NUL, CON, COM1) have attributes too: only a disk file is a file.
    HANDLE handle = ::CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return true;
    const bool disk = ::GetFileType(handle) == FILE_TYPE_DISK;
    ::CloseHandle(handle);
    return disk;
  }

  EntryKind KindOf(const std::string& path) override {
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::kNone;
    // The attributes are the link's own: a reparse point is never followed here.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return EntryKind::kLink;
    if (IsFolder(attributes)) return EntryKind::kDirectory;
    return attributes & FILE_ATTRIBUTE_DEVICE ? EntryKind::kOther : EntryKind::kFile;
  }

  Status GetFileSize(const std::string& path, uint64_t* size) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
      return LastError("size of", path);
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      return LastErrorStatus("size of", path, ERROR_DIRECTORY);
    }
    *size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return Status::Ok();
  }

  Status MakeDirectory(const std::string& path) override {
    if (::CreateDirectoryA(path.c_str(), nullptr)) return Status::Ok();
    DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS && IsFolder(Attributes(path))) return Status::Ok();
    return LastErrorStatus("make folder", path, error);
  }

  Status RemoveDirectory(const std::string& path) override {
    if (!::RemoveDirectoryA(path.c_str())) return LastError("remove folder", path);
    return Status::Ok();
  }

  Status ListDirectory(const std::string& dir, const std::string& pattern,
                       std::vector<std::string>* names) override {
    names->clear();
    // Every entry, filtered here: the system's own matching also matches the short 8.3 names
    // ("*.sor" would find "a.sorx").
    std::string all = dir;
    if (!all.empty() && all.back() != '\\' && all.back() != '/') all += '\\';
    all += '*';
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA(all.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
      DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND) return Status::Ok();  // an empty drive root
      return LastErrorStatus("list", dir, error);
    }
    do {
      std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      if (MatchesPattern(name, pattern, true)) names->push_back(std::move(name));
    } while (::FindNextFileA(find, &entry));
    ::FindClose(find);
    std::sort(names->begin(), names->end());
    return Status::Ok();
  }

  Status LockFile(const std::string& path, LockWait wait,
                  std::unique_ptr<LockHolder>* lock) override {
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError("open lock", path);
    DWORD flags = LOCKFILE_EXCLUSIVE_LOCK;
    if (wait == LockWait::kTry) flags |= LOCKFILE_FAIL_IMMEDIATELY;
    OVERLAPPED whole = {};
    if (!::LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &whole)) {
      DWORD error = ::GetLastError();
      ::CloseHandle(handle);
      return LastErrorStatus("lock", path, error);
    }
    *lock = std::make_unique<WindowsFileLock>(handle);
    return Status::Ok();
  }
};

}  // namespace

FileSystem& FileSystem::Default() {
  static WindowsFileSystem file_system;
  return file_system;
}

}  // namespace kvt::platform
