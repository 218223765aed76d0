#include "engine/work_files.h"

#include "engine/decimal.h"
#include "engine/input_guard.h"
#include "engine/output_file.h"
#include "engine/return_codes.h"

namespace kvt::engine {

namespace {

// Records that lie next to each other in the chunk buffer go out in one piece.
bool WriteSpans(const SortedChunk& chunk, int64_t length, RecordWriter* writer) {
  int64_t k = 0;
  while (k < chunk.count) {
    uint32_t first = chunk.order[k].index;
    int64_t end = k + 1;
    while (end < chunk.count && chunk.order[end].index == first + static_cast<uint32_t>(end - k))
      ++end;
    if (!writer->Append(chunk.records + static_cast<int64_t>(first) * length,
                        static_cast<size_t>((end - k) * length)))
      return false;
    k = end;
  }
  return true;
}

bool WriteRestored(const SortedChunk& chunk, const RecordLayout& layout, RecordWriter* writer) {
  const int64_t length = layout.record_length();
  for (int64_t k = 0; k < chunk.count; ++k) {
    uint8_t* out = writer->Reserve(static_cast<size_t>(length));
    if (out == nullptr) return false;
    layout.Restore(chunk.records + static_cast<int64_t>(chunk.order[k].index) * length, out);
  }
  return true;
}

size_t WriterBufferSize(int64_t length) {
  size_t size = size_t{4} << 20;
  return size < static_cast<size_t>(length) ? static_cast<size_t>(length) : size;
}

}  // namespace

std::string WorkFileName(const std::string& prefix, int64_t pass, int64_t number) {
  return prefix + "tmp" + ZeroPadded(pass, 3) + ZeroPadded(number, 3) + ".WRK";
}

int WriteChunkToWorkFile(const SortedChunk& chunk, const RecordLayout& layout,
                         const std::string& path) {
  RecordWriter writer(WriterBufferSize(layout.record_length()));
  if (!writer.has_buffer()) return kOutOfMemory;
  if (!writer.CreateWorkFile(path)) return kCreateFailed;
  if (!WriteSpans(chunk, layout.record_length(), &writer)) {
    writer.Commit();
    return kChunkWriteFailed;
  }
  // Records of an input that was shortened meanwhile are not real records.
  if (input_guard::Lost()) {
    writer.Commit();
    return kChunkReadFailed;
  }
  return writer.Commit() ? kOk : kChunkWriteFailed;
}

int WriteChunkToOutput(const SortedChunk& chunk, const RecordLayout& layout,
                       const std::string& output_path) {
  RecordWriter writer(WriterBufferSize(layout.record_length()));
  if (!writer.has_buffer()) return kOutOfMemory;
  if (!writer.CreateOutput(output_path)) return kCreateFailed;
  bool written = layout.identity() ? WriteSpans(chunk, layout.record_length(), &writer)
                                   : WriteRestored(chunk, layout, &writer);
  if (!written) {
    writer.Abandon();
    return kChunkWriteFailed;
  }
  if (input_guard::Lost()) {
    writer.Abandon();
    return kChunkReadFailed;
  }
  if (writer.Commit()) return kOk;
  return writer.rename_failed() ? kCreateFailed : kChunkWriteFailed;
}

}  // namespace kvt::engine
