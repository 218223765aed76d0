// The in-memory sort of one chunk: P partitions sorted one by one, then merged pairwise level by
// level. Only the 12-byte entries move; records stay where the reader put them. Every step keeps
// equal records in input order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/record_layout.h"
#include "engine/sort_entry.h"

namespace kvt::engine {

class ChunkSorter {
 public:
  ChunkSorter(const KeyComparer& comparer, const uint8_t* records, int64_t record_length)
      : cmp_(comparer), records_(records), length_(record_length) {}

  // Starts a chunk of n records: the source array holds them in input order.
  void Reset(SortEntry* source, SortEntry* destination, int64_t n);
  // The chunk's records, when they do not lie in the buffer given at construction.
  void UseRecords(const uint8_t* records) { records_ = records; }

  // Halves P while it exceeds n and cuts the source into P runs (the last takes the remainder).
  // Returns the P that is used.
  int64_t SetPartitions(int64_t partitions);
  // P as three digits with leading zeros, more digits from 1000 on.
  static std::string PartitionText(int64_t partitions);

  // Sorts partition j of the source array in place, stably.
  void SortPartition(int64_t j);
  // Merges the run pairs (2m, 2m + 1), m < pairs, from the source into the destination.
  void MergeLevel(int64_t pairs);
  // The destination becomes the source; the boundary table is compacted to the merged runs.
  void NextLevel();

  const SortEntry* source() const { return source_; }
  const SortEntry* destination() const { return destination_; }
  int64_t size() const { return n_; }
  int64_t boundary(int64_t k) const { return bounds_[static_cast<size_t>(k)]; }

 private:
  // true when the record of y must come before the record of x (strictly).
  bool Before(const SortEntry& y, const SortEntry& x) const {
    if (y.prefix != x.prefix) return y.prefix < x.prefix;
    if (!cmp_.NeedsRest()) return false;
    return cmp_.CompareRest(Record(y), Record(x)) < 0;
  }
  const uint8_t* Record(const SortEntry& e) const {
    return records_ + static_cast<int64_t>(e.index) * length_;
  }
  void InsertionSort(SortEntry* first, SortEntry* last) const;
  void RadixSort(SortEntry* first, SortEntry* last, SortEntry* scratch) const;
  void SortTies(SortEntry* first, SortEntry* last) const;

  const KeyComparer& cmp_;
  const uint8_t* records_;
  int64_t length_;
  SortEntry* source_ = nullptr;
  SortEntry* destination_ = nullptr;
  int64_t n_ = 0;
  int64_t partitions_ = 0;
  std::vector<int64_t> bounds_;
};

}  // namespace kvt::engine
