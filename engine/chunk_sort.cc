#include "engine/chunk_sort.h"

#include <algorithm>
#include <cstring>

#include "engine/decimal.h"

namespace kvt::engine {

namespace {

// Below this size an insertion sort beats the radix passes, and it is linear on ordered input.
constexpr int64_t kSmallPartition = 48;

}  // namespace

void ChunkSorter::Reset(SortEntry* source, SortEntry* destination, int64_t n) {
  source_ = source;
  destination_ = destination;
  n_ = n;
  partitions_ = 0;
  bounds_.clear();
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

void ChunkSorter::SortPartition(int64_t j) {
  SortEntry* first = source_ + bounds_[static_cast<size_t>(j)];
  SortEntry* last = source_ + bounds_[static_cast<size_t>(j) + 1];
  if (last - first < 2) return;
  if (last - first <= kSmallPartition) {
    InsertionSort(first, last);
    return;
  }
  // The destination's entries of the same window are free until the first merge level.
  RadixSort(first, last, destination_ + (first - source_));
  if (cmp_.NeedsRest()) SortTies(first, last);
}

void ChunkSorter::InsertionSort(SortEntry* first, SortEntry* last) const {
  for (SortEntry* i = first + 1; i < last; ++i) {
    SortEntry moving = *i;
    SortEntry* j = i;
    while (j > first && Before(moving, *(j - 1))) {
      *j = *(j - 1);
      --j;
    }
    *j = moving;
  }
}

// Stable least-significant-digit radix sort on the 8 prefix bytes; byte positions on which all
// entries agree are skipped.
void ChunkSorter::RadixSort(SortEntry* first, SortEntry* last, SortEntry* scratch) const {
  const size_t n = static_cast<size_t>(last - first);
  static thread_local uint32_t counts[8][256];
  std::memset(counts, 0, sizeof(counts));
  for (size_t i = 0; i < n; ++i) {
    uint64_t p = first[i].prefix;
    for (int b = 0; b < 8; ++b) ++counts[b][(p >> (8 * b)) & 0xFF];
  }
  SortEntry* from = first;
  SortEntry* to = scratch;
  for (int b = 0; b < 8; ++b) {
    uint32_t* c = counts[b];
    bool trivial = false;
    for (int v = 0; v < 256; ++v) {
      if (c[v] == n) trivial = true;
      if (c[v] != 0) break;
    }
    if (trivial) continue;
    uint32_t sum = 0;
    for (int v = 0; v < 256; ++v) {
      uint32_t k = c[v];
      c[v] = sum;
      sum += k;
    }
    const int shift = 8 * b;
    for (size_t i = 0; i < n; ++i) {
      const SortEntry& e = from[i];
      to[c[(e.prefix >> shift) & 0xFF]++] = e;
    }
    std::swap(from, to);
  }
  if (from != first) std::memcpy(first, from, n * sizeof(SortEntry));
}

// Entries with equal prefixes are ordered by the rest of the key; their indices grow in input
// order, so ties on the whole key fall back to the index and stay stable.
void ChunkSorter::SortTies(SortEntry* first, SortEntry* last) const {
  SortEntry* run = first;
  while (run < last) {
    SortEntry* end = run + 1;
    while (end < last && end->prefix == run->prefix) ++end;
    if (end - run > 1) {
      std::sort(run, end, [this](const SortEntry& x, const SortEntry& y) {
        int r = cmp_.CompareRest(Record(x), Record(y));
        return r != 0 ? r < 0 : x.index < y.index;
      });
    }
    run = end;
  }
}

void ChunkSorter::MergeLevel(int64_t pairs) {
  for (int64_t m = 0; m < pairs; ++m) {
    const SortEntry* a = source_ + bounds_[static_cast<size_t>(2 * m)];
    const SortEntry* a_end = source_ + bounds_[static_cast<size_t>(2 * m + 1)];
    const SortEntry* b = a_end;
    const SortEntry* b_end = source_ + bounds_[static_cast<size_t>(2 * m + 2)];
    SortEntry* out = destination_ + bounds_[static_cast<size_t>(2 * m)];
    while (a < a_end && b < b_end) {
      // The right run wins only when strictly first: ties keep the earlier records first.
      if (Before(*b, *a)) {
        *out++ = *b++;
      } else {
        *out++ = *a++;
      }
    }
    out = std::copy(a, a_end, out);
    std::copy(b, b_end, out);
  }
}

void ChunkSorter::NextLevel() {
  std::swap(source_, destination_);
  int64_t runs = partitions_ / 2;
  for (int64_t k = 1; k <= runs; ++k)
    bounds_[static_cast<size_t>(k)] = bounds_[static_cast<size_t>(2 * k)];
  bounds_.resize(static_cast<size_t>(runs) + 1);
  partitions_ = runs;
}

}  // namespace kvt::engine
