// Where the programs of the product are found.
#pragma once

#include <string>

namespace kvt::front {

// The path of the product's program name: in the main directory when it is there (a
// product directory laid out by cmake --install and finished by KVTInst, which is its own
// main directory), else beside the running program (the read-only product tree of a package,
// used with a main directory of the user's own).
std::string programPath(const std::string& mainDir, const std::string& name);

}  // namespace kvt::front
