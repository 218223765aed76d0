// The engine's internal record form and the one key comparison every sort and merge step uses.
//
// An internal record is the concatenation of the field entries in entry order, so the key groups
// lie at its front. The comparison key is the run of key groups up to the first group whose code
// is neither "A" nor "D" (such a group ends every comparison as equal). Descending bytes are
// complemented in the cached prefix so that one unsigned comparison orders both directions.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/collating.h"
#include "engine/control_record.h"

namespace kvt::engine {

class RecordLayout {
 public:
  // tables: the user collating sequence, or null for plain byte order.
  RecordLayout(const ControlRecord& control, const CollatingTables* tables);

  int64_t record_length() const { return length_; }
  // True when internal and input form are the same bytes (no rearrangement, no translation).
  bool identity() const { return identity_; }

  // Input record -> internal record (translating the first G entries with a collating sequence).
  void ToInternal(const uint8_t* input, uint8_t* internal) const;
  // Internal record -> output record.
  void Restore(const uint8_t* internal, uint8_t* output) const;

 private:
  struct Segment {
    int64_t input_offset;
    int64_t internal_offset;
    int64_t length;
    bool translate;
  };

  int64_t length_;
  bool identity_ = true;
  std::vector<Segment> segments_;
  CollatingTables tables_{};
};

class KeyComparer {
 public:
  explicit KeyComparer(const std::vector<KeyGroup>& groups);

  // Bytes of the comparison key.
  int64_t key_length() const { return key_length_; }

  // The first 8 comparison-key bytes, big-endian, descending bytes complemented, bytes past
  // the key zero.
  uint64_t Prefix(const uint8_t* record) const {
    uint64_t raw = 0;
    std::memcpy(&raw, record, key_length_ >= 8 ? 8 : static_cast<size_t>(key_length_));
    return (__builtin_bswap64(raw) ^ flip_) & keep_;
  }
  // The same for the 8 key bytes from key byte `offset` on.
  uint64_t PrefixAt(const uint8_t* record, int64_t offset) const;
  // Compares the key bytes after the first 8; <0, 0, >0.
  int CompareRest(const uint8_t* a, const uint8_t* b) const;
  // The full comparison: <0 when a comes first, >0 when b comes first, 0 when equal.
  int Compare(const uint8_t* a, const uint8_t* b) const;
  // True when the two prefixes decide nothing and the rest must be looked at.
  bool NeedsRest() const { return key_length_ > 8; }

 private:
  std::vector<KeyGroup> groups_;  // the comparison key's groups (codes A and D only)
  int64_t key_length_ = 0;
  bool all_ascending_ = true;
  uint64_t flip_ = 0;            // bits of descending bytes within the prefix
  uint64_t keep_ = 0;            // bits of the prefix that belong to the key
  std::vector<uint64_t> flips_;  // per key offset: the bits of descending bytes of 8 bytes there
};

}  // namespace kvt::engine
