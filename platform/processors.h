// How many processors this process may run on.
#pragma once

namespace kvt::platform {

// The processors the process is allowed (a container, taskset or affinity mask may keep it below
// the machine's count); at least 1.
int UsableProcessors();

}  // namespace kvt::platform
