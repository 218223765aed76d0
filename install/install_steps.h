// The file-system and registry steps of an installation, each reporting what went wrong.
#pragma once

#include <string>
#include <utility>

#include "install/install_setup.h"

namespace kvt::install {

// Outcome of one step: ok, or the log text that says what failed.
class Status {
 public:
  static Status OK() { return Status(); }
  static Status Failed(std::string message) { return Status(std::move(message)); }

  bool ok() const { return message_.empty(); }
  const std::string& message() const { return message_; }

 private:
  Status() = default;
  explicit Status(std::string message) : message_(std::move(message)) {}
  std::string message_;
};

// Replaces kvtinst.cfg with a fresh [DEFINITIONS] section (APPPATH, VERSION, PRODUCT, EDITING).
Status WriteInstallConfig(const InstallSetup& setup);
// Records the product directory as MainDir under the product key.
Status SaveMainDir(const InstallSetup& setup);
// Gives the delivered clean-up program (install.wrk) its runnable name.
Status PrepareCleanupProgram(const InstallSetup& setup);
// Deletes the clean-up program after its run; a program that is already gone is fine.
Status RemoveCleanupProgram(const InstallSetup& setup);
// Creates a folder of the product directory; one that already exists is kept as it is.
Status CreateProductFolder(const InstallSetup& setup, const std::string& name);
// Moves the sample control file kvtsort.txt into SortCtl/, replacing an older copy there.
Status PlaceSampleControlFile(const InstallSetup& setup);

}  // namespace kvt::install
