// Fixed-width texts of the engine control record: numbers zero-padded on the left, where a
// value too long for its field keeps its last characters.
#pragma once

#include <cstdint>
#include <string>

namespace kvt::jobfront {

// The last width characters of text (all of it when shorter).
std::string lastChars(const std::string& text, size_t width);
// value as decimal digits, zero-padded on the left to width, cut to its last width digits.
std::string zeroPadded(int64_t value, size_t width);
// text cut or blank-padded on the right to exactly width characters.
std::string fitted(const std::string& text, size_t width);
// 4-digit length followed by the text, as the engine reads its trailer strings.
std::string lengthPrefixed(const std::string& text);

}  // namespace kvt::jobfront
