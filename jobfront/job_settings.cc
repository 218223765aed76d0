#include "jobfront/job_settings.h"

#include "frontlib/shared_routines.h"
#include "jobfront/fixed_text.h"
#include "platform/paths.h"

namespace kvt::jobfront {

namespace {
bool startsWithStar(const std::string& text) { return !text.empty() && text[0] == '*'; }
}  // namespace

std::string controlFilePath(const std::string& mainDir, const std::string& commandLine) {
  if (platform::IsAbsolutePath(commandLine)) return commandLine;
  return mainDir + "SortCtl/" + commandLine;
}

std::string completePath(const std::string& mainDir, const std::string& path) {
  return platform::IsAbsolutePath(path) ? path : mainDir + path;
}

char traceFlag(const std::string& trace) { return front::trim(trace) == "ON" ? 'T' : '*'; }

// The engine reads the header by column, so the stamp is always 3 characters.
std::string versionStamp(const std::string& version) { return fitted(version, 3); }

std::string memoryUsageText(const std::string& memoryUsage) {
  if (memoryUsage.empty() || startsWithStar(memoryUsage) ||
      front::numericValue(memoryUsage) == 0) {
    return "80";
  }
  return memoryUsage;
}

std::string workFilesText(const std::string& workFiles) {
  return startsWithStar(workFiles) ? "00000" : workFiles;
}

std::string splitLimitText(const std::string& limit) {
  return startsWithStar(limit) ? "0000" : lastChars("00000" + limit, 4);
}

// An empty SORTORDER still takes its column: one blank, plain byte order.
char sortOrderChar(const std::string& sortOrder) {
  return sortOrder.empty() ? ' ' : sortOrder[0];
}

std::string splitsText(const std::string& splits) {
  return lastChars("0000" + front::trim(splits), 4);
}

void readFileSettings(const SectionLookup& lookup, JobSettings* s) {
  s->workDir = front::trim(lookup("FILE", "WORKDIR"));
  s->traceFlag = traceFlag(lookup("FILE", "TRACE"));
  s->version = lookup("FILE", "VERSION");
  s->memoryUsage = memoryUsageText(lookup("FILE", "MEMORYUSAGE"));
  s->workFiles = workFilesText(lookup("FILE", "WORKFILES"));
  s->maxSplit = splitLimitText(lookup("FILE", "MAXSPLIT"));
  s->minSplit = splitLimitText(lookup("FILE", "MINSPLIT"));
  s->sortOrder = sortOrderChar(lookup("FILE", "SORTORDER"));
  s->splits = splitsText(lookup("FILE", "SPLITS"));
  s->recordLength = front::trim(lookup("FILE", "RECLEN"));
}

}  // namespace kvt::jobfront
