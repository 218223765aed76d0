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

  // Opens (creating if missing) the log; later reading returns the lines present now.
  void logOpen(const std::string& p_s_file);
  // Appends one 142-byte line at the file's end as it is when written, opening the program's
  // log first when no log is open. CR and LF inside the fields become blanks.
  void logMsg(const std::string& p_s_appl, const std::string& p_s_subAppl,
              const std::string& p_s_level, const std::string& p_s_msg);
  // Next older line into logRec: its count since the last reopen, 0 when there is none,
  // -1 for an indicator that is neither "D" nor "L" ("D" gives 0). Lines of any length are
  // read (fields cut to their widths); text after the last CR LF is no line.
  int getLogLine(const std::string& p_s_appl, const std::string& p_s_Indic,
                 const std::string& p_s_file);
  void CloseLog();
  // Count of lines returned since the last reopen (the log viewer resets it to 0).
  void resetCount();

 private:
  // The program's one log file, its backward read position and line count; every clsLog
  // object of a program shares it.
  struct State;
  static State& state();
};

}  // namespace kvt::front
