// How far a running sort has come, worked out from the engine's status records alone (and the
// size of the output while it is written), so that the window only has to show it.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "util/sort_status.h"

namespace kvt::util {

// What the progress bar and the line under it show.
struct ProgressView {
  static constexpr int kScale = 1000;
  int value = 0;  // 0 .. kScale
  QString phase;  // what the engine is doing, with the records read and sorted
  QString time;   // elapsed time and, once it means something, the time left
};

class SortProgress {
 public:
  // A new run over an input of totalRecords records (0 when the count is not known).
  void reset(int64_t totalRecords);
  // One status record, in the order the engine wrote them.
  void apply(const StatusRecord& record);
  // Bytes of the output written so far under its temporary name; the output is written by a
  // one-chunk run and by the last merge pass, which send no records while they write.
  void outputWritten(int64_t bytes, int64_t expectedBytes);
  // The end of the run as the window decided it; only a success reaches 100 %.
  void finish(bool success, int returnCode);
  // now: time of day HHMMSS. Between two records the bar moves on at the pace of the run so
  // far, and the time left is smoothed from one second to the next.
  ProgressView view(const std::string& now);

  // Merge passes of `chunks` work files merged eight at a time (0 for one chunk).
  static int passCount(int64_t chunks);

 private:
  enum class Phase { kWaiting, kChunks, kMerge, kSucceeded, kFailed };

  void applyChunk(const StatusRecord& record);
  void applyPartition(const StatusRecord& record);
  void applyMerge(const StatusRecord& record);
  bool isInMemoryMerge(int64_t first, int64_t second, int64_t third) const;
  void advanceTo(double unitsDone);
  double totalUnits() const;
  int64_t recordsRead() const;
  int64_t recordsSorted() const;
  QString phaseText() const;
  QString timeText(int elapsed) const;
  // The work done by now, with the current merge group counted at the pace so far.
  void followTime(int elapsed);

  int64_t total_ = 0;
  Phase phase_ = Phase::kWaiting;
  std::string startTime_;
  int returnCode_ = 0;
  // Chunk phase: chunk i of C, partition j of P, in-memory merge levels.
  int64_t chunks_ = 0;
  int64_t chunk_ = 0;
  int64_t partitions_ = 0;
  int64_t pairs_ = 0;         // merge pairs of the chunk's in-memory levels
  bool chunkSorted_ = false;  // the last in-memory level of the chunk has started
  // Merge passes: group g of G in pass p of the passes.
  int64_t pass_ = 0;
  int64_t group_ = 0;
  int64_t groups_ = 0;
  int64_t passInputs_ = 0;
  double done_ = 0;  // units of work done; never goes back
  // The current merge group: where it starts and how much of the pass it merges.
  double groupStart_ = 0;
  double groupSize_ = 0;
  bool outputComplete_ = false;  // all bytes written; the disk may still be busy
  // Kept from one view to the next.
  int groupSeenAt_ = -1;     // elapsed seconds when the current group was first seen
  double pace_ = 0;          // units per second up to that moment
  double shown_ = 0;         // units shown; never goes back
  double endEstimate_ = -1;  // elapsed seconds at which the run should end
  int estimatedAt_ = -1;
};

// Minutes and seconds, "m:ss", of a count of seconds.
QString minutesAndSeconds(int64_t seconds);

}  // namespace kvt::util
