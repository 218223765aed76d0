// Where a sort control file named by the user is: the one rule of the front-end's command line
// and the utility's "Sort control file" field.
#pragma once

#include <string>

namespace kvt::front {

// An absolute path as it is; anything else is a name in the SortCtl folder of mainDir (which
// ends with a separator).
std::string controlFilePath(const std::string& mainDir, const std::string& name);

}  // namespace kvt::front
