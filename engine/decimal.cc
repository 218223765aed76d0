#include "engine/decimal.h"

#include <cctype>
#include <limits>

namespace kvt::engine {

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

std::string StatusNumber(int64_t value) {
  std::string digits = std::to_string(value < 0 ? 0 : value);
  if (digits.size() > 5) digits.resize(5);
  return std::string(6 - digits.size(), '0') + digits;
}

}  // namespace kvt::engine
