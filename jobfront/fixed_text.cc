#include "jobfront/fixed_text.h"

namespace kvt::jobfront {

std::string lastChars(const std::string& text, size_t width) {
  return text.size() <= width ? text : text.substr(text.size() - width);
}

std::string zeroPadded(int64_t value, size_t width) {
  return lastChars(std::string(width, '0') + std::to_string(value), width);
}

std::string fitted(const std::string& text, size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, ' ');
  return out;
}

std::string lengthPrefixed(const std::string& text) {
  return zeroPadded(static_cast<int64_t>(text.size()), 4) + text;
}

}  // namespace kvt::jobfront
