// Reads the CR LF-terminated lines of a file backwards, newest first, within a fixed end
// offset. Lines of any length are found; bytes after the last CR LF (a line still being
// written, or a last line without its end) are not a line.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace kvt::front {

class BackwardLineReader {
 public:
  // Only the first `end` bytes of the file are read; what is appended later stays unseen.
  void reset(int64_t end) { end_ = end; }
  // The next older line, without its CR LF and cut to max_bytes. False when none is left or
  // the file no longer holds the bytes (it was shortened meanwhile); later calls stay false.
  bool previous(platform::File* file, int64_t max_bytes, std::string* line);
  int64_t end() const { return end_; }

 private:
  // Offset of the CR of the last CR LF lying wholly before limit; -1 when there is none,
  // -2 when the file is shorter than limit.
  static int64_t findLineEnd(platform::File& file, int64_t limit);

  int64_t end_ = 0;
};

}  // namespace kvt::front
