// The checks of a sort control file before anything is planned: the file itself, INFILE,
// OUTFILE, VERSION and RECLEN. Each refusal logs one line and returns its code.
#pragma once

#include <functional>
#include <string>

#include "jobfront/job_settings.h"

namespace kvt::jobfront {

// Loads the control file for the lookups; false when it cannot be read.
using ControlFileOpener = std::function<bool(const std::string& path)>;

// Fills *settings (controlPath already set) and returns 0, or logs why the job is refused
// and returns its code.
int checkControlFile(const std::string& mainDir, const ControlFileOpener& open,
                     const SectionLookup& lookup, JobSettings* settings);

}  // namespace kvt::jobfront
