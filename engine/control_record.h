// The engine control record kvtsort.ctl: an 89-byte header, 12-byte field entries ending with
// "******", and length-prefixed trailer strings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvt::engine {

class EngineLog;

struct FieldEntry {
  int64_t position = 0;  // 1-based byte position in the input record
  int64_t length = 0;
  char code = ' ';  // 'A' ascending key, 'D' descending key, ' ' non-key
};

// A run of consecutive key entries with the same order code, as it lies in the internal record.
struct KeyGroup {
  int64_t offset = 0;
  int64_t length = 0;
  char code = 'A';
};

struct ControlRecord {
  bool trace = false;
  std::string memory_text;      // header bytes 4-6
  std::string partition_field;  // header bytes 21-24, as written
  int64_t chunk_count = 0;
  int64_t upper_limit = 0;
  int64_t lower_limit = 0;
  char sort_order = ' ';
  int64_t partitions = 0;
  int64_t records_per_chunk = 0;
  std::vector<FieldEntry> entries;
  std::vector<KeyGroup> groups;
  int64_t record_length = 0;
  std::string input_path;
  std::string output_path;
  std::string work_prefix;
  std::string collating_path;

  bool user_order() const { return sort_order == 'U'; }
};

inline constexpr size_t kControlRecordMaxBytes = 2048;
inline constexpr size_t kMaxPathLength = 511;
inline constexpr int64_t kMaxRecordLength = 10000;
inline constexpr size_t kMaxFieldEntries = 200;

// Interprets the bytes of a control record (at most 2048 are looked at), logging phases 0 to 7
// as it goes. partition_field receives the header's partition-count text as soon as the header
// is read, for the end status record of a run that fails later. Returns 0 or 101.
int ParseControlRecord(const std::string& data, EngineLog* log, ControlRecord* out,
                       std::string* partition_field);

// Reads the file (opened for update, as the front-end expects it to stay writable) and parses it.
int ReadControlRecord(const std::string& path, EngineLog* log, ControlRecord* out,
                      std::string* partition_field);

}  // namespace kvt::engine
