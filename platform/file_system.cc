// The parts of the file system layer every system shares.
#include "platform/file_system.h"

#include <cctype>

namespace kvt::platform {
namespace {

bool SameChar(char a, char b, bool ignore_case) {
  if (!ignore_case) return a == b;
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

bool MatchesPattern(const std::string& name, const std::string& pattern, bool ignore_case) {
  // Greedy matching with one remembered '*': on a mismatch the last star takes one more
  // character. Linear enough for file names and never recursive.
  size_t n = 0, p = 0;
  size_t star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || SameChar(pattern[p], name[n], ignore_case))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace kvt::platform
