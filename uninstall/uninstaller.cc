#include "uninstall/uninstaller.h"

#include <algorithm>
#include <utility>

#include "frontlib/registry_access.h"
#include "frontlib/registry_problem.h"
#include "frontlib/shared_routines.h"
#include "platform/file_system.h"
#include "platform/file_util.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "uninstall/removal_plan.h"

namespace kvt::uninstall {
namespace {

constexpr char kParentKey[] = "SOFTWARE";

std::string ThisVersionSubKey() {
  const std::string key = platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR);
  return key.substr(std::string(kParentKey).size() + 1);
}

// Names below the main directory are reported with the system's separator.
const std::string kSep(1, platform::kPathSeparator);

bool HoldsListed(const UninstallResult& result, const std::string& folder) {
  const std::string prefix = folder + kSep;
  return std::any_of(result.leftBehind.begin(), result.leftBehind.end(),
                     [&](const std::string& name) { return name.rfind(prefix, 0) == 0; });
}

}  // namespace

Uninstaller::Uninstaller() : Uninstaller(ThisVersionSubKey()) {}

Uninstaller::Uninstaller(std::string productSubKey)
    : productSubKey_(std::move(productSubKey)),
      productKey_(std::string(kParentKey) + "\\" + productSubKey_) {}

void Uninstaller::Open() {
  const std::string dir =
      front::trim(front::regGet(platform::kHkeyLocalMachine, productKey_, "MainDir"));
  // A main directory without its separator would turn "kvtsort.log" into a sibling's name.
  mainDir_ = dir.empty() ? std::string() : platform::WithTrailingSeparator(dir);
}

UninstallResult Uninstaller::Confirm() {
  UninstallResult result;
  result.registryCleaned = deleteRegistryKey();
  if (!result.registryCleaned) return result;
  // Without a recorded folder every name below would point into the current folder.
  result.mainDirFound = !mainDir_.empty() && IsRealDirectory(mainDir_);
  if (!result.mainDirFound) return result;
  moveModules(result);
  delModules(result);
  return result;
}

bool Uninstaller::deleteRegistryKey() {
  if (!front::cRegistryAccess().DeleteKey(platform::kHkeyLocalMachine, kParentKey,
                                          productSubKey_)) {
    return false;
  }
  // Only the product's own key goes. The registry file shows a parent key only while something
  // stands below it, so the maker's key is given a line of its own to stay, as it would on
  // a system registry.
  const size_t last = productKey_.rfind('\\');
  if (last != std::string::npos && last > std::string(kParentKey).size()) {
    front::reportRegistryProblem(platform::Registry().CreateKey(productKey_.substr(0, last)));
  }
  return true;
}

void Uninstaller::moveModules(UninstallResult& result) {
  const std::string from = mainDir_ + "SortCtl" + kSep + kSampleName;
  if (front::fileMissing(from)) return;
  // One rename: the sample is either back in the main directory or still in SortCtl.
  if (!platform::FileSystem::Default().Replace(from, mainDir_ + kSampleName).ok())
    result.leftBehind.push_back("SortCtl" + kSep + kSampleName);
}

void Uninstaller::delModules(UninstallResult& result) {
  deleteFile("Install.log", result);
  saveInstallConfig(result);
  for (const std::string& name : SavedLogNames(mainDir_)) deleteFile(name, result);
  // The sort's own files, the lock that lets jobs of this main directory take turns with them.
  for (const char* name : kRunFiles) deleteFile(name, result);
  for (const char* folder : kProductFolders) emptyDirectory(folder, result);
}

void Uninstaller::saveInstallConfig(UninstallResult& result) {
  const std::string cfg = mainDir_ + "kvtinst.cfg";
  if (front::fileMissing(cfg)) return;
  // The configuration goes only once both copies hold it.
  // Each copy replaces its target whole, never leaving it half-written.
  if (!platform::CopyFile(cfg, mainDir_ + "install.ctl") ||
      !platform::CopyFile(cfg, mainDir_ + "install.wrk")) {
    result.leftBehind.push_back("kvtinst.cfg");
    return;
  }
  deleteFile("kvtinst.cfg", result);
}

void Uninstaller::emptyDirectory(const std::string& folder, UninstallResult& result) {
  const std::string path = mainDir_ + folder;
  platform::FileSystem& fs = platform::FileSystem::Default();
  if (fs.KindOf(path) == platform::EntryKind::kNone) return;
  if (!IsRealDirectory(path)) {
    result.leftBehind.push_back(folder);
    return;
  }
  const FolderContents contents = ListFolderContents(path);
  std::vector<std::string> remaining;
  for (const std::string& name : contents.files) {
    if (std::find(result.leftBehind.begin(), result.leftBehind.end(), folder + kSep + name) !=
        result.leftBehind.end()) {
      // A sample that could not be moved back is kept rather than lost.
      continue;
    }
    if (!platform::RemoveFile(path + kSep + name)) remaining.push_back(folder + kSep + name);
  }
  // Folders inside were not made by the product: they and their contents stay.
  for (const std::string& name : contents.folders) {
    remaining.push_back(folder + kSep + name + kSep);
  }
  std::sort(remaining.begin(), remaining.end());
  result.leftBehind.insert(result.leftBehind.end(), remaining.begin(), remaining.end());
  // A folder that still holds a listed entry needs no line of its own.
  if (!fs.RemoveDirectory(path).ok() && remaining.empty() && !HoldsListed(result, folder)) {
    result.leftBehind.push_back(folder + kSep);
  }
}

void Uninstaller::deleteFile(const std::string& name, UninstallResult& result) {
  const std::string path = mainDir_ + name;
  if (front::fileMissing(path)) return;
  if (!platform::RemoveFile(path)) result.leftBehind.push_back(name);
}

}  // namespace kvt::uninstall
