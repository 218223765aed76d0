// Return codes of a sort run: the process exit code and the code in the end status record.
#pragma once

namespace kvt::engine {

inline constexpr int kOk = 0;
inline constexpr int kTooFewRecords = 1;       // fewer than 2 whole records, or no input
inline constexpr int kBadControlRecord = 101;  // control record unreadable, malformed or impossible
inline constexpr int kBadInputSize = 109;      // input size not a multiple of the record length
inline constexpr int kChunkReadFailed = 113;   // no record at the start of a chunk
inline constexpr int kCreateFailed = 114;      // work file or output cannot be created
inline constexpr int kChunkWriteFailed =
    115;  // record not written completely while writing a chunk
inline constexpr int kMergeCreateFailed = 130;  // merge output cannot be created
inline constexpr int kMergeOpenFailed = 131;    // merge input cannot be opened or read
inline constexpr int kMergeWriteFailed = 132;   // merged record not written completely
inline constexpr int kCollatingOpenFailed = 141;
inline constexpr int kCollatingTooShort = 142;
inline constexpr int kCollatingNotPermutation = 143;  // the tables do not give back every byte
inline constexpr int kOutOfMemory = 150;              // the sort buffers cannot be allocated

}  // namespace kvt::engine
