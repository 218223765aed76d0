#include "jobfront/stale_files.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "formats/product_files.h"
#include "formats/resume_journal.h"
#include "platform/file_util.h"
#include "platform/paths.h"

namespace kvt::jobfront {

namespace fs = std::filesystem;

bool isWorkFileName(const std::string& name, const std::string& namePrefix) {
  return formats::IsWorkFileName(name, namePrefix);
}

std::string temporaryOutputPath(const std::string& outputPath) {
  return formats::TemporaryOutputPath(outputPath);
}

std::string workFolder(const std::string& mainDir, const std::string& workPrefix) {
  std::string folder = platform::DirectoryPart(workPrefix);
  return platform::IsAbsolutePath(folder) ? folder : mainDir + folder;
}

namespace {

// The folder resolved (links, "." and ".."), the name as written.
fs::path resolvedName(const fs::path& path) {
  std::error_code ec;
  fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
  return (ec ? path.parent_path() : folder) / path.filename();
}

bool namesStaleFile(const fs::path& path, const fs::path& folder, const std::string& namePrefix,
                    const fs::path& temporary) {
  const fs::path resolved = resolvedName(path);
  if (resolved == resolvedName(temporary)) return true;
  if (resolved.parent_path() != folder) return false;
  const std::string name = resolved.filename().string();
  return isWorkFileName(name, namePrefix) || name == formats::kWorkLockName;
}

}  // namespace

bool isStaleFileName(const std::string& mainDir, const std::string& workPrefix,
                     const std::string& outputPath, const std::string& path) {
  const std::string namePrefix = workPrefix.substr(platform::DirectoryPart(workPrefix).size());
  std::error_code ec;
  fs::path folder = fs::weakly_canonical(fs::path(workFolder(mainDir, workPrefix)), ec);
  if (!folder.has_filename()) folder = folder.parent_path();
  const fs::path temporary(temporaryOutputPath(outputPath));
  if (namesStaleFile(fs::path(path), folder, namePrefix, temporary)) return true;
  const fs::path target = fs::canonical(fs::path(path), ec);
  return !ec && namesStaleFile(target, folder, namePrefix, temporary);
}

std::vector<std::string> removeStaleFiles(const std::string& mainDir, const std::string& workPrefix,
                                          const std::string& outputPath, bool keepJournal) {
  std::vector<std::string> removed;
  const std::string namePrefix = workPrefix.substr(platform::DirectoryPart(workPrefix).size());
  const std::string folder = workFolder(mainDir, workPrefix);
  std::set<std::string> kept;
  formats::Journal journal;
  if (keepJournal && formats::ReadJournal(folder + formats::JournalName(namePrefix), &journal)) {
    kept.insert(formats::JournalName(namePrefix));
    for (const formats::JournalEntry& entry : journal.entries) kept.insert(entry.name);
  }
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    // A planted link goes as a link; a folder of that name is no work file.
    if (!isWorkFileName(name, namePrefix) || it->is_directory(typeError) || kept.count(name) > 0)
      continue;
    if (platform::RemoveFile(folder + name)) removed.push_back(folder + name);
  }
  const std::string temporary = temporaryOutputPath(outputPath);
  if (platform::RemoveFile(temporary)) removed.push_back(temporary);
  return removed;
}

}  // namespace kvt::jobfront
