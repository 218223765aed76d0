// The checks of a sort control file before anything is planned: the file itself, INFILE,
// OUTFILE, VERSION and RECLEN. Each refusal logs one line and returns its code.
#pragma once

#include <string>

#include "jobfront/job_settings.h"

namespace kvt::jobfront {

// Fills *settings (controlPath already set) and returns 0, or logs why the job is refused
// and returns its code.
int checkControlFile(const std::string& mainDir, const SectionLookup& lookup,
                     JobSettings* settings);

}  // namespace kvt::jobfront
