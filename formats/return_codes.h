// The return codes of the programs: the engine's exit code and the code of its end status
// record, which the front-end passes on, and the front-end's own codes for jobs it ends before
// the engine runs. ErrText.txt of the main directory has one line per code, "NNN text".
#pragma once

namespace kvt::formats {

inline constexpr int kRcOk = 0;
inline constexpr int kRcTooFewRecords = 1;        // fewer than 2 whole records, or no input
inline constexpr int kRcBadCommandLine = 2;       // an unknown option, or no control file
inline constexpr int kRcBadControlRecord = 101;   // unreadable, malformed or impossible
inline constexpr int kRcBadInputSize = 109;       // input size not a multiple of the record length
inline constexpr int kRcChunkReadFailed = 113;    // no record at the start of a chunk
inline constexpr int kRcCreateFailed = 114;       // work file or output cannot be created
inline constexpr int kRcChunkWriteFailed = 115;   // a record not written whole to a chunk
inline constexpr int kRcMergeCreateFailed = 130;  // merge output cannot be created
// The engine: a merge input cannot be opened or read. The front-end: too little physical
// memory for the job. One line of ErrText.txt says both.
inline constexpr int kRcMergeOpenFailed = 131;
inline constexpr int kRcNoMemory = 131;
inline constexpr int kRcMergeWriteFailed = 132;     // merged record not written completely
inline constexpr int kRcPartialRecord = 133;        // input length is not a whole number of records
inline constexpr int kRcCollatingOpenFailed = 141;  // also a .sor that is no file
inline constexpr int kRcCollatingTooShort = 142;
inline constexpr int kRcCollatingNoInverse = 143;  // the tables do not give back every byte
inline constexpr int kRcOutOfMemory = 150;         // the sort buffers cannot be allocated
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
inline constexpr int kRcProductFile = 171;       // INFILE or OUTFILE names a file of the product
                                                 // or a work file of the job
inline constexpr int kRcOutputNotAFile = 172;    // OUTFILE is a folder, device, FIFO or socket
inline constexpr int kRcWorkFolderLocked = 173;  // the work folder's lock cannot be used
inline constexpr int kRcWaitLimit = 174;         // waited longer than --wait-limit for another job
inline constexpr int kRcControlFileUnreadable = 175;    // cannot be read, or too large
inline constexpr int kRcNotANumber = 176;               // a numeric [FILE] value is no number
inline constexpr int kRcCollatingNotPermutation = 177;  // the .sor would change record bytes
inline constexpr int kRcTooFewHandles = 178;            // too few file handles for a job
inline constexpr int kRcStoppedByUser = 180;            // the user stopped the running job

// Every code above once, each with its line in ErrText.txt.
inline constexpr int kAllReturnCodes[] = {kRcOk,
                                          kRcTooFewRecords,
                                          kRcBadCommandLine,
                                          kRcBadControlRecord,
                                          kRcBadInputSize,
                                          kRcChunkReadFailed,
                                          kRcCreateFailed,
                                          kRcChunkWriteFailed,
                                          kRcMergeCreateFailed,
                                          kRcMergeOpenFailed,
                                          kRcMergeWriteFailed,
                                          kRcPartialRecord,
                                          kRcCollatingOpenFailed,
                                          kRcCollatingTooShort,
                                          kRcCollatingNoInverse,
                                          kRcOutOfMemory,
                                          kRcControlFileMissing,
                                          kRcInfileMissingKey,
                                          kRcInputMissing,
                                          kRcOutfileMissingKey,
                                          kRcInvalidVersion,
                                          kRcReclenMissing,
                                          kRcReclenOutOfRange,
                                          kRcFieldsIncorrect,
                                          kRcRecordNotWritten,
                                          kRcEngineStartFailed,
                                          kRcNoMainDirectory,
                                          kRcProductFile,
                                          kRcOutputNotAFile,
                                          kRcWorkFolderLocked,
                                          kRcWaitLimit,
                                          kRcControlFileUnreadable,
                                          kRcNotANumber,
                                          kRcCollatingNotPermutation,
                                          kRcTooFewHandles,
                                          kRcStoppedByUser};

}  // namespace kvt::formats
