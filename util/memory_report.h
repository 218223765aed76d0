// The memory report of "Show memory": the four sizes of the memory status in kilobytes.
#pragma once

#include <QString>
#include <cstdint>

#include "platform/memory_status.h"

namespace kvt::util {

// Bytes / 1024, rounded, digits grouped by three with commas ("523,776").
QString formatKilobytes(uint64_t bytes);
// Four lines separated by CR, with an empty line between the physical and the virtual sizes.
QString memoryReport(const kvt::platform::MemoryStatus& status);

}  // namespace kvt::util
