// FilMacro: byte-positioned file access over a FileBlock. Positions are 1-based and 64-bit;
// no routine moves the position, so callers decide how records follow one another.
#include "frontlib/file_block.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frontlib/shared_routines.h"

namespace kvt::front {

namespace {

bool IsOpen(const FileBlock& block) { return block.state == 1 && block.fd >= 0; }

// Reads up to n bytes at the 0-based offset; fewer only at the end of the file.
std::string ReadAt(int fd, int64_t offset, int64_t n) {
  std::string out;
  if (n <= 0 || offset < 0) return out;
  out.resize(static_cast<size_t>(n));
  int64_t got = 0;
  while (got < n) {
    ssize_t r = ::pread(fd, out.data() + got, static_cast<size_t>(n - got), offset + got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += r;
  }
  out.resize(static_cast<size_t>(got));
  return out;
}

bool WriteAt(int fd, int64_t offset, const std::string& data) {
  if (offset < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t w = ::pwrite(fd, data.data() + done, data.size() - done,
                         offset + static_cast<int64_t>(done));
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<size_t>(w);
  }
  return true;
}

}  // namespace

void filOpen(FileBlock& block) {
  if (IsOpen(block)) return;
  block.name = trim(block.name);
  if (block.name.empty()) return;
  // Close-on-exec: the programs started by the front-end must not inherit our files.
  int fd = ::open(block.name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) {
    // A file we may only read (a log on a read-only share) can still be read.
    fd = ::open(block.name.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd < 0) return;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return;
  }
  block.fd = fd;
  block.state = 1;
  block.position = 1;
}

void filClose(FileBlock& block) {
  if (block.fd >= 0) ::close(block.fd);
  block.fd = -1;
  block.state = 0;
}

void filRead(FileBlock& block) {
  if (!IsOpen(block)) return;
  block.buffer = ReadAt(block.fd, block.position - 1, block.recordLength);
}

std::string filReadLen(FileBlock& block, int64_t n) {
  if (n <= 0) return std::string();
  if (!IsOpen(block)) return std::string(static_cast<size_t>(n), ' ');
  std::string data = ReadAt(block.fd, block.position - 1, n);
  data.resize(static_cast<size_t>(n), ' ');
  return data;
}

bool filWrite(FileBlock& block) {
  if (!IsOpen(block) || block.recordLength < 0) return false;
  std::string record = block.buffer;
  record.resize(static_cast<size_t>(block.recordLength), ' ');
  return WriteAt(block.fd, block.position - 1, record);
}

bool filPut(FileBlock& block, const std::string& text) {
  if (!IsOpen(block)) return false;
  return WriteAt(block.fd, block.position - 1, text);
}

void filCheck(FileBlock& block) {
  struct stat st;
  if (::stat(trim(block.name).c_str(), &st) != 0) block.state = -1;
}

int64_t filLength(const FileBlock& block) {
  if (!IsOpen(block)) return -1;
  struct stat st;
  if (::fstat(block.fd, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

}  // namespace kvt::front
