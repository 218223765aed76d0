#include "test_main_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace kvt::jobfront::testing {

TestMainDir::TestMainDir(bool registerMainDir) {
  // Names of one length, so that records naming files of two main directories compare.
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, "kv02sort_test_%06u",
                  static_cast<unsigned>(random() % 1000000));
    std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
    if (std::filesystem::create_directory(dir))
      path_ = dir.string() + static_cast<char>(std::filesystem::path::preferred_separator);
  }
  if (path_.empty()) throw std::runtime_error("no temporary folder");
  std::filesystem::create_directory(path_ + "SortCtl");
#ifndef _WIN32
  ::setenv("KVT_REGISTRY", (path_ + "registry.reg").c_str(), 1);
#endif
  // On Windows this is the real registry of the test run, shared by the tests that name a main
  // directory there (ctest runs them one at a time).
  platform::Registry registry;
  std::string key = platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR);
  registry.DeleteKey(key);
  if (registerMainDir) {
    registry.SetString(key, "MainDir", path_);
  } else {
    registry.CreateKey(key);
  }
}

TestMainDir::~TestMainDir() {
  // Later programs of the run must not find a main directory that is gone.
  platform::Registry().DeleteKey(
      platform::ProductRegistryKey(KVT_VERSION_MAJOR, KVT_VERSION_MINOR));
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TestMainDir::write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TestMainDir::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool TestMainDir::exists(const std::string& name) const {
  return std::filesystem::exists(file(name));
}

void TestMainDir::link(const std::string& program, const std::string& name) const {
#ifdef _WIN32
  // Links need a privilege on Windows; a copy named as a program ends in .exe.
  std::filesystem::copy_file(program, file(name + ".exe"));
#else
  std::filesystem::create_symlink(program, file(name));
#endif
}

#ifdef _WIN32
// The program's output is not caught on Windows: only its exit code is.
TestMainDir::Run TestMainDir::runKv02sort(const std::vector<std::string>& args) const {
  platform::ProcessHandle child(platform::StartHidden(KV02SORT_PROGRAM, args, path_));
  Run run;
  if (!child.valid()) return run;
  uint32_t code = platform::kStillActive;
  while (code == platform::kStillActive) code = child.WaitExitCode(1000);
  run.exitCode = static_cast<int>(code);
  return run;
}
#else
TestMainDir::Run TestMainDir::runKv02sort(const std::vector<std::string>& args) const {
  std::string errPath = path_ + "kv02sort.stderr";
  std::string outPath = path_ + "kv02sort.stdout";
  std::vector<std::string> store = {KV02SORT_PROGRAM};
  store.insert(store.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : store) argv.push_back(s.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = 0;
  Run run;
  if (::posix_spawn(&pid, KV02SORT_PROGRAM, &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  run.errorOutput = read("kv02sort.stderr");
  run.output = read("kv02sort.stdout");
  std::filesystem::remove(errPath);
  std::filesystem::remove(outPath);
  return run;
}
#endif

std::string TestMainDir::engineRecordOf(const std::string& controlText, size_t inputBytes,
                                        Run* run) {
  link(FAKE_ENGINE_PROGRAM, "kvtsorts");
  write("in.dat", std::string(inputBytes, 'r'));
  write("SortCtl/job.txt", controlText);
  *run = runKv02sort({"job.txt"});
  return read("fake_engine.ctl");
}

std::vector<std::string> TestMainDir::logLines() const {
  std::string log = read("kvtsort.log");
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find("\r\n", start);
    end = end == std::string::npos ? log.size() : end + 2;
    lines.push_back(log.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string controlFile(const std::vector<std::pair<std::string, std::string>>& fileKeys,
                        const std::vector<std::pair<std::string, std::string>>& fieldKeys) {
  std::string text = "[FILE]\r\n";
  for (const auto& [key, value] : fileKeys) text += key + "=\"" + value + "\"\r\n";
  text += "[FIELDS]\r\n";
  for (const auto& [key, value] : fieldKeys) text += key + "=\"" + value + "\"\r\n";
  return text;
}

std::string frontMessage(const std::string& line, const std::string& subAppl) {
  if (line.size() != 142 || line.compare(0, 4, "SORT") != 0 || line.compare(4, 3, subAppl) != 0 ||
      line[7] != 'I' || line.compare(140, 2, "\r\n") != 0) {
    return "";
  }
  for (size_t i = 8; i < 22; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) return "";
  }
  return line.substr(22, 118);
}

std::string padded(const std::string& message) {
  std::string out = message.substr(0, 118);
  out.resize(118, ' ');
  return out;
}

}  // namespace kvt::jobfront::testing
