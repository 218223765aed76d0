#include "jobfront/command_line.h"

namespace kvt::jobfront {

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  size_t i = 0;
  for (; i < args.size() && !args[i].empty() && args[i][0] == '-'; ++i) {
    const std::string& word = args[i];
    if (word == "--") {
      ++i;
      break;
    }
    if (word == "--help") {
      line.action = CommandLine::Action::kHelp;
      return line;
    }
    if (word == "--version") {
      line.action = CommandLine::Action::kVersion;
      return line;
    }
    if (word == "-v" || word == "--verbose") {
      line.verbose = true;
      continue;
    }
    line.action = CommandLine::Action::kInvalid;
    line.problem = "unknown option " + word;
    return line;
  }
  line.file.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
  if (line.file.empty()) {
    line.action = CommandLine::Action::kInvalid;
    line.problem = "no control file named";
  }
  return line;
}

}  // namespace kvt::jobfront
