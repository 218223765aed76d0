#include "util/sort_progress.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

#include "formats/status_record.h"
#include "frontlib/shared_routines.h"

namespace kvt::util {

namespace {

// Where the steps of one chunk end, as shares of the chunk's work: reading it, sorting its
// partitions, merging them in memory, writing it out.
constexpr double kChunkRead = 0.30;
constexpr double kPartitionsSorted = 0.60;
constexpr double kChunkMerged = 0.80;
// Work files merged at once by a merge pass.
constexpr int64_t kFanIn = formats::kMergeFanIn;
// Below 100 % until the window has seen the run succeed.
constexpr double kRunningCap = 0.99;
// The time left is shown once this share is done and this many seconds have passed.
constexpr double kEstimateFrom = 0.05;
constexpr int kEstimateAfterSeconds = 3;
// A merge group followed by the clock stops short of its end until its next record comes.
constexpr double kGroupByClock = 0.9;
// The written bytes of the output count for this share of the last pass; the rest is the
// time the disk takes to take them.
constexpr double kOutputWritten = 0.9;
// Each second the estimated end moves this share of the way to the newest estimate.
constexpr double kSmoothing = 0.3;

int64_t ceilDiv(int64_t a, int64_t b) { return b > 0 ? (a + b - 1) / b : 0; }

// Levels of an in-memory merge that starts with `pairs` run pairs: pairs, pairs/2, ..., 1.
int levelsOf(int64_t pairs) {
  int levels = 0;
  for (int64_t m = pairs; m > 0; m /= 2) ++levels;
  return levels;
}

QString grouped(int64_t n) { return QLocale(QLocale::English).toString(static_cast<qlonglong>(n)); }

}  // namespace

void SortProgress::reset(int64_t totalRecords) {
  *this = SortProgress();
  total_ = std::max<int64_t>(totalRecords, 0);
}

int SortProgress::passCount(int64_t chunks) {
  int passes = 0;
  for (int64_t files = chunks; files > 1; files = ceilDiv(files, kFanIn)) ++passes;
  return passes;
}

void SortProgress::apply(const StatusRecord& record) {
  using formats::StatusType;
  const std::optional<StatusType> type = record.kind();
  if (!type) return;
  if (*type != StatusType::kEnd) startTime_ = record.startTime();
  switch (*type) {
    case StatusType::kChunk:
      applyChunk(record);
      break;
    case StatusType::kPartition:
      applyPartition(record);
      break;
    case StatusType::kMerge:
      applyMerge(record);
      break;
    case StatusType::kEnd:
      if (record.returnCode() != 0) finish(false, record.returnCode());
      break;
    case StatusType::kStart:
      break;
  }
}

// Chunk i of C has been read: partition count, chunk number, chunk count.
void SortProgress::applyChunk(const StatusRecord& record) {
  phase_ = Phase::kChunks;
  chunk_ = record.secondValue();
  chunks_ = std::max(record.thirdValue(), chunk_);
  partitions_ = pairs_ = 0;
  chunkSorted_ = false;
  advanceTo(static_cast<double>(chunk_ - 1) + kChunkRead);
}

// Partition j of P of chunk i is being sorted.
void SortProgress::applyPartition(const StatusRecord& record) {
  const int64_t j = record.firstValue();
  partitions_ = std::max<int64_t>(record.secondValue(), 1);
  const double share = static_cast<double>(std::max<int64_t>(j - 1, 0)) / partitions_;
  advanceTo(static_cast<double>(chunk_ - 1) + kChunkRead +
            (kPartitionsSorted - kChunkRead) * share);
}

// The merge records of a chunk's in-memory levels name the chunk and its pair count; those of
// the merge passes name the output file of the pass, the chunk count and the files left.
bool SortProgress::isInMemoryMerge(int64_t first, int64_t second, int64_t third) const {
  return phase_ == Phase::kChunks && partitions_ > 0 && !chunkSorted_ && first >= 1 &&
         third == chunk_ && second == partitions_ / 2;
}

void SortProgress::applyMerge(const StatusRecord& record) {
  const int64_t first = record.firstValue();
  const int64_t second = record.secondValue();
  const int64_t third = record.thirdValue();
  if (isInMemoryMerge(first, second, third)) {
    pairs_ = second;
    const int levels = levelsOf(pairs_);
    const int level = levels - levelsOf(first);  // 0 for the first level
    if (first <= 1) chunkSorted_ = true;
    advanceTo(static_cast<double>(chunk_ - 1) + kPartitionsSorted +
              (kChunkMerged - kPartitionsSorted) * level / std::max(levels, 1));
    return;
  }
  phase_ = Phase::kMerge;
  if (chunks_ == 0) chunks_ = second;
  // The first group of a pass sees all the files of the previous pass left.
  if (first == 1 || pass_ == 0) {
    ++pass_;
    passInputs_ = std::max<int64_t>(third, 1);
    groups_ = std::max<int64_t>(ceilDiv(passInputs_, kFanIn), 1);
  }
  group_ = first;
  // A group's share of the pass is its share of the files: eight, or the few left at the end.
  const double c = static_cast<double>(chunks_);
  const double consumed = static_cast<double>(std::max<int64_t>(passInputs_ - third, 0));
  groupStart_ = c + c * static_cast<double>(pass_ - 1) + c * consumed / passInputs_;
  groupSize_ = c * static_cast<double>(std::min(third, kFanIn)) / passInputs_;
  groupSeenAt_ = -1;
  advanceTo(groupStart_);
}

void SortProgress::outputWritten(int64_t bytes, int64_t expectedBytes) {
  if (bytes <= 0 || expectedBytes <= 0) return;
  const double share = std::min(1.0, static_cast<double>(bytes) / expectedBytes);
  if (phase_ == Phase::kChunks && chunks_ == 1) {
    advanceTo(kChunkMerged + (1.0 - kChunkMerged) * share * kOutputWritten);
  } else if (phase_ == Phase::kMerge && groups_ == 1) {
    // A pass of one group is the last one: it writes the output.
    advanceTo(groupStart_ + groupSize_ * share * kOutputWritten);
  } else {
    return;
  }
  outputComplete_ = share >= 1.0;
}

void SortProgress::finish(bool success, int returnCode) {
  phase_ = success ? Phase::kSucceeded : Phase::kFailed;
  returnCode_ = returnCode;
}

double SortProgress::totalUnits() const {
  const double c = static_cast<double>(std::max<int64_t>(chunks_, 1));
  const int passes = std::max<int64_t>(passCount(chunks_), pass_);
  return c * (1 + passes);
}

void SortProgress::advanceTo(double unitsDone) {
  done_ = std::max(done_, std::min(unitsDone, totalUnits() * kRunningCap));
}

int64_t SortProgress::recordsRead() const {
  return std::min(total_, chunk_ * ceilDiv(total_, chunks_));
}

int64_t SortProgress::recordsSorted() const {
  const int64_t sortedChunks = chunkSorted_ ? chunk_ : chunk_ - 1;
  return std::min(total_, std::max<int64_t>(sortedChunks, 0) * ceilDiv(total_, chunks_));
}

QString SortProgress::phaseText() const {
  switch (phase_) {
    case Phase::kWaiting:
      return QStringLiteral("Waiting for the sort to start");
    case Phase::kChunks: {
      QString text = QStringLiteral("Chunk %1 of %2").arg(chunk_).arg(chunks_);
      if (total_ > 0) {
        text += QStringLiteral(": %1 of %2 records read, %3 sorted")
                    .arg(grouped(recordsRead()), grouped(total_), grouped(recordsSorted()));
      }
      return text;
    }
    case Phase::kMerge:
      return QStringLiteral("Merge pass %1 of %2: group %3 of %4")
          .arg(pass_)
          .arg(std::max<int64_t>(passCount(chunks_), pass_))
          .arg(group_)
          .arg(groups_);
    case Phase::kSucceeded:
      return QStringLiteral("Sort complete");
    case Phase::kFailed:
      return QStringLiteral("Sort failed rc=") +
             QString::fromStdString(kvt::front::numberText(returnCode_));
  }
  return QString();
}

void SortProgress::followTime(int elapsed) {
  const bool running = phase_ == Phase::kChunks || phase_ == Phase::kMerge;
  double done = done_;
  if (phase_ == Phase::kMerge && groupSize_ > 0 && !outputComplete_) {
    // A merge group sends nothing until the next one starts: it is followed by the clock, at
    // the pace of the work before it.
    if (groupSeenAt_ < 0) {
      groupSeenAt_ = elapsed;
      pace_ = elapsed > 0 ? done_ / elapsed : 0;
    }
    const double byClock = done_ + pace_ * (elapsed - groupSeenAt_);
    done = std::max(done, std::min(byClock, groupStart_ + groupSize_ * kGroupByClock));
  }
  shown_ = std::max(shown_, std::min(done, totalUnits() * kRunningCap));
  const double share = shown_ / totalUnits();
  if (!running || share < kEstimateFrom || elapsed < kEstimateAfterSeconds ||
      elapsed == estimatedAt_) {
    return;
  }
  // The whole remaining work at the pace so far, smoothed so that it falls steadily.
  const double end = elapsed / share;
  endEstimate_ = endEstimate_ < 0 ? end : endEstimate_ + kSmoothing * (end - endEstimate_);
  estimatedAt_ = elapsed;
}

QString SortProgress::timeText(int elapsed) const {
  if (startTime_.empty()) return QString();
  QString text = QStringLiteral("Elapsed ") + minutesAndSeconds(elapsed);
  const bool running = phase_ == Phase::kChunks || phase_ == Phase::kMerge;
  if (!running || endEstimate_ < 0) return text;
  const double share = shown_ / totalUnits();
  // Never less than half the plain estimate: smoothing must not run ahead of the work.
  const double plain = elapsed * (1.0 - share) / share;
  const auto left = static_cast<int64_t>(std::llround(std::max(endEstimate_ - elapsed, plain / 2)));
  if (outputComplete_ || left < 1) return text + QStringLiteral(", finishing");
  return text + QStringLiteral(", about ") + minutesAndSeconds(left) + QStringLiteral(" left");
}

ProgressView SortProgress::view(const std::string& now) {
  const int elapsed = startTime_.empty() ? 0 : elapsedSeconds(startTime_, now);
  followTime(elapsed);
  ProgressView shown;
  shown.value = phase_ == Phase::kSucceeded
                    ? ProgressView::kScale
                    : static_cast<int>(std::floor(ProgressView::kScale * shown_ / totalUnits()));
  shown.phase = phaseText();
  shown.time = timeText(elapsed);
  return shown;
}

QString minutesAndSeconds(int64_t seconds) {
  seconds = std::max<int64_t>(seconds, 0);
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace kvt::util
