#include "uninstall/removal_plan.h"

#include <algorithm>

#include "frontlib/shared_routines.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace kvt::uninstall {
namespace {

constexpr char kSavedLogPrefix[] = "kvtsortLog.";
// Names below the main directory are shown with the system's separator ("SortCtl\\job.txt" on
// Windows), as the user finds them.
const std::string kSep(1, platform::kPathSeparator);

// Long lists are cut after this many names.
constexpr size_t kMaxListed = 8;

void AddIfPresent(const std::string& dir, const std::string& name,
                  std::vector<std::string>* names) {
  if (!front::fileMissing(dir + name)) names->push_back(name);
}

// One line of the description: a heading and its names, nothing when there are none.
std::string Line(const std::string& heading, const std::vector<std::string>& names) {
  if (names.empty()) return std::string();
  return "  - " + heading + " (" + std::to_string(names.size()) + "): " + ShortList(names, ", ") +
         "\n";
}

void PlanFolders(const std::string& dir, RemovalPlan* plan) {
  for (const char* folder : kProductFolders) {
    const std::string path = dir + folder;
    if (!IsRealDirectory(path)) continue;
    const FolderContents contents = ListFolderContents(path);
    // Folders inside were not made by the product: they stay, and so does the folder.
    for (const std::string& name : contents.folders) {
      plan->keptFolders.push_back(std::string(folder) + kSep + name + kSep);
    }
    if (contents.folders.empty()) plan->folders.push_back(std::string(folder) + kSep);
    const bool sortCtl = folder == kProductFolders[0];
    for (const std::string& name : contents.files) {
      if (sortCtl && name == kSampleName) {
        plan->sampleGoesBack = true;
      } else {
        (sortCtl ? plan->controlFiles : plan->sortOrders).push_back(name);
      }
    }
  }
}

}  // namespace

bool IsRealDirectory(const std::string& path) {
  return platform::FileSystem::Default().KindOf(path) == platform::EntryKind::kDirectory;
}

FolderContents ListFolderContents(const std::string& folder) {
  FolderContents contents;
  std::vector<std::string> names;
  platform::FileSystem& fs = platform::FileSystem::Default();
  if (!fs.ListDirectory(folder, "*", &names).ok()) return contents;
  // Listed sorted, so both lists come out sorted.
  for (std::string& name : names) {
    const bool isFolder = IsRealDirectory(platform::WithTrailingSeparator(folder) + name);
    (isFolder ? contents.folders : contents.files).push_back(std::move(name));
  }
  return contents;
}

std::vector<std::string> SavedLogNames(const std::string& dir) {
  std::vector<std::string> names;
  for (const std::string& name : ListFolderContents(dir).files) {
    if (name.rfind(kSavedLogPrefix, 0) == 0) names.push_back(name);
  }
  return names;
}

RemovalPlan PlanRemoval(const std::string& mainDir) {
  RemovalPlan plan;
  plan.mainDir = mainDir;
  plan.mainDirFound = !mainDir.empty() && IsRealDirectory(mainDir);
  if (!plan.mainDirFound) return plan;
  AddIfPresent(mainDir, "Install.log", &plan.installFiles);
  AddIfPresent(mainDir, "kvtinst.cfg", &plan.installFiles);
  plan.savedLogs = SavedLogNames(mainDir);
  for (const char* name : kRunFiles) AddIfPresent(mainDir, name, &plan.runFiles);
  PlanFolders(mainDir, &plan);
  return plan;
}

std::string ShortList(const std::vector<std::string>& names, const std::string& separator) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < kMaxListed; ++i) {
    text += (i == 0 ? "" : separator) + names[i];
  }
  if (names.size() > kMaxListed) {
    text += separator + "and " + std::to_string(names.size() - kMaxListed) + " more";
  }
  return text;
}

std::string DescribePlan(const RemovalPlan& plan) {
  if (plan.mainDir.empty()) {
    return "No main directory is recorded: Confirm deletes only the product's registry key.";
  }
  if (!plan.mainDirFound) {
    return "The main directory " + plan.mainDir +
           " does not exist: Confirm deletes only the product's registry key.";
  }
  std::string text = "Main directory: " + plan.mainDir + "\n";
  const std::string lines =
      Line("your control files in SortCtl" + kSep, plan.controlFiles) +
      Line("your sort orders in SortOrder" + kSep, plan.sortOrders) +
      Line("saved logs", plan.savedLogs) + Line("sort log and status", plan.runFiles) +
      Line("installation files", plan.installFiles) + Line("folders", plan.folders);
  if (lines.empty()) {
    return text + "Confirm deletes the product's registry key; no file is left to remove.";
  }
  text += "Confirm deletes the product's registry key and removes from this folder:\n" + lines;
  if (plan.sampleGoesBack) {
    text += "The sample SortCtl" + kSep + kSampleName + " goes back to the main directory.\n";
  }
  if (std::find(plan.installFiles.begin(), plan.installFiles.end(), "kvtinst.cfg") !=
      plan.installFiles.end()) {
    text += "kvtinst.cfg is kept as install.ctl and install.wrk.\n";
  }
  if (!plan.keptFolders.empty()) {
    text += "Folders inside stay, with what they hold: " + ShortList(plan.keptFolders, ", ") + "\n";
  }
  if (!plan.controlFiles.empty() || !plan.sortOrders.empty() || !plan.savedLogs.empty()) {
    text += "Copy any of your files that you want to keep before you confirm.\n";
  }
  text.pop_back();
  return text;
}

}  // namespace kvt::uninstall
