#include "jobfront/control_file_check.h"

#include "frontlib/cls_file.h"
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

// A control file that exists but cannot be read would otherwise look empty, and be refused
// for its first missing key.
int checkReadable(const ControlFileOpener& open, const std::string& ctl) {
  if (open(ctl)) return kRcOk;
  int64_t size = platform::FileSize(ctl);
  if (size > front::clsFile::kMaxControlFileSize) {
    return refuse(kRcControlFileUnreadable,
                  ctl + " is too large for a control file (" + std::to_string(size) +
                      " bytes, at most " + std::to_string(front::clsFile::kMaxControlFileSize) +
                      ").");
  }
  return refuse(kRcControlFileUnreadable, ctl + " cannot be read.");
}

int checkPaths(const std::string& mainDir, const SectionLookup& lookup, JobSettings* s) {
  const std::string& ctl = s->controlPath;
  std::string input = trimmed(lookup("FILE", "INFILE"));
  if (input.empty()) return refuse(kRcInfileMissingKey, ctl + " [FILE],INFILE not specified.");
  s->inputPath = completePath(mainDir, input);
  if (missingFile(s->inputPath)) return refuse(kRcInputMissing, s->inputPath + " not found.");
  std::string output = trimmed(lookup("FILE", "OUTFILE"));
  if (output.empty()) return refuse(kRcOutfileMissingKey, ctl + " FILE,OUTFILE not specified.");
  s->outputPath = completePath(mainDir, output);
  return kRcOk;
}

int checkRecordLength(const JobSettings& s) {
  if (s.recordLength.empty()) {
    return refuse(kRcReclenMissing, s.controlPath + " FILE,RECLEN not specified.");
  }
  int64_t length = isPlainNumber(s.recordLength) ? front::numericValue(s.recordLength) : 0;
  if (length < 1 || length > kMaxRecordLength) {
    return refuse(kRcReclenOutOfRange, s.controlPath + " FILE,RECLEN not within 1..10000.");
  }
  return kRcOk;
}

// A value the engine would read as another number is refused here, never passed on.
int checkNumbers(const SectionLookup& lookup, const std::string& ctl) {
  std::string value;
  std::string key = firstBadNumber(lookup, &value);
  if (key.empty()) return kRcOk;
  return refuse(kRcNotANumber, ctl + " FILE," + key + "=\"" + value + "\" is not a number.");
}

}  // namespace

int checkControlFile(const std::string& mainDir, const ControlFileOpener& open,
                     const SectionLookup& lookup, JobSettings* settings) {
  if (missingFile(settings->controlPath)) {
    return refuse(kRcControlFileMissing, settings->controlPath + " not found.");
  }
  int rc = checkReadable(open, settings->controlPath);
  if (rc != kRcOk) return rc;
  rc = checkPaths(mainDir, lookup, settings);
  if (rc != kRcOk) return rc;
  readFileSettings(lookup, settings);
  if (trimmed(settings->version).size() < 3) {
    return refuse(kRcInvalidVersion, "Invalid control file used.");
  }
  rc = checkRecordLength(*settings);
  if (rc != kRcOk) return rc;
  return checkNumbers(lookup, settings->controlPath);
}

}  // namespace kvt::jobfront
