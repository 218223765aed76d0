// One entry of the sort array: the record's number inside the chunk in the low bits and, above
// it, as many leading comparison-key bytes as the remaining bits hold (in the form of
// KeyComparer::Prefix, so descending bytes are complemented). Ordering entries as plain numbers
// orders the records by those key bytes and equal key bytes by input order; 8 bytes per record,
// as the front-end's memory plan counts them.
#pragma once

#include <bit>
#include <cstdint>

namespace kvt::engine {

using SortEntry = uint64_t;

struct EntryFormat {
  int index_bits = 1;
  int key_bytes = 0;  // whole key bytes held above the record number

  // The format for chunks of up to `records` records (at most 2^32) and a key of key_length
  // bytes.
  static EntryFormat For(int64_t records, int64_t key_length) {
    EntryFormat f;
    uint64_t largest = records > 1 ? static_cast<uint64_t>(records - 1) : 1;
    f.index_bits = static_cast<int>(std::bit_width(largest));
    int64_t room = (64 - f.index_bits) / 8;
    f.key_bytes = static_cast<int>(key_length < room ? key_length : room);
    return f;
  }
  uint64_t index_mask() const { return (uint64_t{1} << index_bits) - 1; }
  // The bits of the key bytes: the top key_bytes bytes.
  uint64_t key_mask() const { return key_bytes == 0 ? 0 : ~uint64_t{0} << (64 - 8 * key_bytes); }
  int64_t Index(SortEntry e) const { return static_cast<int64_t>(e & index_mask()); }
  // prefix: key bytes in the form of KeyComparer::Prefix (the first key byte in the top byte).
  SortEntry Make(uint64_t prefix, int64_t index) const {
    return (prefix & key_mask()) | static_cast<uint64_t>(index);
  }
};

}  // namespace kvt::engine
