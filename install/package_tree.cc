#include "install/package_tree.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/file_util.h"
#include "platform/paths.h"

namespace kvt::install {
namespace {

namespace fs = std::filesystem;

// The folder with links resolved and without a trailing separator, so that the components of
// two names compare.
fs::path Resolved(const std::string& dir) {
  std::error_code ec;
  fs::path path = fs::weakly_canonical(fs::path(dir), ec);
  if (ec) path = fs::path(dir).lexically_normal();
  return path.has_filename() ? path : path.parent_path();
}

}  // namespace

bool IsPackageTree(const std::string& productDir) {
  return platform::FileExists(platform::WithTrailingSeparator(productDir) + kPackageMarker);
}

bool InPackageTree(const std::string& productDir, const std::string& dir) {
  if (!IsPackageTree(productDir)) return false;
  const fs::path tree = Resolved(productDir);
  const fs::path place = Resolved(dir);
  return std::mismatch(tree.begin(), tree.end(), place.begin(), place.end()).first == tree.end();
}

std::string PackageTreeRefusal(const std::string& productDir) {
  return productDir + " belongs to an installed package and is not changed. Make a main " +
         "directory of your own with: KVTInst --main-dir DIR (for example ~/kvt).";
}

}  // namespace kvt::install
