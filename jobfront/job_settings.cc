#include "jobfront/job_settings.h"

#include "frontlib/control_file_path.h"
#include "frontlib/shared_routines.h"
#include "jobfront/fixed_text.h"
#include "platform/paths.h"

namespace kvt::jobfront {

namespace {

bool startsWithStar(const std::string& text) { return !text.empty() && text[0] == '*'; }

struct NumericKey {
  const char* name;
  bool starAllowed;  // a value starting with "*" lets the memory plan or the engine choose
};

constexpr NumericKey kNumericKeys[] = {
    {"MEMORYUSAGE", true}, {"WORKFILES", true}, {"MAXSPLIT", true},
    {"MINSPLIT", true},    {"SPLITS", false},
};

}  // namespace

std::string trimmed(const std::string& text) {
  const char* blanks = " \t";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool isPlainNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

std::string firstBadNumber(const SectionLookup& lookup, std::string* value) {
  for (const NumericKey& key : kNumericKeys) {
    std::string text = lookup("FILE", key.name);
    std::string t = trimmed(text);
    if (t.empty() || isPlainNumber(t) || (key.starAllowed && startsWithStar(t))) continue;
    *value = text;
    return key.name;
  }
  return std::string();
}

std::string controlFilePath(const std::string& mainDir, const std::string& commandLine) {
  return front::controlFilePath(mainDir, commandLine);
}

std::string completePath(const std::string& mainDir, const std::string& path) {
  return platform::IsAbsolutePath(path) ? path : mainDir + path;
}

char traceFlag(const std::string& trace) { return trimmed(trace) == "ON" ? 'T' : '*'; }

// The engine reads the header by column, so the stamp is always 3 characters.
std::string versionStamp(const std::string& version) { return fitted(version, 3); }

std::string memoryUsageText(const std::string& memoryUsage) {
  if (memoryUsage.empty() || startsWithStar(memoryUsage) || front::numericValue(memoryUsage) == 0) {
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
char sortOrderChar(const std::string& sortOrder) { return sortOrder.empty() ? ' ' : sortOrder[0]; }

std::string splitsText(const std::string& splits) { return lastChars("0000" + trimmed(splits), 4); }

void readFileSettings(const SectionLookup& lookup, JobSettings* s) {
  auto value = [&](const char* key) { return trimmed(lookup("FILE", key)); };
  s->workDir = value("WORKDIR");
  s->traceFlag = traceFlag(value("TRACE"));
  s->version = lookup("FILE", "VERSION");
  s->memoryUsage = memoryUsageText(value("MEMORYUSAGE"));
  s->workFiles = workFilesText(value("WORKFILES"));
  s->maxSplit = splitLimitText(value("MAXSPLIT"));
  s->minSplit = splitLimitText(value("MINSPLIT"));
  s->sortOrder = sortOrderChar(value("SORTORDER"));
  s->splits = splitsText(value("SPLITS"));
  s->recordLength = value("RECLEN");
}

}  // namespace kvt::jobfront
