// Writing sorted chunks, and the names of the work files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/record_layout.h"
#include "engine/sort_entry.h"
#include "engine/worker_pool.h"

namespace kvt::engine {

// prefix + "tmp" + pass (3 digits) + file number (3 digits) + ".WRK".
std::string WorkFileName(const std::string& prefix, int64_t pass, int64_t number);

struct SortedChunk {
  const SortEntry* order;  // the sorted entries
  int64_t count;
  const uint8_t* records;  // the chunk buffer
  EntryFormat format;
  bool in_input_order;     // the entries were never reordered (an already sorted chunk)
};

// Writes the chunk in internal form to a work file. Returns 0, 114, 115 or 150.
int WriteChunkToWorkFile(const SortedChunk& chunk, const RecordLayout& layout,
                         const std::string& path, WorkerPool* pool);
// Writes the chunk restored to input form to the output path (through a temporary file renamed
// over it when complete). Returns 0, 114, 115 or 150. before_replace: see
// RecordWriter::SetBeforeReplace.
int WriteChunkToOutput(const SortedChunk& chunk, const RecordLayout& layout,
                       const std::string& output_path, WorkerPool* pool,
                       std::function<void()> before_replace = {});

}  // namespace kvt::engine
