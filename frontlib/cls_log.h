// clsLog: writes fixed 142-byte log lines and reads the log backwards, newest line first.
#pragma once

#include <cstdint>
#include <string>

#include "frontlib/file_block.h"

namespace kvt::front {

// The fields of one log line (process-wide: logMsg fills it, getLogLine leaves the line read).
struct LogRecord {
  std::string appl;     // 4
  std::string subAppl;  // 3
  std::string level;    // 1
  std::string date;     // 8, yyyymmdd
  std::string time;     // 6, hhmmss
  std::string msg;      // 118
};

class clsLog {
 public:
  static constexpr int kLineLength = 142;

  // The program's log path (main directory + "kvtsort.log"), used by logMsg when closed.
  static void setProgramLogPath(const std::string& path);
  static const std::string& programLogPath();
  // The one log record of the program.
  static LogRecord& logRec();

  void logOpen(const std::string& p_s_file);
  void logMsg(const std::string& p_s_appl, const std::string& p_s_subAppl,
              const std::string& p_s_level, const std::string& p_s_msg);
  // Next older line into logRec: its count since the last reopen, 0 when there is none,
  // -1 for an indicator that is neither "D" nor "L".
  int getLogLine(const std::string& p_s_appl, const std::string& p_s_Indic,
                 const std::string& p_s_file);
  void CloseLog();
  // Count of lines returned since the last reopen (the log viewer resets it to 0).
  void resetCount();
};

}  // namespace kvt::front
