// What a killed earlier run of a job leaves behind: work files under the job's work-file prefix
// and the temporary output beside its output file. The next run of the job removes them before
// its engine starts, whatever chunk plan the killed run had; it touches no other file.
#pragma once

#include <string>
#include <vector>

namespace kvt::jobfront {

// True for a work-file name the engine makes under a prefix whose file-name part is namePrefix:
// namePrefix + "tmp" + pass and file number (three digits or more each) + ".WRK".
bool isWorkFileName(const std::string& name, const std::string& namePrefix);

// The engine's temporary name for an output while it writes it.
std::string temporaryOutputPath(const std::string& outputPath);

// The folder of the work files: that of workPrefix, taken from the main directory (where the
// engine runs) when it is relative.
std::string workFolder(const std::string& mainDir, const std::string& workPrefix);

// True when path (as written, or with its links followed) names a file that the clean-up below
// removes for this job, or the work folder's lock: such a file cannot be the job's input or
// output.
bool isStaleFileName(const std::string& mainDir, const std::string& workPrefix,
                     const std::string& outputPath, const std::string& path);

// Removes the work files under workPrefix (as in the control file; relative to the main
// directory, where the engine runs) and the temporary output of outputPath. With keepJournal, a
// resume journal and the work files it names stay for the engine to judge. Returns the paths
// removed.
std::vector<std::string> removeStaleFiles(const std::string& mainDir, const std::string& workPrefix,
                                          const std::string& outputPath, bool keepJournal);

}  // namespace kvt::jobfront
