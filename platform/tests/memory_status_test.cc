#include "platform/memory_status.h"

#include <gtest/gtest.h>

namespace kvt::platform {
namespace {

TEST(MemoryStatus, EveryCountIsFilledAndAvailableFitsTheTotal) {
  MemoryStatus status = ReadMemoryStatus();
  EXPECT_GT(status.available_physical, 0u);
  EXPECT_LE(status.available_physical, status.total_physical);
  EXPECT_GT(status.available_virtual, 0u);
  EXPECT_LE(status.available_virtual, status.total_virtual);
  // More than 4 GiB of address space on a 64-bit system: nothing was cut to 32 bits.
  EXPECT_GT(status.total_virtual, uint64_t{1} << 32);
}

}  // namespace
}  // namespace kvt::platform
