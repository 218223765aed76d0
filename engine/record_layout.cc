#include "engine/record_layout.h"

#include <algorithm>
#include <cstring>

namespace kvt::engine {

RecordLayout::RecordLayout(const ControlRecord& control, const CollatingTables* tables)
    : length_(control.record_length) {
  if (tables != nullptr) tables_ = *tables;
  // Every byte that the key comparison looks at is translated: the leading run of ascending
  // and descending entries, however many of them make up one key group.
  size_t translated = 0;
  while (tables != nullptr && translated < control.entries.size() &&
         (control.entries[translated].code == 'A' || control.entries[translated].code == 'D'))
    ++translated;
  int64_t internal = 0;
  for (size_t k = 0; k < control.entries.size(); ++k) {
    const FieldEntry& e = control.entries[k];
    Segment s{e.position - 1, internal, e.length, k < translated};
    internal += e.length;
    // Neighbouring entries that are neighbours in both forms are copied in one go.
    if (!segments_.empty()) {
      Segment& last = segments_.back();
      if (last.translate == s.translate && last.input_offset + last.length == s.input_offset &&
          last.internal_offset + last.length == s.internal_offset) {
        last.length += s.length;
        continue;
      }
    }
    segments_.push_back(s);
  }
  for (const Segment& s : segments_)
    if (s.translate || s.input_offset != s.internal_offset) identity_ = false;
}

void RecordLayout::ToInternal(const uint8_t* input, uint8_t* internal) const {
  for (const Segment& s : segments_) {
    const uint8_t* from = input + s.input_offset;
    uint8_t* to = internal + s.internal_offset;
    if (s.translate) {
      for (int64_t b = 0; b < s.length; ++b) to[b] = tables_.input[from[b]];
    } else {
      std::memcpy(to, from, static_cast<size_t>(s.length));
    }
  }
}

void RecordLayout::Restore(const uint8_t* internal, uint8_t* output) const {
  for (const Segment& s : segments_) {
    const uint8_t* from = internal + s.internal_offset;
    uint8_t* to = output + s.input_offset;
    if (s.translate) {
      for (int64_t b = 0; b < s.length; ++b) to[b] = tables_.output[from[b]];
    } else {
      std::memcpy(to, from, static_cast<size_t>(s.length));
    }
  }
}

KeyComparer::KeyComparer(const std::vector<KeyGroup>& groups) {
  for (const KeyGroup& g : groups) {
    if (g.code != 'A' && g.code != 'D') break;
    groups_.push_back(g);
    key_length_ = g.offset + g.length;
    if (g.code == 'D') all_ascending_ = false;
  }
  for (const KeyGroup& g : groups_) {
    for (int64_t b = g.offset; b < g.offset + g.length && b < 8; ++b) {
      uint64_t byte_mask = uint64_t{0xFF} << (8 * (7 - b));
      keep_ |= byte_mask;
      if (g.code == 'D') flip_ |= byte_mask;
    }
  }
  std::vector<bool> descending(static_cast<size_t>(key_length_), false);
  for (const KeyGroup& g : groups_)
    for (int64_t b = g.offset; b < g.offset + g.length; ++b)
      descending[static_cast<size_t>(b)] = g.code == 'D';
  flips_.assign(static_cast<size_t>(key_length_), 0);
  for (int64_t at = 0; at < key_length_; ++at)
    for (int64_t k = 0; k < 8 && at + k < key_length_; ++k)
      if (descending[static_cast<size_t>(at + k)])
        flips_[static_cast<size_t>(at)] |= uint64_t{0xFF} << (8 * (7 - k));
}

uint64_t KeyComparer::PrefixAt(const uint8_t* record, int64_t offset) const {
  const int64_t left = key_length_ - offset;
  if (left <= 0) return 0;
  uint64_t raw = 0;
  std::memcpy(&raw, record + offset, static_cast<size_t>(left < 8 ? left : 8));
  uint64_t value = __builtin_bswap64(raw) ^ flips_[static_cast<size_t>(offset)];
  return left < 8 ? value & (~uint64_t{0} << (8 * (8 - left))) : value;
}

int KeyComparer::CompareRest(const uint8_t* a, const uint8_t* b) const {
  if (key_length_ <= 8) return 0;
  if (all_ascending_) return std::memcmp(a + 8, b + 8, static_cast<size_t>(key_length_ - 8));
  for (const KeyGroup& g : groups_) {
    int64_t end = g.offset + g.length;
    if (end <= 8) continue;
    int64_t start = std::max<int64_t>(8, g.offset);
    int r = std::memcmp(a + start, b + start, static_cast<size_t>(end - start));
    if (r != 0) return g.code == 'A' ? r : -r;
  }
  return 0;
}

int KeyComparer::Compare(const uint8_t* a, const uint8_t* b) const {
  uint64_t pa = Prefix(a), pb = Prefix(b);
  if (pa != pb) return pa < pb ? -1 : 1;
  return CompareRest(a, b);
}

}  // namespace kvt::engine
