// Return codes of kv02sort for jobs that end before the engine runs. Each has its text in
// ErrText.txt of the main directory; the engine's own codes (0, 1, 101 ... 143) pass through.
#pragma once

#include "formats/engine_control_record.h"
#include "formats/return_codes.h"

namespace kvt::jobfront {

using formats::kRcBadCommandLine;
using formats::kRcCollatingNotPermutation;
using formats::kRcControlFileMissing;
using formats::kRcControlFileUnreadable;
using formats::kRcEngineStartFailed;
using formats::kRcFieldsIncorrect;
using formats::kRcInfileMissingKey;
using formats::kRcInputMissing;
using formats::kRcInvalidVersion;
using formats::kRcNoMainDirectory;
using formats::kRcNoMemory;
using formats::kRcNotANumber;
using formats::kRcOk;
using formats::kRcOutfileMissingKey;
using formats::kRcOutputNotAFile;
using formats::kRcPartialRecord;
using formats::kRcProductFile;
using formats::kRcReclenMissing;
using formats::kRcReclenOutOfRange;
using formats::kRcRecordNotWritten;
using formats::kRcStoppedByUser;
using formats::kRcTooFewHandles;
using formats::kRcWaitLimit;
using formats::kRcWorkFolderLocked;
// The engine's code: a .sor that is no file.
inline constexpr int kRcCollatingUnreadable = formats::kRcCollatingOpenFailed;

// The engine's record buffers hold at most this many bytes per record.
inline constexpr int kMaxRecordLength = static_cast<int>(formats::kMaxRecordLength);

}  // namespace kvt::jobfront
