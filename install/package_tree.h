// A product tree that a package manager installed: the package ships a marker file in it, and
// no program of the product changes that tree (the package manager checks and removes exactly
// the files it put there).
#pragma once

#include <string>

namespace kvt::install {

// The marker's name inside the product tree.
inline constexpr char kPackageMarker[] = "package-owned";

// True when productDir carries the marker.
bool IsPackageTree(const std::string& productDir);
// True when dir is productDir or lies below it and productDir is a package's tree.
bool InPackageTree(const std::string& productDir, const std::string& dir);
// What KVTInst says when asked to finish an installation in a package's tree.
std::string PackageTreeRefusal(const std::string& productDir);

}  // namespace kvt::install
