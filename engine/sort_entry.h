// One entry of the pointer arrays: the record's 32-bit index in the chunk buffer with a cached
// prefix of its comparison key beside it, so most comparisons never touch the record.
#pragma once

#include <cstdint>

namespace kvt::engine {

#pragma pack(push, 4)
struct SortEntry {
  uint64_t prefix;  // first 8 comparison-key bytes, big-endian, descending bytes complemented
  uint32_t index;   // record number inside the chunk buffer
};
#pragma pack(pop)
static_assert(sizeof(SortEntry) == 12);

}  // namespace kvt::engine
