#include "jobfront/job_files_check.h"

#include "formats/collating_file.h"
#include "frontlib/shared_routines.h"
#include "jobfront/engine_record.h"
#include "jobfront/return_codes.h"
#include "jobfront/stale_files.h"
#include "platform/file_system.h"

namespace kvt::jobfront {

namespace {

int refuse(int rc, const std::string& message) {
  front::logSort("STA", message);
  return rc;
}

// The table is read as the engine will read it. A missing or short file is left to the engine,
// which has its own codes for them.
int checkCollatingTable(const std::string& path) {
  platform::FileSystem& fs = platform::FileSystem::Default();
  if (path.empty() || !fs.Exists(path)) return kRcOk;
  std::unique_ptr<platform::File> file;
  platform::Status opened = fs.Open(path, platform::OpenMode::kRead, &file);
  if (!opened.ok()) return refuse(kRcCollatingUnreadable, opened.message() + ".");
  std::string data(2 * formats::kCollatingHalfBytes, '\0');
  size_t got = 0;
  if (!file->Read(data.data(), data.size(), &got).ok()) got = 0;
  data.resize(got);
  formats::CollatingTables tables;
  if (formats::ParseCollatingTables(data, &tables) != formats::CollatingParse::kOk) return kRcOk;
  const std::string problem = formats::CollatingTablesProblem(tables);
  if (problem.empty()) return kRcOk;
  // The log's lines have room for a path or the problem, not always for both.
  front::logSort("STA", path + " is not a collating sequence:");
  return refuse(kRcCollatingNotPermutation, problem + ".");
}

}  // namespace

int checkJobFiles(const std::string& mainDir, const JobSettings& s) {
  if (!platform::FileSystem::Default().HoldsFileOrNothing(s.outputPath))
    return refuse(kRcOutputNotAFile, s.outputPath + " is not a regular file.");
  for (const std::string& path : {s.inputPath, s.outputPath}) {
    if (isStaleFileName(mainDir, s.workDir, s.outputPath, path))
      return refuse(kRcProductFile, path + " is named as a work file of the job.");
  }
  if (s.sortOrder == 'U') return checkCollatingTable(collatingTablePath(s.controlPath));
  return kRcOk;
}

}  // namespace kvt::jobfront
