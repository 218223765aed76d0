// Test helpers: a fresh temporary folder holding a product directory and its own registry
// file, and small file utilities for looking at what the programs left there.
#pragma once

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/process.h"
#include "tests/support/temp_dir.h"

namespace kvt::testing {

namespace fs = std::filesystem;

inline void WriteScript(const fs::path& path, const std::string& body) {
  WriteFile(path, "#!/bin/sh\n" + body);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

// A fresh folder per test: <tmp>/product/ is the product directory, <tmp>/registry.reg the
// registry, which KVT_REGISTRY points at for this process and the programs it starts.
class ProductDir {
 public:
  ProductDir() : root_(temp_.path()) {
    fs::create_directory(product());
    ::setenv("KVT_REGISTRY", registry().c_str(), 1);
  }
  ~ProductDir() { ::unsetenv("KVT_REGISTRY"); }
  ProductDir(const ProductDir&) = delete;
  ProductDir& operator=(const ProductDir&) = delete;

  fs::path root() const { return root_; }
  fs::path product() const { return root_ / "product"; }
  fs::path registry() const { return root_ / "registry.reg"; }
  // The product directory as the programs record it: with a trailing '/'.
  std::string mainDir() const { return product().string() + "/"; }
  fs::path operator/(const std::string& name) const { return product() / name; }

  // Copies a built program into the product directory, as the installation package does.
  fs::path AddProgram(const std::string& builtPath) const {
    fs::path target = product() / fs::path(builtPath).filename();
    fs::copy_file(builtPath, target, fs::copy_options::overwrite_existing);
    return target;
  }

 private:
  TempDir temp_;
  fs::path root_;
};

struct RunResult {
  bool ended = false;
  uint32_t exitCode = platform::kStillActive;
};

// Runs a program and waits for it, for at most the given time; a program still running then
// is killed and reported as not ended.
inline RunResult RunProgram(const std::string& program, const std::string& cwd,
                            std::chrono::seconds limit = std::chrono::seconds(15)) {
  RunResult result;
  pid_t pid = platform::StartHidden(program, {}, cwd);
  if (pid == 0) return result;
  platform::ProcessHandle handle(pid);
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    uint32_t code = handle.WaitExitCode(200);
    if (code != platform::kStillActive) {
      result.ended = true;
      result.exitCode = code;
      return result;
    }
  }
  ::kill(pid, SIGKILL);
  handle.WaitExitCode(5000);
  return result;
}

// Splits a log written by the library into its 142-byte lines; empty when any length is off.
inline std::vector<std::string> LogLines(const std::string& contents) {
  std::vector<std::string> lines;
  if (contents.size() % 142 != 0) return lines;
  for (size_t at = 0; at < contents.size(); at += 142) lines.push_back(contents.substr(at, 142));
  return lines;
}

// The message field of a log line, without its blank padding.
inline std::string LogMessage(const std::string& line) {
  std::string msg = line.substr(22, 118);
  msg.erase(msg.find_last_not_of(' ') + 1);
  return msg;
}

inline bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace kvt::testing
