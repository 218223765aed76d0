// Return codes of a sort run: the process exit code and the code in the end status record.
#pragma once

#include "formats/return_codes.h"

namespace kvt::engine {

inline constexpr int kOk = formats::kRcOk;
inline constexpr int kTooFewRecords = formats::kRcTooFewRecords;
inline constexpr int kBadControlRecord = formats::kRcBadControlRecord;
inline constexpr int kBadInputSize = formats::kRcBadInputSize;
inline constexpr int kChunkReadFailed = formats::kRcChunkReadFailed;
inline constexpr int kCreateFailed = formats::kRcCreateFailed;
inline constexpr int kChunkWriteFailed = formats::kRcChunkWriteFailed;
inline constexpr int kMergeCreateFailed = formats::kRcMergeCreateFailed;
inline constexpr int kMergeOpenFailed = formats::kRcMergeOpenFailed;
inline constexpr int kMergeWriteFailed = formats::kRcMergeWriteFailed;
inline constexpr int kCollatingOpenFailed = formats::kRcCollatingOpenFailed;
inline constexpr int kCollatingTooShort = formats::kRcCollatingTooShort;
inline constexpr int kCollatingNotPermutation = formats::kRcCollatingNoInverse;
inline constexpr int kOutOfMemory = formats::kRcOutOfMemory;

// Never leaves the engine: a work file an earlier run left did not read back as it was written,
// so the run starts afresh.
inline constexpr int kReusedWorkFileDamaged = -1;

}  // namespace kvt::engine
