// The command line of kv02sort: options first, then the words that name the control file.
#pragma once

#include <string>
#include <vector>

namespace kvt::jobfront {

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kInvalid };
  Action action = Action::kRun;
  bool verbose = false;           // -v, --verbose
  bool restart = false;           // --restart: never take over a killed run's work files
  int waitLimit = -1;             // --wait-limit SECONDS (or =SECONDS); -1 waits for ever
  std::vector<std::string> file;  // the words naming the control file, joined with blanks
  std::string problem;            // why the line is not valid (kInvalid)
};

// Leading words that start with '-' are options: --help, --version, -v or --verbose,
// --wait-limit SECONDS, --restart, and --,
// which ends the options so that a control file whose name starts with '-' can be named.
// From the first other word on, every word belongs to the control file's name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

}  // namespace kvt::jobfront
