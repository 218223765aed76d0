// A job the user stops (the utility's "Stop sort", a terminal's Ctrl+C): its engine is ended at
// once, before it can put a half-written output in place, and what the run has written so far
// goes, so that the output keeps its previous content.
#pragma once

#include <string>

#include "platform/process.h"

namespace kvt::jobfront {

// Ends the running engine and waits for it. False when the engine had already finished with 0
// (its output is then in place, and the run ends as a success).
bool endEngine(platform::ProcessHandle& engine);

// Removes kvtsort.ctl, the work files under workPrefix and the temporary output of outputPath,
// and logs that the user stopped the sort. Returns the job's exit code.
int finishStoppedJob(const std::string& mainDir, const std::string& workPrefix,
                     const std::string& outputPath);

}  // namespace kvt::jobfront
