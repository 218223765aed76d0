#include "jobfront/reserved_names.h"

#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>

#include "jobfront/job_lock.h"
#include "platform/registry.h"

namespace kvt::jobfront {

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const char* const kProductFiles[] = {
    "kvtsort.ctl", "kvtsort.sts", "kvtsort.log", "kvtsort.trc", "kvtsort.old", kJobLockName,
    "ErrText.txt", "kvtmsg.txt",  "kvtinst.cfg", "Install.log", "install.wrk", "kvtclean",
    "kvtsorts",    "kv02sort",    "KVTUtil",     "KVTInst",     "KVUninst"};

#ifdef _WIN32
// Windows finds a file whatever the case of its name, and starts a program named without its
// ".exe": each such spelling reaches the product's file.
constexpr bool kWindowsNames = true;
#else
constexpr bool kWindowsNames = false;
#endif

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The product's programs are the names without an extension.
bool isProgram(const std::string& reserved) { return reserved.find('.') == std::string::npos; }

bool sameName(const std::string& name, const std::string& reserved) {
  if (!kWindowsNames) return name == reserved;
  const std::string low = lowered(name);
  return low == lowered(reserved) || (isProgram(reserved) && low == lowered(reserved + ".exe"));
}

// The log viewer saves the log as kvtsortLog.001 ... kvtsortLog.999.
bool isSavedLog(const std::string& name) {
  const std::string head = "kvtsortLog.";
  if (name.size() != head.size() + 3 || !sameName(name.substr(0, head.size()), head)) return false;
  for (size_t i = head.size(); i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

bool isReservedName(const std::string& name) {
  for (const char* reserved : kProductFiles) {
    if (sameName(name, reserved)) return true;
  }
  return isSavedLog(name);
}

// The path with its folder resolved; the last part is taken as written.
fs::path resolvedFolder(const fs::path& path) {
  std::error_code ec;
  fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
  return (ec ? path.parent_path() : folder) / path.filename();
}

bool sameEntry(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

bool namesProductFile(const fs::path& mainDir, const fs::path& path) {
  if (resolvedFolder(path).parent_path() == mainDir && isReservedName(path.filename().string()))
    return true;
  // Another spelling of the same file, a link to it or a second name of it.
  for (const char* reserved : kProductFiles) {
    if (sameEntry(path, mainDir / reserved)) return true;
    if (kWindowsNames && isProgram(reserved) && sameEntry(path, mainDir / (reserved + ".exe"s)))
      return true;
  }
  return sameEntry(path, platform::RegistryFilePath());
}

}  // namespace

bool isProductFile(const std::string& mainDir, const std::string& path) {
  std::error_code ec;
  fs::path main = fs::weakly_canonical(fs::path(mainDir), ec);
  if (ec) main = mainDir;
  main = main.lexically_normal();
  if (!main.has_filename()) main = main.parent_path();
  return namesProductFile(main, fs::path(path));
}

}  // namespace kvt::jobfront
