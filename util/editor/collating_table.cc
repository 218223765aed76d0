#include "util/editor/collating_table.h"

#include <algorithm>

namespace kvt::util {

namespace {

std::string threeDigits(int value) {
  std::string text = "000" + std::to_string(value);
  return text.substr(text.size() - 3);
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

CollatingTable::CollatingTable() {
  for (int i = 0; i < kSize; ++i) entries_[static_cast<size_t>(i)] = static_cast<int16_t>(i);
}

std::pair<int, int> CollatingTable::moveAfter(int source, int target) {
  if (source < 0 || source >= kSize || target < 0 || target >= kSize) return {1, 0};
  auto at = [this](int place) { return entries_.begin() + place; };
  if (source > target) {
    // The entries between the target and the source step one place later.
    std::rotate(at(target + 1), at(source), at(source + 1));
    return {target + 1, source};
  }
  if (source < target) {
    // The entries after the source up to the target step one place earlier.
    std::rotate(at(source), at(source + 1), at(target + 1));
    return {source, target};
  }
  return {1, 0};
}

std::string SortOrderCodec::encode(const CollatingTable& table) {
  std::array<int, CollatingTable::kSize> inverse{};
  std::string text;
  text.reserve(kDigits);
  for (int place = 0; place < CollatingTable::kSize; ++place) {
    const int value = table.entry(place);
    text += threeDigits(value);
    inverse[static_cast<size_t>(value)] = place;
  }
  for (int place : inverse) text += threeDigits(place);
  return text;
}

SortOrderCodec::Result SortOrderCodec::decode(const std::string& text, CollatingTable* table) {
  if (trimmed(text).size() != static_cast<size_t>(kDigits)) return Result::kTooShort;
  std::array<int16_t, CollatingTable::kSize> entries{};
  std::array<bool, CollatingTable::kSize> seen{};
  for (int i = 0; i < CollatingTable::kSize; ++i) {
    const std::string group = text.substr(static_cast<size_t>(3 * i), 3);
    if (!std::all_of(group.begin(), group.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return Result::kNotDigits;
    const int value = std::stoi(group);
    if (value >= CollatingTable::kSize) return Result::kOutOfRange;
    if (seen[static_cast<size_t>(value)]) return Result::kNotPermutation;
    seen[static_cast<size_t>(value)] = true;
    entries[static_cast<size_t>(i)] = static_cast<int16_t>(value);
  }
  table->entries_ = entries;
  return Result::kOk;
}

}  // namespace kvt::util
