// Where and as what version an installation is being finished.
#pragma once

#include <string>

#include "formats/product_files.h"
#include "platform/paths.h"

namespace kvt::install {

struct InstallSetup {
  std::string ownDir;       // the product directory, ending with '/'
  std::string versionText;  // major, minor and revision digits joined: "200" for 2.0.0
  std::string registryKey;  // the product key under HKEY_LOCAL_MACHINE

  // The setup of the running program: its own folder and the version it was built as.
  static InstallSetup ForThisProgram();
  // The same for a given product directory (a missing trailing '/' is added).
  static InstallSetup ForDirectory(const std::string& dir);

  std::string cfgPath() const { return ownDir + formats::kInstallConfigName; }
  std::string logPath() const { return ownDir + formats::kInstallLogName; }
  std::string deliveredCleanupPath() const { return ownDir + formats::kDeliveredCleanupName; }
  std::string cleanupPath() const {
    return ownDir + platform::ProgramFileName(formats::kCleanupName);
  }
  std::string sampleName() const { return "kvtsort.txt"; }
  // The clean-up program's only argument: the first three characters of the version text.
  std::string cleanupArgument() const { return versionText.substr(0, 3); }
};

}  // namespace kvt::install
