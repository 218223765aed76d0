// Follows kvtsort.sts while the engine appends to it, and keeps the progress fields of the
// "Status" frame up to date from the records it reads.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "util/sort_status.h"

namespace kvt::util {

// Reads the status file through the program's one status reader (clsFile).
class StatusFollower {
 public:
  // Opens the file when it exists and the reader is closed; position 1. True when open.
  bool ensureOpen(const std::string& statusPath);
  bool isOpen() const;
  // The complete records appended since the last call.
  std::vector<StatusRecord> readNew();
  // The record at position 1: the engine's end record once the run is over; blank when no
  // status file was written.
  StatusRecord readFirst(const std::string& statusPath);
  void close();
  int64_t position() const { return position_; }

 private:
  int64_t position_ = 1;
};

struct ProgressFields {
  QString sortStatus;   // txtSortStatus: partition records
  QString mergeStatus;  // txtMergeStatus: merge records
  QString workFiles;    // txtWFiles: chunk records
  QString sortTime;     // txtSortTime: seconds
};

// Turns status records into the shown progress; knows whether the engine is timing a run.
class ProgressTracker {
 public:
  void reset();
  bool timing() const { return timing_; }
  // Refreshes the running time from the start time of the last record read.
  void refreshRunTime(const std::string& now, ProgressFields& fields) const;
  // Applies one record in the order read.
  void apply(const StatusRecord& record, ProgressFields& fields);
  bool anyRecordSeen() const { return seen_; }

 private:
  bool timing_ = false;
  bool seen_ = false;
  StatusRecord last_;
};

// The elapsed seconds as the window shows them: a leading blank for values not below 0.
QString shownSeconds(int seconds);

}  // namespace kvt::util
