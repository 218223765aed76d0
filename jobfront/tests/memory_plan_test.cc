#include "jobfront/memory_plan.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "jobfront/return_codes.h"

namespace kvt::jobfront {
namespace {

// Available memory that gives the budget b at 100 percent.
uint64_t memoryFor(uint64_t b) { return b + 50000; }

TEST(PlanChunksTest, RefusesInputsThatAreNotWholeRecords) {
  // 1000 / 80 = 12.5 records.
  EXPECT_EQ(planChunks(1000, 80, "80", 1u << 30, "").rc, kRcPartialRecord);
  EXPECT_EQ(planChunks(1001, 1000, "80", 1u << 30, "").rc, kRcPartialRecord);
}

TEST(PlanChunksTest, RefusesAnInputThatIsGone) {
  EXPECT_EQ(planChunks(-1, 80, "80", 1u << 30, "").rc, kRcInputMissing);
}

TEST(PlanChunksTest, RefusesRecordLengthsTheEngineCannotHold) {
  EXPECT_EQ(planChunks(1000, 0, "80", 1u << 30, "").rc, kRcReclenOutOfRange);
  EXPECT_EQ(planChunks(1000, -10, "80", 1u << 30, "").rc, kRcReclenOutOfRange);
  EXPECT_EQ(planChunks(100010, 10001, "80", 1u << 30, "").rc, kRcReclenOutOfRange);
  EXPECT_EQ(planChunks(100000, 10000, "80", 1u << 30, "").rc, 0);
}

TEST(PlanChunksTest, RefusesWhenMemoryIsTooSmall) {
  EXPECT_EQ(planChunks(8000, 80, "80", 50000, "").rc, kRcNoMemory);
  EXPECT_EQ(planChunks(8000, 80, "80", 0, "").rc, kRcNoMemory);
  // A budget of 80 bytes cannot hold one 80-byte record and its two pointers.
  EXPECT_EQ(planChunks(8000, 80, "100", memoryFor(80), "").rc, kRcNoMemory);
  EXPECT_EQ(planChunks(8000, 80, "100", memoryFor(88), "").rc, 0);
  // Ten thousand million one-byte records in a 10000-byte budget need far more chunks than
  // the header's five digits can name.
  EXPECT_EQ(planChunks(10000000000, 1, "100", memoryFor(10000), "").rc, kRcNoMemory);
}

TEST(PlanChunksTest, OneChunkWhenTheInputFits) {
  // B = 0.8 x 10000 = 8000; C = floor(8000 / 8000) + 1 = 2; R = 50; need 4400 <= 8000.
  ChunkPlan plan = planChunks(8000, 80, "80", memoryFor(10000), "");
  EXPECT_EQ(plan.rc, 0);
  EXPECT_EQ(plan.records, 100);
  EXPECT_EQ(plan.chunks, 2);
  EXPECT_EQ(plan.recordsPerChunk, 50);

  plan = planChunks(8000, 80, "80", 1u << 30, "");
  EXPECT_EQ(plan.chunks, 1);
  EXPECT_EQ(plan.recordsPerChunk, 100);
}

TEST(PlanChunksTest, AddsChunksUntilOneFitsTheBudget) {
  // F = 100000, L = 10, N = 10000, B = 20000. C = 6, R = 1667, need 30006 > B; C = 7:
  // K = 14286, R = 1428, need 25710; C = 8: 22501; C = 9: K = 11112, R = 1111, need 20000
  // fits. 9 x 1111 < 10000, so R = 1112.
  ChunkPlan plan = planChunks(100000, 10, "100", memoryFor(20000), "");
  EXPECT_EQ(plan.rc, 0);
  EXPECT_EQ(plan.chunks, 9);
  EXPECT_EQ(plan.recordsPerChunk, 1112);
}

TEST(PlanChunksTest, PercentageAboveHundredIsPlannedAsHundred) {
  // 1000 percent of the free memory would give one chunk; 100 percent gives the plan above.
  ChunkPlan plan = planChunks(100000, 10, "1000", memoryFor(20000), "");
  EXPECT_EQ(plan.chunks, 9);
  EXPECT_EQ(plan.recordsPerChunk, 1112);
}

TEST(PlanChunksTest, NegativeZeroStarAndEmptyPercentagesMean80) {
  // B = 16000: C = 7, R = 1429, need 25722; C = 8 ... 11 too big; C = 12: K = 8334, R = 833,
  // need 14998 fits; 12 x 833 < 10000, so R = 834.
  for (const char* usage : {"-5", "0", "*", "", "80"}) {
    ChunkPlan plan = planChunks(100000, 10, usage, memoryFor(20000), "");
    EXPECT_EQ(plan.rc, 0) << usage;
    EXPECT_EQ(plan.chunks, 12) << usage;
    EXPECT_EQ(plan.recordsPerChunk, 834) << usage;
  }
}

TEST(PlanChunksTest, WorkFilesSpreadTheRecordsWithoutEmptyChunks) {
  // N = 10 fits one chunk; WORKFILES 6 gives R = ceil(10 / 6) = 2 and then C = 5.
  ChunkPlan plan = planChunks(100, 10, "80", 1u << 30, "6");
  EXPECT_EQ(plan.chunks, 5);
  EXPECT_EQ(plan.recordsPerChunk, 2);
  // More work files than records: one record per chunk.
  plan = planChunks(100, 10, "80", 1u << 30, "50");
  EXPECT_EQ(plan.chunks, 10);
  EXPECT_EQ(plan.recordsPerChunk, 1);
  // 5000 records over 7 chunks of 715.
  plan = planChunks(5000 * 24, 24, "80", 1u << 30, "7");
  EXPECT_EQ(plan.chunks, 7);
  EXPECT_EQ(plan.recordsPerChunk, 715);
}

TEST(PlanChunksTest, WorkFilesBelowThePlanOrStarAreIgnored) {
  for (const char* workFiles : {"3", "*", "", "00000"}) {
    ChunkPlan plan = planChunks(100000, 10, "100", memoryFor(20000), workFiles);
    EXPECT_EQ(plan.chunks, 9) << workFiles;
    EXPECT_EQ(plan.recordsPerChunk, 1112) << workFiles;
  }
  ChunkPlan plan = planChunks(100000, 10, "100", memoryFor(20000), "20");
  EXPECT_EQ(plan.chunks, 20);
  EXPECT_EQ(plan.recordsPerChunk, 500);
}

TEST(PlanChunksTest, EmptyInputPlansOneChunk) {
  ChunkPlan plan = planChunks(0, 80, "80", 1u << 30, "5");
  EXPECT_EQ(plan.rc, 0);
  EXPECT_EQ(plan.chunks, 1);
  EXPECT_EQ(plan.recordsPerChunk, 0);
}

TEST(PlanChunksTest, RecordsPerChunkKeepToTenDigits) {
  // 2 x 10^10 one-byte records in one chunk would need R of 11 digits: three chunks instead.
  ChunkPlan plan = planChunks(20000000000, 1, "80", 1000000000000ull, "");
  EXPECT_EQ(plan.rc, 0);
  EXPECT_EQ(plan.chunks, 3);
  EXPECT_EQ(plan.recordsPerChunk, 6666666667);
}

TEST(PlanChunksTest, EveryPlanCoversTheInputWithoutEmptyChunksWithinTheBudget) {
  std::mt19937_64 random(20240601);
  for (int i = 0; i < 5000; ++i) {
    int64_t l = 1 + static_cast<int64_t>(random() % 200);
    int64_t n = static_cast<int64_t>(random() % 100000);
    uint64_t budget = l + 8 + random() % 2000000;
    std::string workFiles = std::to_string(random() % 40);
    ChunkPlan plan = planChunks(n * l, l, "100", memoryFor(budget), workFiles);
    if (plan.rc == kRcNoMemory) continue;  // more chunks than the header holds
    ASSERT_EQ(plan.rc, 0);
    ASSERT_EQ(plan.records, n);
    ASSERT_GE(plan.chunks, 1);
    ASSERT_LE(plan.chunks, kMaxChunks);
    if (n == 0) continue;
    ASSERT_GE(plan.chunks * plan.recordsPerChunk, n) << n << " " << l << " " << budget;
    ASSERT_LT((plan.chunks - 1) * plan.recordsPerChunk, n) << n << " " << l << " " << budget;
    // The chunk and its pointers stay within the budget, give or take the one record the
    // size estimate may round up by.
    ASSERT_LE(static_cast<uint64_t>(plan.recordsPerChunk * (l + 8)), budget + l + 8 + l);
  }
}

TEST(PlannableMemoryTest, TheSmallestOfPhysicalGroupAndAddressSpace) {
  constexpr uint64_t kMiB = uint64_t{1} << 20;
  struct Row {
    const char* what;
    std::optional<uint64_t> group;
    std::optional<uint64_t> addressSpace;
    uint64_t expected;
  };
  const Row rows[] = {
      {"physical only", std::nullopt, std::nullopt, 4096 * kMiB},
      {"group limit below it", 512 * kMiB, std::nullopt, 512 * kMiB},
      {"group limit above it", 8192 * kMiB, std::nullopt, 4096 * kMiB},
      {"address space less the engine's own", std::nullopt, 256 * kMiB,
       256 * kMiB - kEngineAddressSpace},
      {"address space the engine alone fills", std::nullopt, kEngineAddressSpace / 2, 0},
      {"all three", 300 * kMiB, 200 * kMiB, 200 * kMiB - kEngineAddressSpace},
  };
  for (const Row& row : rows) {
    platform::MemoryStatus status;
    status.available_physical = 4096 * kMiB;
    status.group_available = row.group;
    status.address_space_limit = row.addressSpace;
    EXPECT_EQ(plannableMemory(status), row.expected) << row.what;
  }
}

}  // namespace
}  // namespace kvt::jobfront
