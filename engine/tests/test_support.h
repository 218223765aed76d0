// Helpers of the engine tests: temporary folders, control records built field by field, and a
// reference ordering computed independently of the engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kvt::engine::test {

using kvt::testing::Exists;
using kvt::testing::ReadFile;
using kvt::testing::TempDir;
using kvt::testing::WriteFile;

struct Entry {
  int position;
  int length;
  char code;
};

struct ControlSetup {
  char trace = '*';
  int chunks = 1;
  int upper = 0;
  int lower = 0;
  char order = ' ';
  int partitions = 0;
  int64_t per_chunk = 0;
  std::vector<Entry> entries;
  std::string record_length;
  std::string input;
  std::string output;
  std::string prefix;
  std::string collating;  // written only when order is 'U'
};

std::string BuildControlRecord(const ControlSetup& setup);

// Records back to back.
std::string Join(const std::vector<std::string>& records);
std::vector<std::string> Split(const std::string& data, size_t length);

// Random records of `length` bytes whose bytes are drawn from alphabet.
std::vector<std::string> RandomRecords(uint32_t seed, size_t count, size_t length,
                                       const std::string& alphabet);

// The expected output: a stable sort over the key fields as a user describes them (each key
// field's bytes, translated through `input_table` when given for the first `translated` key
// fields, compared in the field's direction; consecutive fields of one direction count as one).
std::vector<std::string> ReferenceSort(std::vector<std::string> records,
                                       const std::vector<Entry>& entries,
                                       const uint8_t* input_table = nullptr, size_t translated = 0);

// The status file cut into 64-character records.
std::vector<std::string> StatusRecords(const std::string& path);
// "ttt:first/second/third" of a progress record, for comparing sequences.
std::string Describe(const std::string& record);
// The phase numbers of the engine's log lines, in order.
std::vector<int> LogPhases(const std::string& path);

// A collating table file: output table then input table, three digits per entry.
// Skips the running test on Windows, saying why.
#ifdef _WIN32
#define KVT_SKIP_ON_WINDOWS(why) GTEST_SKIP() << why
#else
#define KVT_SKIP_ON_WINDOWS(why) (void)0
#endif

std::string CollatingFile(const uint8_t* output_table, const uint8_t* input_table);

// Runs the kvtsorts program with KVT_REGISTRY set and the given folder as current folder; limits
// (RLIMIT_FSIZE / RLIMIT_AS / RLIMIT_NOFILE, 0 = unchanged) apply to the child only. Returns its
// exit code (128 + signal when killed). On Windows the registry file and the limits do not apply
// (the program reads the real registry, which names no main directory in a test run).
struct ChildLimits {
  uint64_t file_size = 0;
  uint64_t address_space = 0;
  uint64_t open_files = 0;
};
// peak_rss: when given, receives the child's peak resident memory in bytes. args: the
// program's arguments (none when it is started as kv02sort starts it).
int RunProgram(const std::string& registry_file, const std::string& cwd,
               const ChildLimits& limits = {}, int64_t* peak_rss = nullptr,
               const std::vector<std::string>& args = {});
// Points KVT_REGISTRY of this process (and the programs it starts) at file; nothing on Windows,
// where programs read the real registry.
void SetRegistryFile(const std::string& file);
// A file of `bytes` pseudo-random bytes, written piece by piece (the test keeps no copy).
void WriteRandomFile(const std::string& path, uint64_t bytes, uint64_t seed);
// The registry file that points MainDir at dir.
std::string RegistryText(const std::string& main_dir);

}  // namespace kvt::engine::test
