// The names of the files the programs share: the fixed files of the main directory, the
// programs, the work files a sort leaves under its prefix and the temporary name of an output
// while it is written. Every program takes the names from here, so a check for "one of ours"
// and the program that makes the file cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kvt::formats {

// Files of the main directory.
inline constexpr char kControlRecordName[] = "kvtsort.ctl";
inline constexpr char kStatusFileName[] = "kvtsort.sts";
inline constexpr char kLogFileName[] = "kvtsort.log";
inline constexpr char kTraceFileName[] = "kvtsort.trc";
inline constexpr char kOldLogName[] = "kvtsort.old";
inline constexpr char kJobLockName[] = "kvtsort.lck";
inline constexpr char kErrTextName[] = "ErrText.txt";
inline constexpr char kMessagesName[] = "kvtmsg.txt";
inline constexpr char kInstallConfigName[] = "kvtinst.cfg";
inline constexpr char kInstallLogName[] = "Install.log";
inline constexpr char kDeliveredCleanupName[] = "install.wrk";
inline constexpr char kCleanupName[] = "kvtclean";
// The programs.
inline constexpr char kEngineName[] = "kvtsorts";
inline constexpr char kFrontEndName[] = "kv02sort";
inline constexpr char kUtilityName[] = "KVTUtil";
inline constexpr char kInstallerName[] = "KVTInst";
inline constexpr char kUninstallerName[] = "KVUninst";

// The lock of a work folder, beside the work files.
inline constexpr char kWorkLockName[] = "kvtwork.lck";

// Every fixed name of the main directory that no job may read or write as its own file.
inline constexpr const char* kReservedNames[] = {
    kControlRecordName,    kStatusFileName, kLogFileName,  kTraceFileName,     kOldLogName,
    kJobLockName,          kErrTextName,    kMessagesName, kInstallConfigName, kInstallLogName,
    kDeliveredCleanupName, kCleanupName,    kEngineName,   kFrontEndName,      kUtilityName,
    kInstallerName,        kUninstallerName};

// The log's saved copies: kvtsortLog.001 ... kvtsortLog.999.
inline constexpr char kSavedLogHead[] = "kvtsortLog.";
bool IsSavedLogName(std::string_view name);

#ifdef _WIN32
// Windows finds a file whatever the case of its name, and starts a program named without its
// ".exe": each such spelling reaches the product's file.
inline constexpr bool kWindowsNames = true;
#else
inline constexpr bool kWindowsNames = false;
#endif

// The product's programs are the reserved names without an extension.
bool IsProgramName(std::string_view reserved);

// True for a fixed name above or a saved log, in any spelling that reaches it.
bool IsReservedName(std::string_view name);

// prefix + "tmp" + pass (3 digits) + file number (3 digits) + ".WRK".
std::string WorkFileName(const std::string& prefix, int64_t pass, int64_t number);

// True for a name WorkFileName makes under a prefix whose file-name part is name_prefix (the
// numbers may have grown beyond three digits each).
bool IsWorkFileName(std::string_view name, std::string_view name_prefix);

// The name an output is written under until it is complete and renamed over the output.
inline constexpr char kTemporaryOutputSuffix[] = ".kvttmp";
std::string TemporaryOutputPath(const std::string& output_path);

}  // namespace kvt::formats
