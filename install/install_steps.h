// The file-system and registry steps of an installation, each reporting what went wrong.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "install/install_setup.h"

namespace kvt::install {

// Outcome of one step: ok, or the log text that says what failed. A step that could not write
// what the installation needs leaves it unfinished (notWritten); the others are only logged.
class Status {
 public:
  static Status OK() { return Status(); }
  static Status Failed(std::string message) { return Status(std::move(message), false); }
  static Status NotWritten(std::string message) { return Status(std::move(message), true); }

  bool ok() const { return message_.empty(); }
  bool notWritten() const { return notWritten_; }
  const std::string& message() const { return message_; }

 private:
  Status() = default;
  Status(std::string message, bool notWritten)
      : message_(std::move(message)), notWritten_(notWritten) {}
  std::string message_;
  bool notWritten_ = false;
};

// Replaces kvtinst.cfg with a fresh [DEFINITIONS] section (APPPATH, VERSION, PRODUCT, EDITING).
Status WriteInstallConfig(const InstallSetup& setup);
// Records the product directory as MainDir under the product key.
Status SaveMainDir(const InstallSetup& setup);

// What the registry held before an installation wrote MainDir, to be put back when the
// installation fails.
struct FormerMainDir {
  bool keyExisted = false;
  std::optional<std::string> value;
};
FormerMainDir ReadFormerMainDir(const InstallSetup& setup);
// Puts back the former MainDir: its value, or no value (and no product key) when there was none.
Status RestoreMainDir(const InstallSetup& setup, const FormerMainDir& former);
// Gives the delivered clean-up program (install.wrk) its runnable name.
Status PrepareCleanupProgram(const InstallSetup& setup);
// Deletes the clean-up program after its run; a program that is already gone is fine.
Status RemoveCleanupProgram(const InstallSetup& setup);
// Creates a folder of the product directory; one that already exists is kept as it is.
Status CreateProductFolder(const InstallSetup& setup, const std::string& name);
// Moves the sample control file kvtsort.txt into SortCtl/. A copy there that differs from it
// (the user may have changed it) is kept: the new sample goes beside it as kvtsort.txt.new,
// and the message says so.
Status PlaceSampleControlFile(const InstallSetup& setup, std::string* message);

}  // namespace kvt::install
