#include "frontlib/program_path.h"

#include "platform/file_util.h"
#include "platform/paths.h"

namespace kvt::front {

std::string programPath(const std::string& mainDir, const std::string& name) {
  const std::string inMainDir = mainDir + name;
  if (platform::FileExists(inMainDir)) return inMainDir;
  const std::string beside = platform::ProgramDirectory() + name;
  // Neither: the main directory's name, so that the failed start names the usual place.
  return platform::FileExists(beside) ? beside : inMainDir;
}

}  // namespace kvt::front
