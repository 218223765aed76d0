#include "jobfront/memory_plan.h"

#include <algorithm>
#include <cmath>

#include "frontlib/shared_routines.h"
#include "jobfront/return_codes.h"

namespace kvt::jobfront {

namespace {

// Nearest integer, halves to even (the default rounding mode of the floating-point unit).
double roundEven(double x) { return std::nearbyint(x); }

// ceil(n / d) for n >= 0, d >= 1.
int64_t ceilDiv(int64_t n, int64_t d) { return (n + d - 1) / d; }

// The fewest chunks of R records that hold N: drops chunks that would stay empty.
int64_t chunksFor(int64_t n, int64_t r) { return n > 0 && r > 0 ? ceilDiv(n, r) : 1; }

// Chunk count and size from the budget B, or rc 131 when even the most chunks the header
// can hold leave a chunk larger than the budget.
ChunkPlan planFromBudget(double f, double l, double n, double b) {
  ChunkPlan plan;
  double c = roundEven(std::floor(f / b) + 1);
  double r = roundEven(n / c);
  while (c * r < n) r = r + 1;
  double need = roundEven(r * l) + 8 * r;
  while (b < need) {
    if (c >= static_cast<double>(kMaxChunks)) {
      plan.rc = kRcNoMemory;
      return plan;
    }
    c = c + 1;
    double k = roundEven(std::floor(f / c) + 1);
    r = std::floor(k / l);
    need = k + 8 * r;
  }
  // The size estimate can leave C x R short of N; one more record per chunk closes the gap.
  r = std::max(r, std::ceil(n / c));
  plan.chunks = static_cast<int64_t>(c);
  plan.recordsPerChunk = static_cast<int64_t>(r);
  return plan;
}

// A WORKFILES count at least the planned one spreads the records over that many chunks
// (never more chunks than records, nor more than the header holds).
void applyWorkFiles(int64_t workFiles, ChunkPlan* plan) {
  if (workFiles < plan->chunks) return;
  int64_t c = std::min({workFiles, std::max<int64_t>(plan->records, 1), kMaxChunks});
  if (plan->records > 0) plan->recordsPerChunk = ceilDiv(plan->records, c);
  plan->chunks = c;
}

}  // namespace

uint64_t plannableMemory(const platform::MemoryStatus& status) {
  uint64_t memory = status.available_physical;
  if (status.group_available) memory = std::min(memory, *status.group_available);
  if (status.address_space_limit) {
    uint64_t limit = *status.address_space_limit;
    memory = std::min(memory, limit > kEngineAddressSpace ? limit - kEngineAddressSpace : 0);
  }
  return memory;
}

double memoryPercent(const std::string& memoryUsage) {
  if (memoryUsage.empty() || memoryUsage[0] == '*') return 80;
  int64_t value = front::numericValue(memoryUsage);
  if (value <= 0) return 80;
  return static_cast<double>(std::min<int64_t>(value, 100));
}

int64_t workFilesValue(const std::string& workFiles) {
  if (!workFiles.empty() && workFiles[0] == '*') return 0;
  return front::numericValue(workFiles);
}

ChunkPlan planChunks(int64_t inputBytes, int64_t recordLength, const std::string& memoryUsage,
                     uint64_t availableMemory, const std::string& workFiles) {
  ChunkPlan plan;
  if (inputBytes < 0) {
    plan.rc = kRcInputMissing;
    return plan;
  }
  if (recordLength < 1 || recordLength > kMaxRecordLength) {
    plan.rc = kRcReclenOutOfRange;
    return plan;
  }
  double f = static_cast<double>(inputBytes);
  double l = static_cast<double>(recordLength);
  double n = roundEven(f / l);
  if (n * l != f) {
    plan.rc = kRcPartialRecord;
    return plan;
  }
  double a = static_cast<double>(availableMemory);
  if (a <= kReservedMemory) {
    plan.rc = kRcNoMemory;
    return plan;
  }
  double b = roundEven(memoryPercent(memoryUsage) / 100 * (a - kReservedMemory));
  // Below one record and its two pointers no chunk fits at all.
  if (b < l + 8) {
    plan.rc = kRcNoMemory;
    return plan;
  }
  plan = planFromBudget(f, l, n, b);
  if (plan.rc != 0) return plan;
  plan.records = static_cast<int64_t>(n);
  // More records per chunk than the header can say: spread them over more chunks.
  if (plan.recordsPerChunk > kMaxRecordsPerChunk) {
    plan.chunks = ceilDiv(plan.records, kMaxRecordsPerChunk);
    plan.recordsPerChunk = ceilDiv(plan.records, plan.chunks);
  }
  plan.chunks = chunksFor(plan.records, plan.recordsPerChunk);
  if (plan.chunks > kMaxChunks) {
    plan.rc = kRcNoMemory;
    return plan;
  }
  applyWorkFiles(workFilesValue(workFiles), &plan);
  plan.chunks = chunksFor(plan.records, plan.recordsPerChunk);
  return plan;
}

}  // namespace kvt::jobfront
