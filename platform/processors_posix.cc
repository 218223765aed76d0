#include "platform/processors.h"

#include <sched.h>

#include <thread>

namespace kvt::platform {

int UsableProcessors() {
  cpu_set_t allowed;
  int cores = ::sched_getaffinity(0, sizeof(allowed), &allowed) == 0
                  ? CPU_COUNT(&allowed)
                  : static_cast<int>(std::thread::hardware_concurrency());
  return cores < 1 ? 1 : cores;
}

}  // namespace kvt::platform
