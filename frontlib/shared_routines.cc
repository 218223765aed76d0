// Text helpers, file existence, the front-end log line and the registry shortcuts.
#include "frontlib/shared_routines.h"

#include <glob.h>
#include <sys/stat.h>

#include <limits>
#include <utility>

#include "frontlib/cls_log.h"
#include "frontlib/registry_access.h"

namespace kvt::front {

namespace {

bool IsFileEntry(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0 && !S_ISDIR(st.st_mode);
}

bool HasWildcard(const std::string& path) {
  return path.find_first_of("*?") != std::string::npos;
}

}  // namespace

std::string trim(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string numberText(int64_t value) {
  std::string digits = std::to_string(value);
  return value < 0 ? digits : " " + digits;
}

int64_t numericValue(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulated as a negative number so that the most negative value fits too.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    if (value < (kMin + digit) / 10) {
      value = kMin;  // saturate instead of overflowing
      continue;
    }
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == kMin ? std::numeric_limits<int64_t>::max() : -value;
}

bool fileMissing(const std::string& path) {
  std::string name = trim(path);
  if (name.empty()) return true;
  if (!HasWildcard(name)) return !IsFileEntry(name.c_str());
  glob_t matches{};
  bool found = false;
  if (::glob(name.c_str(), GLOB_NOSORT, nullptr, &matches) == 0) {
    for (size_t i = 0; i < matches.gl_pathc && !found; ++i) {
      found = IsFileEntry(matches.gl_pathv[i]);
    }
  }
  ::globfree(&matches);
  return !found;
}

namespace {
std::function<void(const std::string&)>& LogEcho() {
  static std::function<void(const std::string&)> echo;
  return echo;
}
}  // namespace

void setLogEcho(std::function<void(const std::string& message)> echo) {
  LogEcho() = std::move(echo);
}

void logSort(const std::string& subAppl, const std::string& message) {
  clsLog log;
  log.logMsg("SORT", subAppl, "I", message);
  if (LogEcho()) LogEcho()(message);
}

std::string regGet(uint32_t root, const std::string& keyPath, const std::string& valueName) {
  cRegistryAccess registry;
  return registry.GetKeyValue(root, keyPath, valueName);
}

bool regPut(uint32_t root, const std::string& keyPath, const std::string& valueName,
            const std::string& value) {
  cRegistryAccess registry;
  return registry.UpdateKey(root, keyPath, valueName, value);
}

}  // namespace kvt::front
