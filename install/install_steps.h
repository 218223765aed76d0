// The file-system and registry steps of an installation, each reporting what went wrong.
#pragma once

#include <optional>
#include <string>

#include "install/install_setup.h"
#include "platform/status.h"

namespace kvt::install {

// Each step answers ok, or a status whose message is the log text that says what failed.
using platform::Status;

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
// Moves the sample control file kvtsort.txt into SortCtl/ (kNotFound when there is none). A copy
// there that differs from it (the user may have changed it) is kept: the new sample goes beside it
// as kvtsort.txt.new, and the message says so.
Status PlaceSampleControlFile(const InstallSetup& setup, std::string* message);

}  // namespace kvt::install
