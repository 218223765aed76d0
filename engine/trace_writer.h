// The trace file: after every in-memory merge level, the first key group of each record.
#pragma once

#include <cstdint>
#include <string>

#include "engine/sort_entry.h"
#include "platform/file_system.h"

namespace kvt::engine {

class TraceWriter {
 public:
  // key_offset/key_length: the first key group inside the internal record.
  TraceWriter(std::string path, int64_t key_offset, int64_t key_length,
              platform::FileSystem& files = platform::FileSystem::Default())
      : path_(std::move(path)), key_offset_(key_offset), key_length_(key_length), files_(files) {}

  // One line per record in the order of entries: the key bytes as a character string (the copy
  // stops at a zero byte, the rest of the width is zero-filled), then LF CR. The first block of a
  // run creates the file; later blocks are appended. Errors are ignored.
  void WriteBlock(const SortEntry* entries, int64_t count, EntryFormat format,
                  const uint8_t* records, int64_t record_length);

 private:
  std::string path_;
  int64_t key_offset_;
  int64_t key_length_;
  platform::FileSystem& files_;
  bool created_ = false;
  bool failed_ = false;
};

}  // namespace kvt::engine
