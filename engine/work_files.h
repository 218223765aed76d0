// Writing sorted chunks, and the names of the work files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/big_buffer.h"
#include "engine/record_layout.h"
#include "engine/sort_entry.h"
#include "engine/worker_pool.h"
#include "platform/file_system.h"

namespace kvt::engine {

// prefix + "tmp" + pass (3 digits) + file number (3 digits) + ".WRK".
std::string WorkFileName(const std::string& prefix, int64_t pass, int64_t number);

struct SortedChunk {
  const SortEntry* order;  // the sorted entries
  int64_t count;
  const uint8_t* records;  // the chunk buffer
  EntryFormat format;
  bool in_input_order;  // the entries were never reordered (an already sorted chunk)
};

// The two blocks sorted records are gathered into before they are written: one is filled while
// the other is written. They are kept from chunk to chunk, because fresh memory costs a page
// fault per page on first touch, which for many small chunks took longer than the gathering.
class GatherBlocks {
 public:
  // Blocks of whole records of this length, about 4 MiB each; false when memory is short.
  bool Prepare(int64_t record_length);
  int64_t records_per_block() const { return per_block_; }
  uint8_t* block(int64_t k) const { return memory_.data() + (k % 2) * per_block_ * length_; }
  void Release() { memory_.Release(); }

 private:
  BigBuffer memory_;
  int64_t length_ = 0;
  int64_t per_block_ = 0;
};

// Writes the chunk in internal form to a work file, and its checksum (for the resume journal)
// to *checksum. Returns 0, 114, 115 or 150.
int WriteChunkToWorkFile(platform::FileSystem& files, const SortedChunk& chunk,
                         const RecordLayout& layout, const std::string& path, WorkerPool* pool,
                         GatherBlocks* blocks, uint64_t* checksum);
// Writes the chunk restored to input form to the output path (through a temporary file renamed
// over it when complete). Returns 0, 114, 115 or 150. before_replace: see
// RecordWriter::SetBeforeReplace.
int WriteChunkToOutput(platform::FileSystem& files, const SortedChunk& chunk,
                       const RecordLayout& layout, const std::string& output_path, WorkerPool* pool,
                       GatherBlocks* blocks, std::function<void()> before_replace = {});

}  // namespace kvt::engine
