#include "jobfront/reserved_names.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "formats/product_files.h"
#include "platform/registry.h"

namespace kvt::jobfront {

namespace fs = std::filesystem;

namespace {

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
  if (resolvedFolder(path).parent_path() == mainDir &&
      formats::IsReservedName(path.filename().string()))
    return true;
  // Another spelling of the same file, a link to it or a second name of it.
  for (const char* reserved : formats::kReservedNames) {
    if (sameEntry(path, mainDir / reserved)) return true;
    if (formats::kWindowsNames && formats::IsProgramName(reserved) &&
        sameEntry(path, mainDir / (std::string(reserved) + ".exe")))
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
