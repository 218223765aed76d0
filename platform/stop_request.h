// A running sort job can be asked to stop by another program: the utility asks, the job's
// front-end notices it at its next tick, ends its engine and cleans up. On POSIX the request is
// SIGTERM (and Ctrl+C at a terminal); on Windows a named event that belongs to the job's process.
#pragma once

#include "platform/process.h"

namespace kvt::platform {

// In the program that can be stopped: from now on a stop request is noted, not fatal.
void WatchStopRequests();
// True once a stop request has arrived since WatchStopRequests.
bool StopRequested();
// Asks the process pid (which called WatchStopRequests) to stop; false when it cannot be asked.
bool RequestStop(ProcessId pid);

}  // namespace kvt::platform
