// The status file kvtsort.sts: 64-character records the engine writes while it runs and the
// utility polls. The record at offset 0 is the start record, rewritten as the end record when
// the run ends; chunk, partition and merge records follow it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvt::formats {

inline constexpr size_t kStatusRecordBytes = 64;

// The record types as the type field spells them ("000" ... "004").
enum class StatusType { kStart = 0, kPartition = 1, kMerge = 2, kEnd = 3, kChunk = 4 };

// How many sorted files one merge joins; the utility needs it to foresee the merge passes.
inline constexpr int kMergeFanIn = 8;

// A field of the record: 1-based position, as the record layout counts, and width.
struct StatusField {
  int position;
  int width;
};
inline constexpr StatusField kStatusFirstNumber{1, 6};
inline constexpr StatusField kStatusSecondNumber{7, 6};
inline constexpr StatusField kStatusStartTime{13, 6};
inline constexpr StatusField kStatusThirdNumber{19, 6};  // progress records
inline constexpr StatusField kStatusEndTime{19, 6};      // the end record
inline constexpr StatusField kStatusReturnCode{25, 3};   // the end record
inline constexpr StatusField kStatusType{34, 3};

// "000" for kStart ... "004" for kChunk.
std::string StatusTypeText(StatusType type);
// The type a type field names; nothing for any other text.
std::optional<StatusType> StatusTypeOf(std::string_view text);

// The six-character number of a record: with d the digit count of value capped at 5, 6 - d
// zeros followed by the first d digits (7 -> 000007, 123456 -> 012345).
std::string StatusNumber(int64_t value);

// The records; times are HHMMSS.
std::string FormatStatusStart(const std::string& start_time);
// A chunk, partition or merge record.
std::string FormatStatusProgress(StatusType type, int64_t first, int64_t second, int64_t third,
                                 const std::string& start_time);
// partition_text: the control record's partition field, of which the first 3 characters count.
std::string FormatStatusEnd(const std::string& partition_text, int64_t merge_pairs, int return_code,
                            const std::string& start_time, const std::string& end_time);

}  // namespace kvt::formats
