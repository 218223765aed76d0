// Return codes of kv02sort for jobs that end before the engine runs. Each has its text in
// ErrText.txt of the main directory; the engine's own codes (0, 1, 101 ... 142) pass through.
#pragma once

namespace kvt::jobfront {

inline constexpr int kRcOk = 0;
inline constexpr int kRcBadCommandLine = 2;    // an unknown option, or no control file
inline constexpr int kRcNoMemory = 131;           // too little physical memory for the job
inline constexpr int kRcPartialRecord = 133;      // input length is not a whole number of records
inline constexpr int kRcControlFileMissing = 160;
inline constexpr int kRcInfileMissingKey = 161;
inline constexpr int kRcInputMissing = 162;
inline constexpr int kRcOutfileMissingKey = 163;
inline constexpr int kRcInvalidVersion = 164;
inline constexpr int kRcReclenMissing = 165;
inline constexpr int kRcReclenOutOfRange = 166;
inline constexpr int kRcFieldsIncorrect = 167;
inline constexpr int kRcRecordNotWritten = 168;
inline constexpr int kRcEngineStartFailed = 169;
inline constexpr int kRcNoMainDirectory = 170;
inline constexpr int kRcProductFile = 171;        // INFILE or OUTFILE names a file of the product
inline constexpr int kRcControlFileUnreadable = 175;  // cannot be read, or too large
inline constexpr int kRcNotANumber = 176;             // a numeric [FILE] value is no number
inline constexpr int kRcStoppedByUser = 180;          // the user stopped the running job

// The engine's record buffers hold at most this many bytes per record.
inline constexpr int kMaxRecordLength = 10000;

}  // namespace kvt::jobfront
