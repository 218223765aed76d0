// A fresh product directory for the uninstaller's tests, on every system: <tmp>/product/, and
// the product's registry key to the test. On POSIX the registry is a file of the test's own
// (KVT_REGISTRY, which the programs it starts read too). On Windows it is the machine's (under
// Wine, the test run's own prefix), as a started program does not share a test's private one:
// the product key is removed before and after each test, and the tests hold a ctest resource
// lock on the registry.
#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/support/temp_dir.h"

namespace kvt::uninstall::test {

namespace fs = std::filesystem;

inline void WriteFile(const fs::path& file, const std::string& contents) {
  kvt::testing::WriteFile(file.string(), contents);
}
inline std::string ReadFile(const fs::path& file) { return kvt::testing::ReadFile(file.string()); }

// A name below the main directory as the product reports it: "SortCtl/x" is "SortCtl\\x" on
// Windows.
inline std::string Native(std::string name) {
  std::replace(name.begin(), name.end(), '/', platform::kPathSeparator);
  return name;
}

class ProductFolder {
 public:
  ProductFolder() : root_(temp_.path()) {
    fs::create_directory(product());
    qputenv("KVT_REGISTRY", QByteArray::fromStdString(registryFile()));
    ForgetProductKey();
  }
  ~ProductFolder() {
    ForgetProductKey();
    qunsetenv("KVT_REGISTRY");
  }
  ProductFolder(const ProductFolder&) = delete;
  ProductFolder& operator=(const ProductFolder&) = delete;

  fs::path root() const { return root_; }
  fs::path product() const { return root_ / "product"; }
  std::string registryFile() const { return (root_ / "registry.reg").string(); }
  // The product directory as the programs record it: with the system's separator at its end.
  std::string mainDir() const { return product().string() + platform::kPathSeparator; }
  fs::path operator/(const std::string& name) const { return product() / name; }

 private:
  static void ForgetProductKey() {
#ifdef _WIN32
    platform::Registry().DeleteKey(
        platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR));
#endif
  }

  kvt::testing::TempDir temp_;
  fs::path root_;
};

// Runs a program in cwd and waits up to 30 s; its exit code, or kStillActive when it did not
// start or had to be ended.
inline uint32_t RunProgram(const std::string& program, const std::string& cwd) {
  platform::ProcessHandle run(platform::StartHidden(program, {}, cwd));
  if (!run.valid()) return platform::kStillActive;
  const uint32_t code = run.WaitExitCode(30000);
  if (code == platform::kStillActive && run.Kill()) run.WaitExitCode(5000);
  return code;
}

using kvt::testing::Listing;

}  // namespace kvt::uninstall::test
