#include "util/status_follower.h"

#include "frontlib/cls_file.h"
#include "frontlib/shared_routines.h"

namespace kvt::util {

using kvt::front::clsFile;

bool StatusFollower::ensureOpen(const std::string& statusPath) {
  if (!isOpen()) {
    clsFile().openStatusFile(statusPath);
    position_ = 1;
  }
  return isOpen();
}

bool StatusFollower::isOpen() const { return clsFile::statusBlock().state == 1; }

std::vector<StatusRecord> StatusFollower::readNew() {
  std::vector<StatusRecord> records;
  if (!isOpen()) return records;
  kvt::front::FileBlock& block = clsFile::statusBlock();
  const int64_t length = kvt::front::filLength(block);
  // Only whole records: the engine writes each one in a single piece, but a read may still
  // meet the file between two of its writes.
  while (position_ + StatusRecord::kLength - 1 <= length) {
    block.position = position_;
    clsFile().statusGet();
    records.emplace_back(clsFile::statusRec());
    position_ += StatusRecord::kLength;
  }
  return records;
}

StatusRecord StatusFollower::readFirst(const std::string& statusPath) {
  ensureOpen(statusPath);
  position_ = 1;
  if (!isOpen()) return StatusRecord();
  clsFile::statusBlock().position = 1;
  clsFile().statusGet();
  return StatusRecord(clsFile::statusRec());
}

void StatusFollower::close() {
  clsFile().StatusClose();
  position_ = 1;
}

void ProgressTracker::reset() {
  timing_ = false;
  seen_ = false;
  last_ = StatusRecord();
}

void ProgressTracker::refreshRunTime(const std::string& now, ProgressFields& fields) const {
  if (!timing_ || !seen_) return;
  fields.sortTime = shownSeconds(elapsedSeconds(last_.startTime(), now));
}

void ProgressTracker::apply(const StatusRecord& record, ProgressFields& fields) {
  seen_ = true;
  last_ = record;
  using formats::StatusType;
  const std::optional<StatusType> type = record.kind();
  if (!type) return;
  if (*type == StatusType::kEnd) {
    // The engine's own total running time.
    if (timing_)
      fields.sortTime = shownSeconds(elapsedSeconds(record.startTime(), record.endTime()));
    timing_ = false;
    return;
  }
  timing_ = true;
  const QString pair = record.firstNumber() + "(" + record.secondNumber() + ")";
  if (*type == StatusType::kPartition) fields.sortStatus = pair;
  if (*type == StatusType::kMerge) fields.mergeStatus = pair;
  if (*type == StatusType::kChunk)
    fields.workFiles = record.secondNumber() + "(" + record.thirdNumber() + ")";
}

QString shownSeconds(int seconds) {
  return QString::fromStdString(kvt::front::numberText(seconds));
}

}  // namespace kvt::util
