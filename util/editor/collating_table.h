// The collating sequence of a user-defined sort order and its 1536-digit sort-order file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kvt::util {

// Entry i is the byte value that takes place i in the sort order. The identity table is the
// binary order. The table is always a permutation of 0..255: it is only ever loaded from a
// checked file or changed by moving one entry.
class CollatingTable {
 public:
  static constexpr int kSize = 256;

  CollatingTable();  // the binary order
  static CollatingTable binary() { return CollatingTable(); }

  int16_t entry(int place) const { return entries_[static_cast<size_t>(place)]; }
  const std::array<int16_t, kSize>& entries() const { return entries_; }

  // Moves the entry at place source so that it stands directly after the entry at place
  // target. Returns the first and last place that changed (first > last when nothing moved).
  std::pair<int, int> moveAfter(int source, int target);

  bool operator==(const CollatingTable& other) const = default;

 private:
  friend class SortOrderCodec;
  std::array<int16_t, kSize> entries_{};
};

// Reading and writing the sort-order file: 256 three-digit groups holding the table, then 256
// holding its inverse (the place of each byte value), no separators, no line end.
class SortOrderCodec {
 public:
  static constexpr int kDigits = 1536;

  enum class Result {
    kOk,
    kCannotOpen,      // the file is missing or cannot be read
    kTooShort,        // fewer than 1536 non-blank characters: ignored without a word
    kNotDigits,       // a group that is not three decimal digits
    kOutOfRange,      // a value above 255
    kNotPermutation,  // some byte value appears twice in the first half
  };

  static std::string encode(const CollatingTable& table);
  // Decodes the first half of text; table is changed only when the result is kOk.
  static Result decode(const std::string& text, CollatingTable* table);
};

}  // namespace kvt::util
