// KVTInst --main-dir DIR: a main directory of the user's own beside a read-only product tree
// (a package installs the product where users may not write).
#pragma once

#include <string>
#include <vector>

#include "install/install_steps.h"

namespace kvt::install {

// Sets up dir as the main directory for a product installed in productDir: the folder itself,
// kvtinst.cfg, SortCtl/ and SortOrder/, the sample control file and its sample input (each
// copied only when dir has none yet, so a user's edits stay, and the product has one), links to the
// product's message files and standard sort orders, and MainDir in the registry. A relative dir is
// taken from the current directory. Stops at the first step that fails and says which; *done
// receives a line for each step done.
Status SetUpMainDir(const std::string& productDir, const std::string& dir,
                    std::vector<std::string>* done);

}  // namespace kvt::install
