// One run of the sort engine, from the control record to the end status record.
#pragma once

#include <string>

namespace kvt::engine {

// Runs a whole sort with the fixed files (kvtsort.ctl, .sts, .log, .trc) in main_dir, which is
// prefixed to their names as it is ("" means the current folder). Returns the run's return code.
int RunSort(const std::string& main_dir);

// The main directory from registry value MainDir of the product's key, ending with '/';
// "" when it cannot be read.
std::string ReadMainDirectory();

}  // namespace kvt::engine
