// Path rules every system shares.
#include "platform/paths.h"

namespace kvt::platform {

std::string ProgramFileName(const std::string& program) { return program + kProgramSuffix; }

std::string ProductRegistryKey(int major, int minor) {
  return "SOFTWARE\\Halvern\\KV02" + std::to_string(major) + std::to_string(minor);
}

}  // namespace kvt::platform
