#include "formats/fixed_fields.h"

#include <cctype>
#include <limits>

namespace kvt::formats {

int64_t ParseDecimal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    if (value > (kMax - digit) / 10) {
      value = kMax;
      continue;
    }
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

std::string ZeroPadded(int64_t value, int width) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
  return value < 0 ? "-" + digits : digits;
}

std::string ZeroPaddedCut(int64_t value, size_t width) {
  return LastChars(std::string(width, '0') + std::to_string(value), width);
}

std::string LastChars(std::string_view text, size_t width) {
  return std::string(text.size() <= width ? text : text.substr(text.size() - width));
}

std::string Fitted(std::string_view text, size_t width) {
  std::string out(text.substr(0, width));
  out.resize(width, ' ');
  return out;
}

std::string_view FieldAt(std::string_view data, size_t offset, size_t width) {
  if (offset >= data.size()) return {};
  return data.substr(offset, width);
}

}  // namespace kvt::formats
