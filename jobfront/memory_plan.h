// planChunks: how many chunks the engine sorts and how many records go into one chunk, so
// that one chunk and its two pointer arrays fit the share of free memory the job may use.
#pragma once

#include <cstdint>
#include <string>

#include "platform/memory_status.h"

namespace kvt::jobfront {

struct ChunkPlan {
  int rc = 0;                   // 0, or the return code that refuses the job
  int64_t chunks = 0;           // C, as written to the header
  int64_t recordsPerChunk = 0;  // R
  int64_t records = 0;          // N
};

// The header's fields bound what a plan may hold.
inline constexpr int64_t kMaxChunks = 99999;                // 5 digits
inline constexpr int64_t kMaxRecordsPerChunk = 9999999999;  // 10 digits
// Memory kept back for the engine itself.
inline constexpr double kReservedMemory = 50000;

// Address space the engine needs besides its chunk buffer and pointer arrays: its program and
// libraries, its stacks, the output's write buffer and the merge heads, with room to spare.
inline constexpr uint64_t kEngineAddressSpace = uint64_t{32} << 20;

// The memory a job may plan with: the smallest of the available physical memory, the room
// under the control group's limit (when one is set) and the address-space limit the engine
// inherits less what it needs besides its buffers.
uint64_t plannableMemory(const platform::MemoryStatus& status);

// Percentage of the free memory a job may use: MEMORYUSAGE empty, 0, negative or starting
// with '*' means 80; above 100 means 100.
double memoryPercent(const std::string& memoryUsage);
// The numeric value of WORKFILES; one starting with '*' means "not given" (0).
int64_t workFilesValue(const std::string& workFiles);

// inputBytes F, recordLength L, MEMORYUSAGE text, available physical memory A in bytes,
// WORKFILES text; inputBytes -1 when the input is gone. Refuses with 162 (no input), 166 (L
// outside 1..10000), 133 (F not a whole number of records) or 131 (too little memory). A plan for N
// >= 1 always has C x R >= N and (C - 1) x R < N, so no chunk is empty.
ChunkPlan planChunks(int64_t inputBytes, int64_t recordLength, const std::string& memoryUsage,
                     uint64_t availableMemory, const std::string& workFiles);

}  // namespace kvt::jobfront
