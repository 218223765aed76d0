#include "platform/stop_request.h"

#include <signal.h>

namespace kvt::platform {
namespace {

volatile sig_atomic_t stopRequested = 0;

void noteStop(int) { stopRequested = 1; }

}  // namespace

void WatchStopRequests() {
  struct sigaction action = {};
  action.sa_handler = noteStop;
  sigemptyset(&action.sa_mask);
  // Waits in progress are resumed; the program looks at the flag on its own schedule.
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
}

bool StopRequested() { return stopRequested != 0; }

bool RequestStop(ProcessId pid) { return pid > 0 && ::kill(pid, SIGTERM) == 0; }

}  // namespace kvt::platform
