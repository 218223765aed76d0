#include "engine/tests/test_support.h"

#ifdef _WIN32
#include "platform/process.h"
#else
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kvt::engine::test {

namespace {
std::string Num(int64_t v, int width) {
  std::string s = std::to_string(v);
  return std::string(width > static_cast<int>(s.size()) ? width - s.size() : 0, '0') + s;
}
std::string Str(const std::string& s) { return Num(static_cast<int64_t>(s.size()), 4) + s; }
}  // namespace

std::string BuildControlRecord(const ControlSetup& setup) {
  std::string out;
  out += setup.trace;
  out += "200080";
  out += Num(setup.chunks, 5) + Num(setup.upper, 4) + Num(setup.lower, 4);
  out += setup.order;
  out += Num(setup.partitions, 4) + Num(setup.per_chunk, 10);
  out.append(54, ' ');
  for (const Entry& e : setup.entries) out += Num(e.position, 6) + Num(e.length, 5) + e.code;
  out += std::string(12, '*');
  out += Str(setup.record_length) + Str(setup.input) + Str(setup.output) + Str(setup.prefix);
  if (setup.order == 'U') out += Str(setup.collating);
  return out;
}

std::string Join(const std::vector<std::string>& records) {
  std::string out;
  for (const std::string& r : records) out += r;
  return out;
}

std::vector<std::string> Split(const std::string& data, size_t length) {
  std::vector<std::string> out;
  for (size_t at = 0; at + length <= data.size(); at += length)
    out.push_back(data.substr(at, length));
  return out;
}

std::vector<std::string> RandomRecords(uint32_t seed, size_t count, size_t length,
                                       const std::string& alphabet) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::vector<std::string> out(count, std::string(length, ' '));
  for (std::string& r : out)
    for (char& c : r) c = alphabet[pick(rng)];
  return out;
}

std::vector<std::string> ReferenceSort(std::vector<std::string> records,
                                       const std::vector<Entry>& entries,
                                       const uint8_t* input_table, size_t translated) {
  // Key fields up to the first non-key field; each as (translated bytes, direction).
  std::vector<Entry> keys;
  for (const Entry& e : entries) {
    if (e.code == ' ') break;
    keys.push_back(e);
  }
  auto key_bytes = [&](const std::string& rec, size_t k) {
    std::string bytes =
        rec.substr(static_cast<size_t>(keys[k].position - 1), static_cast<size_t>(keys[k].length));
    if (input_table != nullptr && k < translated)
      for (char& c : bytes) c = static_cast<char>(input_table[static_cast<uint8_t>(c)]);
    return bytes;
  };
  std::stable_sort(records.begin(), records.end(), [&](const std::string& a, const std::string& b) {
    size_t k = 0;
    while (k < keys.size()) {
      // A run of fields with one direction compares as one string.
      std::string ka, kb;
      char code = keys[k].code;
      for (; k < keys.size() && keys[k].code == code; ++k) {
        ka += key_bytes(a, k);
        kb += key_bytes(b, k);
      }
      if (ka == kb) continue;
      bool less = std::lexicographical_compare(
          ka.begin(), ka.end(), kb.begin(), kb.end(),
          [](char x, char y) { return static_cast<uint8_t>(x) < static_cast<uint8_t>(y); });
      return code == 'D' ? !less : less;
    }
    return false;
  });
  return records;
}

std::vector<std::string> StatusRecords(const std::string& path) {
  return Split(ReadFile(path), 64);
}

std::string Describe(const std::string& r) {
  auto num = [](const std::string& s) { return std::to_string(std::stoll(s)); };
  return r.substr(33, 3) + ":" + num(r.substr(0, 6)) + "/" + num(r.substr(6, 6)) + "/" +
         num(r.substr(18, 6));
}

std::vector<int> LogPhases(const std::string& path) {
  std::vector<int> phases;
  std::string data = ReadFile(path);
  size_t at = 0;
  while (at < data.size()) {
    size_t end = data.find("\r\n", at);
    if (end == std::string::npos) break;
    std::string line = data.substr(at, end - at);
    if (line.rfind("SORTCTLR", 0) == 0 && line.size() >= 25)
      phases.push_back(std::stoi(line.substr(22, 3)));
    at = end + 2;
  }
  return phases;
}

std::string CollatingFile(const uint8_t* output_table, const uint8_t* input_table) {
  std::string out;
  for (int k = 0; k < 256; ++k) out += Num(output_table[k], 3);
  for (int k = 0; k < 256; ++k) out += Num(input_table[k], 3);
  return out;
}

#ifdef _WIN32
int RunProgram(const std::string&, const std::string& cwd, const ChildLimits&, int64_t*,
               const std::vector<std::string>& args) {
  platform::ProcessHandle child(platform::StartHidden(KVTSORTS_PATH, args, cwd));
  if (!child.valid()) return 202;
  uint32_t code = platform::kStillActive;
  while (code == platform::kStillActive) code = child.WaitExitCode(1000);
  return static_cast<int>(code);
}
#else
int RunProgram(const std::string& registry_file, const std::string& cwd, const ChildLimits& limits,
               int64_t* peak_rss, const std::vector<std::string>& args) {
  std::vector<std::string> words = {"kvtsorts"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(cwd.c_str()) != 0) ::_exit(201);
    ::setenv("KVT_REGISTRY", registry_file.c_str(), 1);
    // Only the standard descriptors go to the engine, so descriptor limits count from 3.
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
    auto limit = [](int resource, uint64_t value) {
      if (value == 0) return;
      struct rlimit rl {
        value, value
      };
      ::setrlimit(resource, &rl);
    };
    ::signal(SIGXFSZ, SIG_IGN);
    limit(RLIMIT_FSIZE, limits.file_size);
    limit(RLIMIT_AS, limits.address_space);
    limit(RLIMIT_NOFILE, limits.open_files);
    ::execv(KVTSORTS_PATH, argv.data());
    ::_exit(202);
  }
  int status = 0;
  struct rusage usage = {};
  ::wait4(pid, &status, 0, &usage);
  if (peak_rss != nullptr) *peak_rss = static_cast<int64_t>(usage.ru_maxrss) * 1024;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}
#endif

void WriteRandomFile(const std::string& path, uint64_t bytes, uint64_t seed) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::mt19937_64 rng(seed);
  std::vector<uint64_t> block(1 << 17);
  while (bytes > 0) {
    for (uint64_t& word : block) word = rng();
    uint64_t size = std::min<uint64_t>(bytes, block.size() * sizeof(uint64_t));
    out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(size));
    bytes -= size;
  }
  if (!out) throw std::runtime_error("cannot write " + path);
}

void SetRegistryFile([[maybe_unused]] const std::string& file) {
#ifndef _WIN32
  ::setenv("KVT_REGISTRY", file.c_str(), 1);
#endif
}

std::string RegistryText(const std::string& main_dir) {
  return "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\n\"MainDir\"=\"" + main_dir +
         "\"\n";
}

}  // namespace kvt::engine::test
