#include "jobfront/control_file_check.h"

#include "frontlib/shared_routines.h"
#include "jobfront/return_codes.h"
#include "platform/file_util.h"

namespace kvt::jobfront {

namespace {

int refuse(int code, const std::string& message) {
  front::logSort("STA", message);
  return code;
}

// The name is taken literally, never as a pattern: opening the control file creates a
// missing one, so only a file that exists under exactly this name may be read. A folder is
// no file to read records or settings from.
bool missingFile(const std::string& path) {
  std::string name = front::trim(path);
  return name.empty() || !platform::FileExists(name) || platform::IsDirectory(name);
}

int checkPaths(const std::string& mainDir, const SectionLookup& lookup, JobSettings* s) {
  const std::string& ctl = s->controlPath;
  std::string input = front::trim(lookup("FILE", "INFILE"));
  if (input.empty()) return refuse(kRcInfileMissingKey, ctl + " [FILE],INFILE not specified.");
  s->inputPath = completePath(mainDir, input);
  if (missingFile(s->inputPath)) return refuse(kRcInputMissing, s->inputPath + " not found.");
  std::string output = front::trim(lookup("FILE", "OUTFILE"));
  if (output.empty()) return refuse(kRcOutfileMissingKey, ctl + " FILE,OUTFILE not specified.");
  s->outputPath = completePath(mainDir, output);
  return kRcOk;
}

int checkRecordLength(const JobSettings& s) {
  if (s.recordLength.empty()) {
    return refuse(kRcReclenMissing, s.controlPath + " FILE,RECLEN not specified.");
  }
  int64_t length = front::numericValue(s.recordLength);
  if (length < 1 || length > kMaxRecordLength) {
    return refuse(kRcReclenOutOfRange, s.controlPath + " FILE,RECLEN not within 1..10000.");
  }
  return kRcOk;
}

}  // namespace

int checkControlFile(const std::string& mainDir, const SectionLookup& lookup,
                     JobSettings* settings) {
  if (missingFile(settings->controlPath)) {
    return refuse(kRcControlFileMissing, settings->controlPath + " not found.");
  }
  int rc = checkPaths(mainDir, lookup, settings);
  if (rc != kRcOk) return rc;
  readFileSettings(lookup, settings);
  if (front::trim(settings->version).size() < 3) {
    return refuse(kRcInvalidVersion, "Invalid control file used.");
  }
  return checkRecordLength(*settings);
}

}  // namespace kvt::jobfront
