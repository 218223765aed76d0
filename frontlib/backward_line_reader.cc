#include "frontlib/backward_line_reader.h"

#include <cerrno>
#include <unistd.h>

#include <algorithm>

namespace kvt::front {

namespace {

constexpr int64_t kChunk = 4096;

// Exactly n bytes at offset, or false.
bool ReadExactly(int fd, int64_t offset, int64_t n, std::string* out) {
  out->resize(static_cast<size_t>(n));
  int64_t got = 0;
  while (got < n) {
    ssize_t r = ::pread(fd, out->data() + got, static_cast<size_t>(n - got), offset + got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += r;
  }
  return true;
}

}  // namespace

int64_t BackwardLineReader::findLineEnd(int fd, int64_t limit) {
  std::string data;
  int64_t hi = limit;
  while (hi >= 2) {
    int64_t lo = std::max<int64_t>(0, hi - kChunk);
    if (!ReadExactly(fd, lo, hi - lo, &data)) return -2;
    size_t k = data.rfind("\r\n");
    if (k != std::string::npos) return lo + static_cast<int64_t>(k);
    if (lo == 0) return -1;
    // Keep one byte of overlap so that a CR LF across the chunk border is found.
    hi = lo + 1;
  }
  return -1;
}

bool BackwardLineReader::previous(int fd, int64_t max_bytes, std::string* line) {
  if (fd < 0 || end_ < 2) {
    end_ = 0;
    return false;
  }
  int64_t line_end = findLineEnd(fd, end_);
  if (line_end < 0) {
    end_ = 0;
    return false;
  }
  int64_t before = findLineEnd(fd, line_end);
  if (before == -2) {
    end_ = 0;
    return false;
  }
  int64_t start = before < 0 ? 0 : before + 2;
  int64_t length = std::min(line_end - start, max_bytes);
  if (!ReadExactly(fd, start, length, line)) {
    end_ = 0;
    return false;
  }
  end_ = start;
  return true;
}

}  // namespace kvt::front
