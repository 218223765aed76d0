// Lookups and edits on the text of a sectioned control file ([SECTION] lines and
// KEY="value" lines, CR LF line ends). A header is a '[' that begins a line (after optional
// blanks and tabs); keys may be indented with blanks and tabs. Offsets here are 0-based;
// clsFile turns them into the 1-based positions its callers see. Every search moves forward
// on each step, so malformed text (a '[' without ']', a last line without CR LF) ends in "not
// found", never in a loop.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kvt::front::ctl {

inline constexpr size_t kNotFound = std::string::npos;

struct SectionSearch {
  bool found = false;
  bool sawHeader = false;
  bool headerEnded = false;  // the last header looked at ends with CR LF
  size_t close = kNotFound;  // its ']'
  size_t body = 0;           // start of the line after it (the image's length when none)
};

// Looks for the header [section]; names compare exactly.
SectionSearch FindSection(const std::string& image, const std::string& section);

// Offset of the first character of the value of key in section, kNotFound when the
// section, the key (a prefix match on the line after leading blanks), its '=' or either
// quote on the key's line is missing.
size_t FindValue(const std::string& image, const std::string& section, const std::string& key);

// Names of the key lines of section in file order: the text before each line's '=' without
// the blanks and tabs around it. Lines without '=' are notes and have no name.
std::vector<std::string> KeyNames(const std::string& image, const std::string& section);

// The text from offset up to the next double quote (or the end).
std::string ValueAt(const std::string& image, size_t offset);

// Edits: each leaves the image unchanged when its section or key is missing.
bool ReplaceValue(std::string& image, const std::string& section, const std::string& key,
                  const std::string& newVal);
bool AdvanceCounter(std::string& image, const std::string& section, const std::string& key);
void AppendSection(std::string& image, const std::string& section);
bool InsertKey(std::string& image, const std::string& section, const std::string& key,
               const std::string& newVal);

// Length of the image without its trailing blanks.
size_t TrimmedLength(const std::string& image);

}  // namespace kvt::front::ctl
