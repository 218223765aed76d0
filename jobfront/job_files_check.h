// The files a job is about to touch, checked after the control file and before any clean-up or
// engine run: an output that is no file, an input or output that the clean-up of a killed run
// would delete, and a collating table that would change the records' bytes.
#pragma once

#include <string>

#include "jobfront/job_settings.h"

namespace kvt::jobfront {

// 0, or logs why the job is refused and returns 171, 172, 141 or 177.
int checkJobFiles(const std::string& mainDir, const JobSettings& settings);

}  // namespace kvt::jobfront
