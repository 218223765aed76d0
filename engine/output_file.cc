#include "engine/output_file.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/posix_io.h"

namespace kvt::engine {

RecordWriter::RecordWriter(size_t buffer_size)
    : buffer_(new (std::nothrow) uint8_t[buffer_size]), capacity_(buffer_size) {
  if (!buffer_) {
    capacity_ = 0;
    ok_ = false;
  }
}

RecordWriter::~RecordWriter() { Abandon(); }

std::string RecordWriter::TemporaryName(const std::string& output_path) {
  return output_path + ".kvttmp";
}

bool RecordWriter::CreateWorkFile(const std::string& path) {
  path_ = path;
  is_output_ = false;
  fd_ = CreateExclusive(path);
  if (fd_ < 0) ok_ = false;
  return ok_;
}

bool RecordWriter::CreateOutput(const std::string& output_path) {
  final_path_ = output_path;
  path_ = TemporaryName(output_path);
  is_output_ = true;
  fd_ = CreateExclusive(path_);
  if (fd_ < 0) return ok_ = false;
  // The finished output replaces the old file by a rename: it keeps the old file's
  // permissions, so a sort never makes a private output readable by others.
  struct stat old;
  if (::stat(final_path_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    ::fchmod(fd_, old.st_mode & 07777);
  }
  return ok_;
}

bool RecordWriter::Flush() {
  if (!ok_ || fd_ < 0) return ok_ = false;
  if (used_ > 0) WriteOut(buffer_.get(), used_);
  used_ = 0;
  return ok_;
}

// The output is synced to disk before it replaces the old file; starting the writeback of every
// 8 MiB as soon as it is written lets the disk work while the sort goes on, so the final sync has
// little left to wait for.
void RecordWriter::WriteOut(const void* data, size_t size) {
  constexpr uint64_t kWritebackSpan = uint64_t{8} << 20;
  if (!ok_) return;
  if (!WriteAll(fd_, data, size)) {
    ok_ = false;
    return;
  }
  written_ += size;
  if (is_output_ && written_ - synced_ >= kWritebackSpan) {
    ::sync_file_range(fd_, static_cast<off_t>(synced_), static_cast<off_t>(written_ - synced_),
                      SYNC_FILE_RANGE_WRITE);
    synced_ = written_;
  }
}

bool RecordWriter::Append(const void* data, size_t size) {
  if (!ok_) return false;
  // A block of half the buffer or more gains nothing from being copied into it first.
  if (size >= capacity_ / 2) {
    if (!Flush()) return false;
    WriteOut(data, size);
    return ok_;
  }
  uint8_t* at = Reserve(size);
  if (at == nullptr) return false;
  std::memcpy(at, data, size);
  return true;
}

bool RecordWriter::Commit() {
  if (fd_ < 0) return false;
  Flush();
  if (ok_ && is_output_ && ::fsync(fd_) != 0) ok_ = false;
  if (::close(fd_) != 0) ok_ = false;
  fd_ = -1;
  if (!ok_) {
    if (is_output_) ::unlink(path_.c_str());
    return false;
  }
  if (is_output_) {
    if (::rename(path_.c_str(), final_path_.c_str()) != 0) {
      ::unlink(path_.c_str());
      rename_failed_ = true;
      return ok_ = false;
    }
    SyncDirectoryOf(final_path_);
  }
  return true;
}

void RecordWriter::Abandon() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  if (is_output_) ::unlink(path_.c_str());
  ok_ = false;
}

}  // namespace kvt::engine
