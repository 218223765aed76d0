// Starting a new log (kvtsort.log moved to kvtsort.old) and saving the current log under the
// first free name kvtsortLog.001 to kvtsortLog.999.
#pragma once

#include <QString>
#include <optional>
#include <string>

#include "util/message_line.h"

namespace kvt::util {

struct ArchiveResult {
  QString text;
  std::optional<MsgColour> colour;  // none: the message line keeps its colour
};

class LogArchive {
 public:
  static constexpr int kMaxSaved = 999;

  explicit LogArchive(std::string logPath) : logPath_(std::move(logPath)) {}

  // The log path without its last 3 characters, then "old".
  std::string oldLogPath() const;
  // The log path without its last 4 characters, "Log.", then n as 3 digits.
  std::string numberedLogPath(int n) const;
  // First n in 1..999 whose numbered name is free; none when all are taken.
  std::optional<int> firstFreeNumber() const;

  // Deletes kvtsort.old and renames the log to it. The caller has closed the log.
  ArchiveResult startNewLog() const;
  // Copies the log to the first free numbered name and deletes it. The caller has closed
  // the log.
  ArchiveResult saveCurrentLog() const;

 private:
  std::string logPath_;
};

}  // namespace kvt::util
