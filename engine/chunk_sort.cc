#include "engine/chunk_sort.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "engine/decimal.h"

namespace kvt::engine {

namespace {

// Below this size an insertion sort on the whole entry beats the radix passes.
constexpr int64_t kSmallRange = 32;
// Ranges up to this many entries are sorted by least-significant-byte passes through a scratch
// array of the same size; with the range both fit in the processor's second-level cache.
constexpr int64_t kScratchEntries = int64_t{1} << 17;

int Byte(SortEntry e, int byte) { return static_cast<int>((e >> (8 * byte)) & 0xFF); }

void InsertionSort(SortEntry* first, SortEntry* last) {
  for (SortEntry* i = first + 1; i < last; ++i) {
    SortEntry moving = *i;
    SortEntry* j = i;
    while (j > first && moving < *(j - 1)) {
      *j = *(j - 1);
      --j;
    }
    *j = moving;
  }
}

SortEntry* Scratch() {
  thread_local std::unique_ptr<SortEntry[]> scratch(new SortEntry[kScratchEntries]);
  return scratch.get();
}

// Stable passes over bytes low .. high, each skipped when the whole range agrees on it.
void LeastSignificantFirst(SortEntry* first, SortEntry* last, int high, int low) {
  const int64_t n = last - first;
  uint32_t counts[8][256];
  for (int b = low; b <= high; ++b) std::memset(counts[b], 0, sizeof(counts[b]));
  for (SortEntry* e = first; e < last; ++e)
    for (int b = low; b <= high; ++b) ++counts[b][Byte(*e, b)];
  SortEntry* from = first;
  SortEntry* to = Scratch();
  for (int b = low; b <= high; ++b) {
    uint32_t* c = counts[b];
    if (c[Byte(*first, b)] == static_cast<uint32_t>(n)) continue;
    uint32_t sum = 0;
    for (int v = 0; v < 256; ++v) {
      uint32_t k = c[v];
      c[v] = sum;
      sum += k;
    }
    for (SortEntry* e = from; e < from + n; ++e) to[c[Byte(*e, b)]++] = *e;
    std::swap(from, to);
  }
  if (from != first) std::memcpy(first, from, static_cast<size_t>(n) * sizeof(SortEntry));
}

}  // namespace

void ChunkSorter::Reset(SortEntry* entries, int64_t n, const uint8_t* records, EntryFormat format) {
  entries_ = entries;
  n_ = n;
  records_ = records;
  format_ = format;
  partitions_ = 0;
  bounds_.clear();
  buckets_.clear();
  bucket_step_.clear();
}

int64_t ChunkSorter::SetPartitions(int64_t partitions) {
  while (partitions > n_) partitions /= 2;
  if (partitions < 1) partitions = 1;
  partitions_ = partitions;
  bounds_.assign(static_cast<size_t>(partitions) + 1, 0);
  int64_t step = n_ / partitions;
  for (int64_t k = 0; k < partitions; ++k) bounds_[static_cast<size_t>(k)] = k * step;
  bounds_[static_cast<size_t>(partitions)] = n_;
  return partitions;
}

std::string ChunkSorter::PartitionText(int64_t partitions) { return ZeroPadded(partitions, 3); }

void ChunkSorter::Refill(SortEntry* first, SortEntry* last, int64_t key_offset) const {
  for (SortEntry* e = first; e < last; ++e) {
    int64_t index = format_.Index(*e);
    *e = format_.Make(cmp_.PrefixAt(records_ + index * length_, key_offset), index);
  }
}

void ChunkSorter::SortBytes(SortEntry* first, SortEntry* last, int high, int low) const {
  const int64_t n = last - first;
  if (n < 2) return;
  if (n <= kSmallRange) {
    InsertionSort(first, last);
    return;
  }
  if (high < low) return;
  if (n <= kScratchEntries) {
    LeastSignificantFirst(first, last, high, low);
    return;
  }
  int64_t starts[257];
  DistributeInPlace(first, last, high, starts);
  for (int v = 0; v < 256; ++v) SortBytes(first + starts[v], first + starts[v + 1], high - 1, low);
}

// One most-significant-byte pass in place: entries are swapped into their bucket's free places
// in cycles. starts[v] .. starts[v + 1] is then bucket v.
void ChunkSorter::DistributeInPlace(SortEntry* first, SortEntry* last, int byte,
                                    int64_t* starts) const {
  int64_t counts[256] = {};
  for (SortEntry* e = first; e < last; ++e) ++counts[Byte(*e, byte)];
  int64_t next[256];
  starts[0] = 0;
  for (int v = 0; v < 256; ++v) {
    next[v] = starts[v];
    starts[v + 1] = starts[v] + counts[v];
  }
  if (counts[Byte(*first, byte)] == last - first) return;
  for (int v = 0; v < 256; ++v) {
    const int64_t end = starts[v + 1];
    while (next[v] < end) {
      SortEntry moving = first[next[v]];
      int d = Byte(moving, byte);
      while (d != v) {
        std::swap(moving, first[next[d]++]);
        d = Byte(moving, byte);
      }
      first[next[v]++] = moving;
    }
  }
}

void ChunkSorter::Order(SortEntry* first, SortEntry* last, int64_t key_offset,
                        int high_byte) const {
  struct Range {
    SortEntry* first;
    SortEntry* last;
    int64_t key_offset;
    int high_byte;
  };
  const uint64_t key_mask = format_.key_mask();
  std::vector<Range> pending{{first, last, key_offset, high_byte}};
  while (!pending.empty()) {
    Range r = pending.back();
    pending.pop_back();
    SortBytes(r.first, r.last, r.high_byte, LowestKeyByte());
    // Entries whose key bytes are all equal: the next key bytes decide, or, past the key,
    // input order.
    const int64_t next_offset = r.key_offset + format_.key_bytes;
    for (SortEntry* run = r.first; run < r.last;) {
      SortEntry* end = run + 1;
      while (end < r.last && ((*end ^ *run) & key_mask) == 0) ++end;
      if (end - run > 1) {
        if (next_offset < cmp_.key_length()) {
          Refill(run, end, next_offset);
          pending.push_back({run, end, next_offset, 7});
        } else {
          SortBytes(run, end, 7, 0);
        }
      }
      run = end;
    }
  }
}

void ChunkSorter::SortRange(SortEntry* first, SortEntry* last) const { Order(first, last, 0, 7); }

void ChunkSorter::PlanBuckets() {
  const int pieces = pool_->threads() == 1 ? 1 : 4 * pool_->threads();
  int64_t key_offset = 0;
  for (;;) {
    // Which bytes does the chunk differ on? One pass, shared out among the threads.
    std::vector<std::array<std::array<uint32_t, 256>, 8>> counts(static_cast<size_t>(pieces));
    pool_->Run(pieces, [&](int64_t p) {
      auto& c = counts[static_cast<size_t>(p)];
      for (auto& byte : c) byte.fill(0);
      const SortEntry* e = entries_ + n_ * p / pieces;
      const SortEntry* end = entries_ + n_ * (p + 1) / pieces;
      for (; e < end; ++e)
        for (int b = LowestKeyByte(); b < 8; ++b)
          ++c[static_cast<size_t>(b)][static_cast<size_t>(Byte(*e, b))];
    });
    int top = -1;
    for (int b = 7; b >= LowestKeyByte() && top < 0; --b) {
      uint64_t same = 0;
      for (const auto& c : counts)
        same += c[static_cast<size_t>(b)][static_cast<size_t>(Byte(entries_[0], b))];
      if (same != static_cast<uint64_t>(n_)) top = b;
    }
    if (top >= 0) {
      int64_t starts[257];
      DistributeInPlace(entries_, entries_ + n_, top, starts);
      for (int v = 0; v < 256; ++v)
        if (starts[v + 1] > starts[v])
          buckets_.push_back({starts[v], starts[v + 1], key_offset, top - 1});
      return;
    }
    // The chunk agrees on these key bytes; the entries are still in input order.
    key_offset += format_.key_bytes;
    if (key_offset >= cmp_.key_length()) return;
    const int64_t offset = key_offset;
    pool_->Run(pieces, [&](int64_t p) {
      Refill(entries_ + n_ * p / pieces, entries_ + n_ * (p + 1) / pieces, offset);
    });
  }
}

void ChunkSorter::SortStep(int64_t step) {
  if (step == 0) {
    PlanBuckets();
    // Buckets are shared out among the steps by their position in the chunk. With several
    // threads, steps that would hold too few buckets to keep them busy are joined.
    int64_t groups = partitions_;
    if (pool_->threads() > 1) {
      int64_t wanted =
          std::max<int64_t>(1, static_cast<int64_t>(buckets_.size()) / (2 * pool_->threads()));
      while (groups > wanted) groups /= 2;
    }
    bucket_step_.assign(static_cast<size_t>(partitions_) + 1,
                        static_cast<int64_t>(buckets_.size()));
    for (int64_t b = static_cast<int64_t>(buckets_.size()) - 1; b >= 0; --b) {
      const Bucket& bucket = buckets_[static_cast<size_t>(b)];
      int64_t s = bucket.first * groups / n_ * (partitions_ / groups);
      for (int64_t k = 0; k <= s; ++k) bucket_step_[static_cast<size_t>(k)] = b;
    }
  }
  if (step + 1 >= static_cast<int64_t>(bucket_step_.size())) return;
  const int64_t first = bucket_step_[static_cast<size_t>(step)];
  const int64_t last = bucket_step_[static_cast<size_t>(step) + 1];
  pool_->Run(last - first, [&](int64_t k) {
    const Bucket& b = buckets_[static_cast<size_t>(first + k)];
    Order(entries_ + b.first, entries_ + b.last, b.key_offset, b.high_byte);
  });
}

void ChunkSorter::SortPartition(int64_t j) {
  SortEntry* first = entries_ + bounds_[static_cast<size_t>(j)];
  SortEntry* last = entries_ + bounds_[static_cast<size_t>(j) + 1];
  Refill(first, last, 0);
  SortRange(first, last);
}

void ChunkSorter::MergeLevel(int64_t pairs) {
  // Re-sorting the two runs together gives exactly their stable merge.
  for (int64_t m = 0; m < pairs; ++m) {
    SortEntry* first = entries_ + bounds_[static_cast<size_t>(2 * m)];
    SortEntry* last = entries_ + bounds_[static_cast<size_t>(2 * m + 2)];
    Refill(first, last, 0);
    SortRange(first, last);
  }
  int64_t runs = partitions_ / 2;
  for (int64_t k = 1; k <= runs; ++k)
    bounds_[static_cast<size_t>(k)] = bounds_[static_cast<size_t>(2 * k)];
  bounds_.resize(static_cast<size_t>(runs) + 1);
  partitions_ = runs;
}

}  // namespace kvt::engine
