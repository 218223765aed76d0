#include "jobfront/command_line.h"

#include "frontlib/console_info.h"

namespace kvt::jobfront {

namespace {

// 0 to a day, as digits only.
bool parseSeconds(const std::string& text, int* seconds) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *seconds = std::stoi(text);
  return *seconds <= 86400;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  size_t i = 0;
  // "/?" is no option (it does not start with '-'), yet on Windows it never names a control file.
  if (!args.empty() && front::isHelpWord(args[0].c_str())) {
    line.action = CommandLine::Action::kHelp;
    return line;
  }
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
    if (word == "--restart") {
      line.restart = true;
      continue;
    }
    if (word == "--wait-limit" || word.rfind("--wait-limit=", 0) == 0) {
      std::string value = word.size() > 12 ? word.substr(13) : "";
      if (word.size() == 12 && i + 1 < args.size()) value = args[++i];
      if (!parseSeconds(value, &line.waitLimit)) {
        line.action = CommandLine::Action::kInvalid;
        line.problem = "--wait-limit needs a number of seconds, not \"" + value + "\"";
        return line;
      }
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
