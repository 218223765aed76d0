// The status file: 64-character records that the utility polls while the engine runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "formats/status_record.h"
#include "platform/file_system.h"

namespace kvt::engine {

inline constexpr int kStatusRecordSize = static_cast<int>(formats::kStatusRecordBytes);

using formats::StatusType;

// Every record is written in one piece, so a reader on this machine sees it whole at once; only
// the end record must survive a crash, so the file is committed to disk at most about once a
// second while the run goes on, and always at its end.
class StatusFile {
 public:
  // Milliseconds of a steady clock; the default reads the system's monotonic clock.
  using Clock = std::function<int64_t()>;
  StatusFile();
  explicit StatusFile(Clock clock) : clock_(std::move(clock)) {}
  StatusFile(const StatusFile&) = delete;
  StatusFile& operator=(const StatusFile&) = delete;
  ~StatusFile() { Close(); }

  // Creates or empties the file; false when it cannot be opened (the run goes on without it).
  bool Open(const std::string& path, platform::FileSystem& files = platform::FileSystem::Default());
  // The start record at offset 0; remembers the start time for the later records.
  void WriteStart();
  // A chunk, partition or merge record at the end of the file.
  void WriteProgress(StatusType type, int64_t first, int64_t second, int64_t third);
  // Rewrites offset 0 with the end record.
  void WriteEnd(const std::string& partition_text, int64_t merge_pairs, int return_code);
  void Close();
  bool is_open() const { return file_ != nullptr; }
  // Commits to disk so far (for tests of the commit policy).
  int64_t commits() const { return commits_; }

  static std::string FormatStart(const std::string& start_time) {
    return formats::FormatStatusStart(start_time);
  }
  static std::string FormatProgress(StatusType type, int64_t first, int64_t second, int64_t third,
                                    const std::string& start_time) {
    return formats::FormatStatusProgress(type, first, second, third, start_time);
  }
  static std::string FormatEnd(const std::string& partition_text, int64_t merge_pairs,
                               int return_code, const std::string& start_time,
                               const std::string& end_time) {
    return formats::FormatStatusEnd(partition_text, merge_pairs, return_code, start_time, end_time);
  }

 private:
  // One write of the whole record; a commit to disk when `commit` is set or a second has passed
  // since the last one.
  void Put(const std::string& record, int64_t offset, bool commit);

  Clock clock_;
  int64_t last_commit_ms_ = 0;
  int64_t commits_ = 0;
  std::unique_ptr<platform::File> file_;
  int64_t end_ = 0;
  std::string start_time_ = "000000";
};

}  // namespace kvt::engine
