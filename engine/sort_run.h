// One run of the sort engine, from the control record to the end status record.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace kvt::engine {

struct RunOptions {
  // Prefixed to the names of the fixed files as it is ("" means the current folder).
  std::string main_dir;
  // The run's files (input, work files, output, status, log, trace, journal, collating tables)
  // are opened, read, written, renamed and removed through this one.
  platform::FileSystem& files = platform::FileSystem::Default();
};

// Runs a whole sort with the fixed files (kvtsort.ctl, .sts, .log, .trc) in the main directory.
// Returns the run's return code.
int RunSort(const RunOptions& options);
// The same with the system's own file system.
int RunSort(const std::string& main_dir);

// The main directory from registry value MainDir of the product's key, ending with '/';
// "" when it cannot be read.
std::string ReadMainDirectory();

}  // namespace kvt::engine
