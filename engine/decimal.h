// Decimal conversion of the fixed-width number fields of the engine's files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvt::engine {

// Leading blanks skipped, optional sign, digits up to the first non-digit; no digits give 0.
// Saturates instead of overflowing.
int64_t ParseDecimal(std::string_view text);

// value with at least `width` digits, zero-padded on the left ("007"; 1234 stays "1234").
std::string ZeroPadded(int64_t value, int width);

// The six-character number of a status record: with d the digit count of value capped at 5,
// 6 - d zeros followed by the first d digits (7 -> 000007, 123456 -> 012345).
std::string StatusNumber(int64_t value);

}  // namespace kvt::engine
