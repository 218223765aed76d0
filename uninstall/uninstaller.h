// The uninstaller's work, kept apart from its window: delete the product's registry key,
// put the sample control file back, and remove the files and folders made at run time.
#pragma once

#include <string>
#include <vector>

#include "uninstall/removal_plan.h"

namespace kvt::uninstall {

struct UninstallResult {
  // False when the product key could not be deleted; nothing else was then touched.
  bool registryCleaned = false;
  // False when the key held no usable main directory, so no file could be looked for.
  bool mainDirFound = false;
  // Files and folders (relative to the main directory) that could not be removed.
  std::vector<std::string> leftBehind;

  bool complete() const { return registryCleaned && mainDirFound && leftBehind.empty(); }
};

class Uninstaller {
 public:
  // Uses the key of this build's version: SOFTWARE\Halvern\KV02 + major and minor digits.
  Uninstaller();
  // Uses the given subkey of SOFTWARE instead (for another version).
  explicit Uninstaller(std::string productSubKey);

  // Reads MainDir of the product key; done once when the window opens.
  void Open();
  // Deletes the key and, when that worked, the run-time files and folders.
  UninstallResult Confirm();
  // What Confirm would remove from the main directory now.
  RemovalPlan Plan() const { return PlanRemoval(mainDir_); }

  const std::string& mainDir() const { return mainDir_; }
  const std::string& productKey() const { return productKey_; }

 private:
  bool deleteRegistryKey();
  void moveModules(UninstallResult& result);
  void delModules(UninstallResult& result);
  void saveInstallConfig(UninstallResult& result);
  void emptyDirectory(const std::string& folder, UninstallResult& result);
  // Deletes one file of the main directory when it exists; notes it when that fails.
  void deleteFile(const std::string& name, UninstallResult& result);

  std::string productSubKey_;  // below SOFTWARE
  std::string productKey_;     // SOFTWARE\ + the subkey
  std::string mainDir_;        // ends with the separator, empty when not recorded
};

}  // namespace kvt::uninstall
