#include "frontlib/backward_line_reader.h"

#include <algorithm>

namespace kvt::front {

namespace {

constexpr int64_t kChunk = 4096;

// Exactly n bytes at offset, or false.
bool ReadExactly(platform::File& file, int64_t offset, int64_t n, std::string* out) {
  out->resize(static_cast<size_t>(n));
  size_t got = 0;
  return file.ReadAt(static_cast<uint64_t>(offset), out->data(), out->size(), &got).ok() &&
         got == out->size();
}

}  // namespace

int64_t BackwardLineReader::findLineEnd(platform::File& file, int64_t limit) {
  std::string data;
  int64_t hi = limit;
  while (hi >= 2) {
    int64_t lo = std::max<int64_t>(0, hi - kChunk);
    if (!ReadExactly(file, lo, hi - lo, &data)) return -2;
    size_t k = data.rfind("\r\n");
    if (k != std::string::npos) return lo + static_cast<int64_t>(k);
    if (lo == 0) return -1;
    // Keep one byte of overlap so that a CR LF across the chunk border is found.
    hi = lo + 1;
  }
  return -1;
}

bool BackwardLineReader::previous(platform::File* file, int64_t max_bytes, std::string* line) {
  if (file == nullptr || end_ < 2) {
    end_ = 0;
    return false;
  }
  int64_t line_end = findLineEnd(*file, end_);
  if (line_end < 0) {
    end_ = 0;
    return false;
  }
  int64_t before = findLineEnd(*file, line_end);
  if (before == -2) {
    end_ = 0;
    return false;
  }
  int64_t start = before < 0 ? 0 : before + 2;
  int64_t length = std::min(line_end - start, max_bytes);
  if (!ReadExactly(*file, start, length, line)) {
    end_ = 0;
    return false;
  }
  end_ = start;
  return true;
}

}  // namespace kvt::front
