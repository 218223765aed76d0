// The file system layer over POSIX descriptors.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_system.h"

namespace kvt::platform {
namespace {

// Linux moves at most about 2 GiB per call.
constexpr size_t kMaxTransfer = size_t{1} << 30;
// Writes go to the file in 64 KiB pieces: measured here, the kernel filled the page cache two to
// three times more slowly from large single writes (and two threads writing one file held each
// other up far longer).
constexpr size_t kWritePiece = size_t{64} << 10;

// The process's umask without changing it (another thread may be creating a file just then);
// systems without the status line get the usual swap.
mode_t CurrentUmask() {
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status) != nullptr)
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return static_cast<mode_t>(mask);
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

Status ErrnoStatus(const std::string& what, const std::string& path, int error) {
  Status::Code code;
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      code = Status::Code::kNotFound;
      break;
    case EEXIST:
      code = Status::Code::kExists;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      code = Status::Code::kAccessDenied;
      break;
    case EISDIR:
      code = Status::Code::kIsDirectory;
      break;
    case EWOULDBLOCK:
      code = Status::Code::kBusy;
      break;
    case ENOSPC:
    case EDQUOT:
      code = Status::Code::kNoSpace;
      break;
    case EINVAL:
      code = Status::Code::kInvalid;
      break;
    default:
      code = Status::Code::kIoError;
      break;
  }
  return Status::Error(code, what + " " + path + ": " + std::strerror(error));
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

class PosixMappedRegion final : public MappedRegion {
 public:
  PosixMappedRegion(void* base, size_t mapped, size_t skip, size_t size)
      : base_(base), mapped_(mapped), skip_(skip), size_(size) {}
  ~PosixMappedRegion() override { ::munmap(base_, mapped_); }
  const uint8_t* data() const override { return static_cast<const uint8_t*>(base_) + skip_; }
  size_t size() const override { return size_; }

 private:
  void* base_;
  size_t mapped_;
  size_t skip_;
  size_t size_;
};

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Read(void* data, size_t size, size_t* got) override {
    return Transfer("read", data, size, got,
                    [&](char* p, size_t n, size_t) { return ::read(fd_, p, n); });
  }

  Status ReadAt(uint64_t offset, void* data, size_t size, size_t* got) override {
    return Transfer("read", data, size, got, [&](char* p, size_t n, size_t done) {
      return ::pread(fd_, p, n, static_cast<off_t>(offset + done));
    });
  }

  Status Write(const void* data, size_t size) override {
    return WriteLoop(data, size,
                     [&](const char* p, size_t n, size_t) { return ::write(fd_, p, n); });
  }

  Status WriteAt(uint64_t offset, const void* data, size_t size) override {
    return WriteLoop(data, size, [&](const char* p, size_t n, size_t done) {
      return ::pwrite(fd_, p, n, static_cast<off_t>(offset + done));
    });
  }

  Status Size(uint64_t* size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return ErrnoStatus("size of", path_, errno);
    *size = static_cast<uint64_t>(st.st_size);
    return Status::Ok();
  }

  Status Sync() override {
    if (::fsync(fd_) != 0) return ErrnoStatus("sync", path_, errno);
    return Status::Ok();
  }

  Status StartWriteback(uint64_t offset, uint64_t size) override {
    ::sync_file_range(fd_, static_cast<off_t>(offset), static_cast<off_t>(size),
                      SYNC_FILE_RANGE_WRITE);
    return Status::Ok();
  }

  void AdviseSequential() override { ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL); }

  void AdviseWillNeed(uint64_t offset, uint64_t size) override {
    ::posix_fadvise(fd_, static_cast<off_t>(offset), static_cast<off_t>(size), POSIX_FADV_WILLNEED);
  }

  Status MatchPermissions(const std::string& path) override {
    struct stat old;
    const mode_t mode = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)
                            ? old.st_mode & 07777
                            : 0666 & ~CurrentUmask();
    if (::fchmod(fd_, mode) != 0) return ErrnoStatus("permissions of", path_, errno);
    return Status::Ok();
  }

  Status Map(uint64_t offset, size_t size, std::unique_ptr<MappedRegion>* region) override {
    if (size == 0) return Status::Error(Status::Code::kInvalid, "empty mapping of " + path_);
    const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t start = offset / page * page;
    const size_t skip = static_cast<size_t>(offset - start);
    // The whole range is read in order right away: populate it now and read ahead.
    void* p = ::mmap(nullptr, size + skip, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd_,
                     static_cast<off_t>(start));
    if (p == MAP_FAILED) return ErrnoStatus("map", path_, errno);
    ::madvise(p, size + skip, MADV_SEQUENTIAL);
    *region = std::make_unique<PosixMappedRegion>(p, size + skip, skip, size);
    return Status::Ok();
  }

  Status Close() override {
    int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0) return ErrnoStatus("close", path_, errno);
    return Status::Ok();
  }

 private:
  template <typename Call>
  Status Transfer(const char* what, void* data, size_t size, size_t* got, Call call) {
    char* p = static_cast<char*>(data);
    size_t done = 0;
    while (done < size) {
      ssize_t n = call(p + done, std::min(size - done, kMaxTransfer), done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        *got = done;
        return ErrnoStatus(what, path_, errno);
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    *got = done;
    return Status::Ok();
  }

  template <typename Call>
  Status WriteLoop(const void* data, size_t size, Call call) {
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
      ssize_t n = call(p + done, std::min(size - done, kWritePiece), done);
      if (n < 0 && errno == EINTR) continue;
      // A write that moves nothing has met the end of the disk.
      if (n <= 0) return ErrnoStatus("write", path_, n == 0 ? ENOSPC : errno);
      done += static_cast<size_t>(n);
    }
    return Status::Ok();
  }

  int fd_;
  std::string path_;
};

class PosixFileLock final : public LockHolder {
 public:
  explicit PosixFileLock(int fd) : fd_(fd) {}
  ~PosixFileLock() override { ::close(fd_); }  // closing releases the lock

 private:
  int fd_;
};

int OpenFlags(OpenMode mode) {
  // Close-on-exec: programs started by ours must not inherit our files.
  switch (mode) {
    case OpenMode::kRead:
      return O_RDONLY | O_CLOEXEC;
    case OpenMode::kReadWrite:
      return O_RDWR | O_CREAT | O_CLOEXEC;
    case OpenMode::kUpdate:
      return O_RDWR | O_CLOEXEC;
    case OpenMode::kTruncate:
      return O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC;
    case OpenMode::kAppend:
      return O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC;
    case OpenMode::kCreateExclusive:
      return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  }
  return O_RDONLY | O_CLOEXEC;
}

// A new exclusive file holds sorted records before anyone decides who may read them: it is
// private from its first byte.
mode_t CreationMode(OpenMode mode) { return mode == OpenMode::kCreateExclusive ? 0600 : 0666; }

// Opens without waiting: a FIFO would otherwise keep the open (and the caller's locks) until a
// writer came, and a device is never read or written as a file.
Status OpenRegularFile(const std::string& path, OpenMode mode, int* fd) {
  do {
    *fd = ::open(path.c_str(), OpenFlags(mode) | O_NONBLOCK, CreationMode(mode));
  } while (*fd < 0 && errno == EINTR);
  if (*fd < 0) return ErrnoStatus("open", path, errno);
  struct stat st;
  Status refused;
  if (::fstat(*fd, &st) != 0) {
    refused = ErrnoStatus("open", path, errno);
  } else if (S_ISDIR(st.st_mode)) {
    refused = ErrnoStatus("open", path, EISDIR);
  } else if (!S_ISREG(st.st_mode)) {
    refused = Status::Error(Status::Code::kInvalid, "open " + path + ": not a regular file");
  } else if (::fcntl(*fd, F_SETFL, ::fcntl(*fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    refused = ErrnoStatus("open", path, errno);
  }
  if (!refused.ok()) {
    ::close(*fd);
    *fd = -1;
  }
  return refused;
}

class PosixFileSystem final : public FileSystem {
 public:
  Status Open(const std::string& path, OpenMode mode, std::unique_ptr<File>* file) override {
    int fd;
    Status opened = OpenRegularFile(path, mode, &fd);
    if (!opened.ok()) return opened;
    *file = std::make_unique<PosixFile>(fd, path);
    return Status::Ok();
  }

  Status Replace(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return ErrnoStatus("rename to", to, errno);
    // The new name is durable only once its folder is on disk too.
    int dir = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return Status::Ok();
  }

  Status Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return ErrnoStatus("remove", path, errno);
    return Status::Ok();
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
  }

  bool HoldsFileOrNothing(const std::string& path) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT;
    return S_ISREG(st.st_mode);
  }

  EntryKind KindOf(const std::string& path) override {
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) return EntryKind::kNone;
    if (S_ISREG(st.st_mode)) return EntryKind::kFile;
    if (S_ISDIR(st.st_mode)) return EntryKind::kDirectory;
    return S_ISLNK(st.st_mode) ? EntryKind::kLink : EntryKind::kOther;
  }

  Status GetFileSize(const std::string& path, uint64_t* size) override {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return ErrnoStatus("size of", path, errno);
    if (S_ISDIR(st.st_mode)) return ErrnoStatus("size of", path, EISDIR);
    *size = static_cast<uint64_t>(st.st_size);
    return Status::Ok();
  }

  Status MakeDirectory(const std::string& path) override {
    if (::mkdir(path.c_str(), 0777) == 0) return Status::Ok();
    int error = errno;
    struct stat st;
    if (error == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      return Status::Ok();
    }
    return ErrnoStatus("make folder", path, error);
  }

  Status RemoveDirectory(const std::string& path) override {
    if (::rmdir(path.c_str()) != 0) return ErrnoStatus("remove folder", path, errno);
    return Status::Ok();
  }

  Status ListDirectory(const std::string& dir, const std::string& pattern,
                       std::vector<std::string>* names) override {
    names->clear();
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return ErrnoStatus("list", dir, errno);
    while (const dirent* entry = ::readdir(d)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      if (MatchesPattern(name, pattern, false)) names->push_back(std::move(name));
    }
    ::closedir(d);
    std::sort(names->begin(), names->end());
    return Status::Ok();
  }

  Status LockFile(const std::string& path, LockWait wait,
                  std::unique_ptr<LockHolder>* lock) override {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return ErrnoStatus("open lock", path, errno);
    int how = LOCK_EX | (wait == LockWait::kTry ? LOCK_NB : 0);
    while (::flock(fd, how) != 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      return ErrnoStatus("lock", path, error);
    }
    *lock = std::make_unique<PosixFileLock>(fd);
    return Status::Ok();
  }
};

}  // namespace

FileSystem& FileSystem::Default() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace kvt::platform
