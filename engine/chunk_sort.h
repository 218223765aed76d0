// The in-memory sort of one chunk. The chunk is cut into P partitions that are reported one by
// one and then merged pairwise level by level; every level's result is the chunk's records in
// key order within each run, equal keys in input order. The records never move: only the 8-byte
// entries do (sort_entry.h), ordered by radix passes over their key bytes.
//
// A chunk without a trace needs only the final order, so the whole chunk is sorted at once: one
// pass on its leading distinct key byte cuts it into buckets in place, and the buckets, each
// small enough for the processor's cache, are sorted by the pool's threads while the partition
// records are reported. A traced chunk is sorted run by run as each level asks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/record_layout.h"
#include "engine/sort_entry.h"
#include "engine/worker_pool.h"

namespace kvt::engine {

class ChunkSorter {
 public:
  ChunkSorter(const KeyComparer& comparer, int64_t record_length, WorkerPool* pool)
      : cmp_(comparer), length_(record_length), pool_(pool) {}

  // Starts a chunk of n records lying at `records`; entries hold them in input order.
  void Reset(SortEntry* entries, int64_t n, const uint8_t* records, EntryFormat format);

  // Halves P while it exceeds n and cuts the chunk into P runs (the last takes the remainder).
  // Returns the P that is used.
  int64_t SetPartitions(int64_t partitions);
  // P as three digits with leading zeros, more digits from 1000 on.
  static std::string PartitionText(int64_t partitions);

  // The whole-chunk sort in P steps, one per partition record: step 0 cuts the chunk into
  // buckets, each step sorts its share of them. After step P - 1 the chunk is in order.
  void SortStep(int64_t step);

  // For a traced chunk: sorts partition j by itself.
  void SortPartition(int64_t j);
  // For a traced chunk: merges the run pairs (2m, 2m + 1), m < pairs, into one run each; the
  // boundary table keeps the merged runs.
  void MergeLevel(int64_t pairs);

  const SortEntry* entries() const { return entries_; }
  const uint8_t* records() const { return records_; }
  int64_t size() const { return n_; }
  int64_t boundary(int64_t k) const { return bounds_[static_cast<size_t>(k)]; }
  const EntryFormat& format() const { return format_; }

  // Sorts [first, last) completely (for a range whose entries hold the first key bytes).
  void SortRange(SortEntry* first, SortEntry* last) const;

 private:
  struct Bucket {
    int64_t first;
    int64_t last;
    int64_t key_offset;  // key byte held in the entries' top byte
    int high_byte;       // entries agree on the bytes above this one
  };

  const uint8_t* Record(SortEntry e) const { return records_ + format_.Index(e) * length_; }
  void Refill(SortEntry* first, SortEntry* last, int64_t key_offset) const;
  // Puts [first, last) in order, given that the entries hold key bytes from key_offset on and
  // agree on the bytes above high_byte.
  void Order(SortEntry* first, SortEntry* last, int64_t key_offset, int high_byte) const;
  // Orders by bytes high .. low of the entries (equal bytes in any order, except that short
  // ranges are ordered completely).
  void SortBytes(SortEntry* first, SortEntry* last, int high, int low) const;
  void DistributeInPlace(SortEntry* first, SortEntry* last, int byte,
                         int64_t* starts /* 257 */) const;
  int LowestKeyByte() const { return 8 - format_.key_bytes; }
  // Step 0: finds the first key byte on which the chunk differs and distributes by it.
  void PlanBuckets();

  const KeyComparer& cmp_;
  int64_t length_;
  WorkerPool* pool_;
  const uint8_t* records_ = nullptr;
  SortEntry* entries_ = nullptr;
  int64_t n_ = 0;
  EntryFormat format_;
  int64_t partitions_ = 0;
  std::vector<int64_t> bounds_;
  std::vector<Bucket> buckets_;
  std::vector<int64_t> bucket_step_;  // first bucket of each step, P + 1 entries
};

}  // namespace kvt::engine
