// Return codes of kv02sort for jobs that end before the engine runs. Each has its text in
// ErrText.txt of the main directory; the engine's own codes (0, 1, 101 ... 142) pass through.
#pragma once

namespace kvt::jobfront {

inline constexpr int kRcOk = 0;
inline constexpr int kRcBadCommandLine = 2;   // an unknown option, or no control file
inline constexpr int kRcNoMemory = 131;       // too little physical memory for the job
inline constexpr int kRcPartialRecord = 133;  // input length is not a whole number of records
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
inline constexpr int kRcCollatingUnreadable = 141;  // the engine's code: a .sor that is no file
inline constexpr int kRcProductFile = 171;          // INFILE or OUTFILE names a file of the product
                                                    // or a work file of the job
inline constexpr int kRcOutputNotAFile = 172;       // OUTFILE is a folder, device, FIFO or socket
inline constexpr int kRcWorkFolderLocked = 173;     // the work folder's lock cannot be used
inline constexpr int kRcWaitLimit = 174;  // waited longer than --wait-limit for another job
inline constexpr int kRcControlFileUnreadable = 175;    // cannot be read, or too large
inline constexpr int kRcNotANumber = 176;               // a numeric [FILE] value is no number
inline constexpr int kRcCollatingNotPermutation = 177;  // the .sor would change record bytes
inline constexpr int kRcTooFewHandles = 178;            // too few file handles for a job
inline constexpr int kRcStoppedByUser = 180;            // the user stopped the running job

// The engine's record buffers hold at most this many bytes per record.
inline constexpr int kMaxRecordLength = 10000;

}  // namespace kvt::jobfront
