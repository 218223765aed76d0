#include "engine/work_files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "engine/input_guard.h"
#include "engine/output_file.h"
#include "engine/return_codes.h"
#include "formats/product_files.h"

namespace kvt::engine {

namespace {

// Bytes of sorted records collected before one write.
constexpr int64_t kBlockBytes = int64_t{4} << 20;

constexpr int64_t kPrefetchDistance = 12;

const uint8_t* RecordOf(const SortedChunk& chunk, int64_t k, int64_t length) {
  return chunk.records + chunk.format.Index(chunk.order[k]) * length;
}

void Prefetch(const uint8_t* record, int64_t length) {
  for (int64_t at = 0; at < length && at < 256; at += 64) __builtin_prefetch(record + at);
  __builtin_prefetch(record + length - 1);
}

// An already sorted chunk lies in the buffer in output order: one write.
bool WriteWhole(const SortedChunk& chunk, int64_t length, RecordWriter* writer) {
  return writer->Append(chunk.records, static_cast<size_t>(chunk.count * length));
}

// Collects the records in sorted order into blocks and writes the blocks in order. The threads
// gather the next block while the calling thread writes the one before, and then help.
// Returns 0, 115 or 150.
int WriteGathered(const SortedChunk& chunk, const RecordLayout& layout, bool restore,
                  RecordWriter* writer, WorkerPool* pool, GatherBlocks* blocks) {
  const int64_t length = layout.record_length();
  if (!blocks->Prepare(length)) return kOutOfMemory;
  const int64_t per_block = blocks->records_per_block();
  const int64_t block_count = (chunk.count + per_block - 1) / per_block;
  const int pieces = pool->threads() == 1 ? 1 : 2 * pool->threads();
  auto gather = [&](int64_t block) {
    uint8_t* out = blocks->block(block);
    const int64_t first = block * per_block;
    const int64_t count = std::min(per_block, chunk.count - first);
    return [&chunk, &layout, restore, length, out, first, count, pieces](int64_t p) {
      const int64_t end = count * (p + 1) / pieces;
      for (int64_t k = count * p / pieces; k < end; ++k) {
        // The records lie all over the chunk: asking for those a few places ahead lets their
        // memory reads overlap instead of waiting for each in turn.
        if (k + kPrefetchDistance < end)
          Prefetch(RecordOf(chunk, first + k + kPrefetchDistance, length), length);
        const uint8_t* from = RecordOf(chunk, first + k, length);
        if (restore) {
          layout.Restore(from, out + k * length);
        } else {
          std::memcpy(out + k * length, from, static_cast<size_t>(length));
        }
      }
    };
  };
  pool->Run(pieces, gather(0));
  bool ok = true;
  for (int64_t block = 0; block < block_count; ++block) {
    if (block + 1 < block_count) pool->Start(pieces, gather(block + 1));
    const int64_t count = std::min(per_block, chunk.count - block * per_block);
    if (ok) ok = writer->Append(blocks->block(block), static_cast<size_t>(count * length));
    pool->Wait();
    if (!ok) return kChunkWriteFailed;
  }
  return kOk;
}

int WriteSorted(const SortedChunk& chunk, const RecordLayout& layout, bool restore,
                RecordWriter* writer, WorkerPool* pool, GatherBlocks* blocks) {
  if (chunk.in_input_order && !restore) {
    return WriteWhole(chunk, layout.record_length(), writer) ? kOk : kChunkWriteFailed;
  }
  return WriteGathered(chunk, layout, restore, writer, pool, blocks);
}

size_t WriterBufferSize(int64_t length) {
  size_t size = size_t{4} << 20;
  return size < static_cast<size_t>(length) ? static_cast<size_t>(length) : size;
}

}  // namespace

bool GatherBlocks::Prepare(int64_t record_length) {
  if (memory_.data() != nullptr && record_length == length_) return true;
  length_ = record_length;
  per_block_ = std::max<int64_t>(1, kBlockBytes / record_length);
  return memory_.Allocate(static_cast<size_t>(2 * per_block_ * record_length));
}

std::string WorkFileName(const std::string& prefix, int64_t pass, int64_t number) {
  return formats::WorkFileName(prefix, pass, number);
}

int WriteChunkToWorkFile(platform::FileSystem& files, const SortedChunk& chunk,
                         const RecordLayout& layout, const std::string& path, WorkerPool* pool,
                         GatherBlocks* blocks, uint64_t* checksum) {
  RecordWriter writer(files, WriterBufferSize(layout.record_length()));
  if (!writer.has_buffer()) return kOutOfMemory;
  if (!writer.CreateWorkFile(path)) return kCreateFailed;
  formats::FileChecksum sum;
  writer.ChecksumInto(&sum);
  int code = WriteSorted(chunk, layout, false, &writer, pool, blocks);
  if (code != kOk) {
    writer.Commit();
    return code;
  }
  // Records of an input that was shortened meanwhile are not real records.
  if (input_guard::Lost()) {
    writer.Commit();
    return kChunkReadFailed;
  }
  if (!writer.Commit()) return kChunkWriteFailed;
  const uint64_t length = static_cast<uint64_t>(chunk.count * layout.record_length());
  return sum.Finish(length, checksum) ? kOk : kChunkWriteFailed;
}

int WriteChunkToOutput(platform::FileSystem& files, const SortedChunk& chunk,
                       const RecordLayout& layout, const std::string& output_path, WorkerPool* pool,
                       GatherBlocks* blocks, std::function<void()> before_replace) {
  RecordWriter writer(files, WriterBufferSize(layout.record_length()));
  writer.SetBeforeReplace(std::move(before_replace));
  if (!writer.has_buffer()) return kOutOfMemory;
  if (!writer.CreateOutput(output_path)) return kCreateFailed;
  int code = WriteSorted(chunk, layout, !layout.identity(), &writer, pool, blocks);
  if (code != kOk) {
    writer.Abandon();
    return code;
  }
  if (input_guard::Lost()) {
    writer.Abandon();
    return kChunkReadFailed;
  }
  if (writer.Commit()) return kOk;
  return writer.rename_failed() ? kCreateFailed : kChunkWriteFailed;
}

}  // namespace kvt::engine
