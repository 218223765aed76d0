// What a confirmed uninstall removes from the main directory, looked up before the user
// confirms, so that the window can name every file of the user's that goes with it.
#pragma once

#include <string>
#include <vector>

#include "formats/product_files.h"

namespace kvt::uninstall {

// The files of the main directory that the product made at run time and deletes when they
// exist, after the installation's own files and the saved logs. The work-folder lock is here
// for sorts whose work files go to the main directory.
inline constexpr const char* kRunFiles[] = {formats::kLogFileName, formats::kOldLogName,
                                            formats::kStatusFileName, formats::kJobLockName,
                                            formats::kWorkLockName};
// The folders that are emptied and removed.
inline constexpr const char* kProductFolders[] = {"SortCtl", "SortOrder"};
inline constexpr char kSampleName[] = "kvtsort.txt";

struct RemovalPlan {
  std::string mainDir;                    // as recorded, with its final separator; "" when none is
  bool mainDirFound = false;              // the recorded folder exists: files are looked for there
  std::vector<std::string> installFiles;  // Install.log and kvtinst.cfg, when present
  std::vector<std::string> savedLogs;     // kvtsortLog.*
  std::vector<std::string> runFiles;      // those of kRunFiles that exist
  bool sampleGoesBack = false;            // SortCtl/kvtsort.txt moves to the main directory
  std::vector<std::string> controlFiles;  // every other file of SortCtl/
  std::vector<std::string> sortOrders;    // the files of SortOrder/
  std::vector<std::string> folders;       // those of kProductFolders that go, with the separator
  std::vector<std::string> keptFolders;   // folders inside them, which stay (and keep them)
};

// Looks in mainDir (ending with the separator, or "" when none is recorded).
RemovalPlan PlanRemoval(const std::string& mainDir);

// A folder, not a link to one.
bool IsRealDirectory(const std::string& path);
// The entries directly in a folder, by name and sorted: files (a symbolic link counts as a
// file and is never followed) and folders. Both empty when the folder cannot be read.
struct FolderContents {
  std::vector<std::string> files;
  std::vector<std::string> folders;
};
FolderContents ListFolderContents(const std::string& folder);
// The saved logs kvtsortLog.* of a folder, sorted; folders of that name are no logs.
std::vector<std::string> SavedLogNames(const std::string& dir);
// Names joined by separator; beyond the first few, "and N more" stands for the rest, so that
// a long list stays readable.
std::string ShortList(const std::vector<std::string>& names, const std::string& separator);
// The plan in words, for the window: the main directory and what goes from it, the user's
// own files first.
std::string DescribePlan(const RemovalPlan& plan);

}  // namespace kvt::uninstall
