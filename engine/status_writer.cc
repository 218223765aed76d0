#include "engine/status_writer.h"

#include <chrono>

#include "platform/clock.h"

namespace kvt::engine {

namespace {

constexpr int64_t kCommitIntervalMs = 1000;

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

StatusFile::StatusFile() : clock_(SteadyMilliseconds) {}

bool StatusFile::Open(const std::string& path, platform::FileSystem& files) {
  Close();
  files.Open(path, platform::OpenMode::kTruncate, &file_);
  end_ = 0;
  last_commit_ms_ = clock_();
  return file_ != nullptr;
}

void StatusFile::WriteStart() {
  start_time_ = platform::NowLocal().time;
  Put(FormatStart(start_time_), 0, false);
  end_ = kStatusRecordSize;
}

void StatusFile::WriteProgress(StatusType type, int64_t first, int64_t second, int64_t third) {
  if (type != StatusType::kChunk && type != StatusType::kPartition && type != StatusType::kMerge)
    return;
  Put(FormatProgress(type, first, second, third, start_time_), end_, false);
  end_ += kStatusRecordSize;
}

void StatusFile::WriteEnd(const std::string& partition_text, int64_t merge_pairs, int return_code) {
  std::string end_time = platform::NowLocal().time;
  Put(FormatEnd(partition_text, merge_pairs, return_code, start_time_, end_time), 0, true);
  if (end_ < kStatusRecordSize) end_ = kStatusRecordSize;
}

void StatusFile::Put(const std::string& record, int64_t offset, bool commit) {
  if (file_ == nullptr) return;
  // Write errors on the status file do not change the run's result.
  if (!file_->WriteAt(offset, record.data(), record.size()).ok()) return;
  int64_t now = clock_();
  if (!commit && now - last_commit_ms_ < kCommitIntervalMs) return;
  file_->Sync();
  last_commit_ms_ = now;
  ++commits_;
}

void StatusFile::Close() { file_.reset(); }

}  // namespace kvt::engine
