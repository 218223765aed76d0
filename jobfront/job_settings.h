// The [FILE] settings of a sort control file as the job uses them, and the rules that turn
// the texts read into the engine's fields.
#pragma once

#include <functional>
#include <string>

namespace kvt::jobfront {

struct JobSettings {
  std::string controlPath;
  std::string inputPath;   // completed with the main directory
  std::string outputPath;  // completed with the main directory
  std::string workDir;     // trimmed, used as written
  char traceFlag = '*';
  std::string version;      // exactly 3 characters
  std::string memoryUsage;  // as read, "80" when not given
  std::string workFiles;    // as read, "00000" when '*'
  std::string maxSplit;     // 4 characters
  std::string minSplit;     // 4 characters
  char sortOrder = ' ';
  std::string splits;        // 4 characters
  std::string recordLength;  // trimmed text
};

// Value of a key of a control-file section, "" when absent.
using SectionLookup =
    std::function<std::string(const std::string& section, const std::string& key)>;

// The control file named on the command line: an absolute path as it is, anything else a
// name in the SortCtl folder of the main directory.
std::string controlFilePath(const std::string& mainDir, const std::string& commandLine);
// A relative path is taken from the main directory.
std::string completePath(const std::string& mainDir, const std::string& path);

// Readers of the [FILE] keys with their defaults.
char traceFlag(const std::string& trace);
std::string versionStamp(const std::string& version);
std::string memoryUsageText(const std::string& memoryUsage);
std::string workFilesText(const std::string& workFiles);
std::string splitLimitText(const std::string& limit);
char sortOrderChar(const std::string& sortOrder);
std::string splitsText(const std::string& splits);

// Reads the optional keys and the ones checked later (VERSION, RECLEN) into *settings. Values
// are taken without the blanks and tabs around them; VERSION is copied as written.
void readFileSettings(const SectionLookup& lookup, JobSettings* settings);

// Text without the blanks and tabs at both ends.
std::string trimmed(const std::string& text);
// One or more decimal digits and nothing else.
bool isPlainNumber(const std::string& text);
// The first optional numeric key of [FILE] whose trimmed value is neither empty, a plain
// number nor (where the key has a default) a text starting with "*", with *value the value as
// written; "" when every one is good. The engine would read such a value as a different number, or
// as 0.
std::string firstBadNumber(const SectionLookup& lookup, std::string* value);

}  // namespace kvt::jobfront
