#include "install/install_setup.h"

#include "platform/paths.h"

namespace kvt::install {

InstallSetup InstallSetup::ForThisProgram() {
  std::string dir = platform::ProgramDirectory();
  if (dir.empty()) dir = platform::CurrentDirectory();
  return ForDirectory(dir);
}

InstallSetup InstallSetup::ForDirectory(const std::string& dir) {
  InstallSetup setup;
  setup.ownDir = platform::WithTrailingSeparator(dir);
  setup.versionText = std::to_string(KVT_VERSION_MAJOR) + std::to_string(KVT_VERSION_MINOR) +
                      std::to_string(KVT_VERSION_PATCH);
  // Every program of the product forms its key the same way, so they all meet in one place.
  setup.registryKey = platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR);
  return setup;
}

}  // namespace kvt::install
