#include <windows.h>

#include "platform/memory_status.h"

namespace kvt::platform {

MemoryStatus ReadMemoryStatus() {
  MEMORYSTATUSEX system = {};
  system.dwLength = sizeof system;
  MemoryStatus status;
  if (!::GlobalMemoryStatusEx(&system)) return status;
  status.total_physical = system.ullTotalPhys;
  status.available_physical = system.ullAvailPhys;
  status.total_virtual = system.ullTotalVirtual;
  status.available_virtual = system.ullAvailVirtual;
  return status;
}

}  // namespace kvt::platform
