#include "engine/status_writer.h"

#include <chrono>

#include "engine/decimal.h"
#include "platform/clock.h"

namespace kvt::engine {

namespace {

const std::string kTrailingBlanks(28, ' ');
constexpr int64_t kCommitIntervalMs = 1000;

int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string TypeText(StatusType type) { return ZeroPadded(static_cast<int>(type), 3); }

}  // namespace

std::string StatusFile::FormatStart(const std::string& start_time) {
  return "000000000000" + start_time + "      " + "000000000000" + kTrailingBlanks;
}

std::string StatusFile::FormatProgress(StatusType type, int64_t first, int64_t second,
                                       int64_t third, const std::string& start_time) {
  return StatusNumber(first) + StatusNumber(second) + start_time + StatusNumber(third) +
         TypeText(type) + "000000" + TypeText(type) + kTrailingBlanks;
}

std::string StatusFile::FormatEnd(const std::string& partition_text, int64_t merge_pairs,
                                  int return_code, const std::string& start_time,
                                  const std::string& end_time) {
  std::string text = partition_text.substr(0, 3);
  text.append(3 - text.size(), '0');
  std::string pairs = ZeroPadded(merge_pairs, 3).substr(0, 3);
  std::string code = ZeroPadded(return_code, 3).substr(0, 3);
  return "000" + text + "000" + pairs + start_time + end_time + code + "000000" + "003" +
         kTrailingBlanks;
}

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
