// The fixed-width number and text fields every file exchanged between the programs is made of:
// one byte per character, numbers as decimal digits zero-padded on the left.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvt::formats {

// Leading blanks skipped, optional sign, digits up to the first non-digit; no digits give 0.
// Saturates instead of overflowing.
int64_t ParseDecimal(std::string_view text);

// value with at least `width` digits, zero-padded on the left ("007"; 1234 stays "1234").
std::string ZeroPadded(int64_t value, int width);

// value zero-padded on the left and cut to its last `width` digits, so that it always fills its
// field exactly ("0042"; 123456 in 4 gives "3456").
std::string ZeroPaddedCut(int64_t value, size_t width);

// The last width characters of text (all of it when shorter).
std::string LastChars(std::string_view text, size_t width);

// text cut or blank-padded on the right to exactly width characters.
std::string Fitted(std::string_view text, size_t width);

// The field of `width` bytes at `offset`, cut short where the data ends.
std::string_view FieldAt(std::string_view data, size_t offset, size_t width);

}  // namespace kvt::formats
