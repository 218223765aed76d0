#include "formats/status_record.h"

#include "formats/fixed_fields.h"

namespace kvt::formats {

namespace {

const std::string kTrailingBlanks(28, ' ');
const std::string kZeroNumber = "000000";

}  // namespace

std::string StatusTypeText(StatusType type) { return ZeroPadded(static_cast<int>(type), 3); }

std::optional<StatusType> StatusTypeOf(std::string_view text) {
  for (StatusType type : {StatusType::kStart, StatusType::kPartition, StatusType::kMerge,
                          StatusType::kEnd, StatusType::kChunk}) {
    if (text == StatusTypeText(type)) return type;
  }
  return std::nullopt;
}

std::string StatusNumber(int64_t value) {
  std::string digits = std::to_string(value < 0 ? 0 : value);
  if (digits.size() > 5) digits.resize(5);
  return std::string(6 - digits.size(), '0') + digits;
}

std::string FormatStatusStart(const std::string& start_time) {
  return kZeroNumber + kZeroNumber + start_time + "      " + kZeroNumber + kZeroNumber +
         kTrailingBlanks;
}

std::string FormatStatusProgress(StatusType type, int64_t first, int64_t second, int64_t third,
                                 const std::string& start_time) {
  return StatusNumber(first) + StatusNumber(second) + start_time + StatusNumber(third) +
         StatusTypeText(type) + kZeroNumber + StatusTypeText(type) + kTrailingBlanks;
}

std::string FormatStatusEnd(const std::string& partition_text, int64_t merge_pairs, int return_code,
                            const std::string& start_time, const std::string& end_time) {
  std::string text = partition_text.substr(0, 3);
  text.append(3 - text.size(), '0');
  std::string pairs = ZeroPadded(merge_pairs, 3).substr(0, 3);
  std::string code = ZeroPadded(return_code, 3).substr(0, 3);
  return "000" + text + "000" + pairs + start_time + end_time + code + kZeroNumber +
         StatusTypeText(StatusType::kEnd) + kTrailingBlanks;
}

}  // namespace kvt::formats
