// Text helpers, file existence, the front-end log line and the registry shortcuts.
#include "frontlib/shared_routines.h"

#include <limits>
#include <utility>
#include <vector>

#include "frontlib/cls_log.h"
#include "frontlib/registry_access.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace kvt::front {

namespace {

// '/' separates on every system, the system's own separator too.
constexpr char kSeparators[] = {platform::kPathSeparator, '/', '\0'};

bool IsFileEntry(const std::string& path) {
  uint64_t size = 0;
  return platform::FileSystem::Default().GetFileSize(path, &size).ok();
}

bool HasWildcard(const std::string& path) { return path.find_first_of("*?") != std::string::npos; }

// True when a file matches prefix + rest, where the parts of rest may hold wildcards. Each part
// with a wildcard is matched against the entries of the folder reached so far; as the shell
// does, a wildcard never matches the leading dot of a hidden name.
bool AnyFileMatches(const std::string& prefix, const std::string& rest) {
  const size_t end = rest.find_first_of(kSeparators);
  const std::string part = rest.substr(0, end);
  const bool last = end == std::string::npos;
  auto follow = [&](const std::string& name) {
    const std::string path = prefix + name;
    return last ? IsFileEntry(path) : AnyFileMatches(path + rest[end], rest.substr(end + 1));
  };
  if (!HasWildcard(part)) return follow(part);
  std::vector<std::string> names;
  const std::string folder = prefix.empty() ? "." : prefix;
  if (!platform::FileSystem::Default().ListDirectory(folder, part, &names).ok()) return false;
  for (const std::string& name : names) {
    if (name[0] == '.' && part[0] != '.') continue;
    if (follow(name)) return true;
  }
  return false;
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
  if (!HasWildcard(name)) return !IsFileEntry(name);
  return !AnyFileMatches(std::string(), name);
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
