// Main of kv02sort: from a sort control file named on the command line to a finished run.
#pragma once

#include <string>
#include <vector>

namespace kvt::jobfront {

// args are the command-line arguments after the program name; joined with single blanks
// they name the control file. Returns the program's exit status: 0 after a successful sort,
// the engine's code after a failed one, the refusal code of a job that never started it.
int Main(const std::vector<std::string>& args);

}  // namespace kvt::jobfront
