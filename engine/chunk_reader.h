// The input file and the reading of chunks into internal form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/record_layout.h"
#include "engine/sort_entry.h"
#include "engine/worker_pool.h"
#include "platform/file_system.h"

namespace kvt::engine {

class InputFile {
 public:
  InputFile() = default;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens the input for reading (for update as well when it is also the output, so that a
  // read-only file is never replaced) and counts its records. An input that cannot be opened
  // gives 0 records and code 0; a size that is not a multiple of the record length gives 109.
  int Open(const std::string& path, int64_t record_length, bool is_output,
           platform::FileSystem& files = platform::FileSystem::Default());
  int64_t record_count() const { return records_; }
  // False once the input's size differs from its size when it was opened: another program
  // shortened or lengthened it during the sort.
  bool SizeUnchanged() const;
  platform::File* file() const { return file_.get(); }
  // Lets go of the file once no more chunks are read (an output may then replace it).
  void Close() { file_.reset(); }

 private:
  std::unique_ptr<platform::File> file_;
  std::string path_;
  uint64_t bytes_ = 0;
  int64_t records_ = 0;
};

struct ChunkResult {
  int64_t records = 0;            // records read
  int64_t descents = 0;           // neighbours out of order
  const uint8_t* data = nullptr;  // where the chunk's records lie in internal form
};

class ChunkReader {
 public:
  // records: the chunk buffer; staging: a buffer for input records when the internal form differs
  // from the input form (null otherwise), staging_records records large.
  ChunkReader(const RecordLayout& layout, const KeyComparer& comparer, uint8_t* records,
              uint8_t* staging, int64_t staging_records, WorkerPool* pool)
      : layout_(layout),
        cmp_(comparer),
        records_(records),
        staging_(staging),
        staging_records_(staging_records),
        pool_(pool) {}
  ~ChunkReader() { Unmap(); }
  ChunkReader(const ChunkReader&) = delete;
  ChunkReader& operator=(const ChunkReader&) = delete;

  // Reads up to `wanted` records from file into the chunk buffer from its start, fills entries in
  // input order with their key prefixes and counts the descents. Returns 0, or 113 when not even
  // one record could be read. When the internal form is the input form, the chunk is mapped
  // from the file instead of copied; result->data tells where the records lie, valid until the
  // next Read.
  int Read(platform::File* file, int64_t wanted, SortEntry* entries, EntryFormat format,
           ChunkResult* result);
  // Lets go of the current chunk's mapping.
  void Release() { Unmap(); }
  // Whether chunks may be mapped from the file (the default) or are always read into the buffer.
  void set_map_input(bool map) { map_input_ = map; }
  // Passes over records that an earlier run already sorted into a work file.
  void Skip(int64_t records) { offset_ += records * layout_.record_length(); }

 private:
  // Maps the next `wanted` records; returns the records mapped, 0 when mapping is not possible
  // (the caller then reads into the chunk buffer).
  int64_t Map(platform::File* file, int64_t wanted);
  int64_t ReadInto(platform::File* file, int64_t wanted);
  void Unmap();
  // Fills the entries and counts the descents, the chunk shared out among the threads.
  void CountDescents(const uint8_t* records, SortEntry* entries, EntryFormat format,
                     ChunkResult* result) const;
  int Pieces() const { return pool_->threads() == 1 ? 1 : 4 * pool_->threads(); }

  const RecordLayout& layout_;
  const KeyComparer& cmp_;
  uint8_t* records_;
  uint8_t* staging_;
  int64_t staging_records_;
  WorkerPool* pool_;
  bool map_input_ = true;
  int64_t offset_ = 0;  // bytes of the input consumed by earlier chunks
  std::unique_ptr<platform::MappedRegion> mapping_;  // the current chunk's mapping
  const uint8_t* mapped_records_ = nullptr;
};

// The partition count after a chunk has been read: (records - 1) / (10 x descents), or the
// previous count for a chunk without descents.
int64_t EstimatePartitions(int64_t previous, const ChunkResult& chunk);

// Bounds P by the limits of the control record (upper first, then lower), rounds it up to a power
// of two and keeps it at or below 1024.
struct PartitionLimits {
  int64_t upper = 0;
  int64_t lower = 0;
};
int64_t BoundPartitions(int64_t partitions, PartitionLimits limits);

}  // namespace kvt::engine
