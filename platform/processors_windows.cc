#include "platform/processors.h"

#include <windows.h>

#include <bit>
#include <thread>

namespace kvt::platform {

int UsableProcessors() {
  DWORD_PTR process_mask = 0;
  DWORD_PTR system_mask = 0;
  int cores = ::GetProcessAffinityMask(::GetCurrentProcess(), &process_mask, &system_mask)
                  ? std::popcount(static_cast<unsigned long long>(process_mask))
                  : static_cast<int>(std::thread::hardware_concurrency());
  return cores < 1 ? 1 : cores;
}

}  // namespace kvt::platform
