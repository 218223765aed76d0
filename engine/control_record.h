// The engine control record kvtsort.ctl as the engine uses it: the record's fields, and the key
// groups the entries make in the internal record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/engine_control_record.h"

namespace kvt::engine {

class EngineLog;

using FieldEntry = formats::ControlEntry;

// A run of consecutive key entries with the same order code, as it lies in the internal record.
struct KeyGroup {
  int64_t offset = 0;
  int64_t length = 0;
  char code = 'A';
};

struct ControlRecord : formats::ParsedControlRecord {
  std::vector<KeyGroup> groups;
};

using formats::kControlRecordMaxBytes;
using formats::kMaxFieldEntries;
using formats::kMaxRecordLength;
inline constexpr size_t kMaxPathLength = formats::kControlPathMaxLength;

// Interprets the bytes of a control record (at most 2048 are looked at), logging phases 0 to 7
// as it goes. partition_field receives the header's partition-count text as soon as the header
// is read, for the end status record of a run that fails later. Returns 0 or 101.
int ParseControlRecord(const std::string& data, EngineLog* log, ControlRecord* out,
                       std::string* partition_field);

// Reads the file (opened for update, as the front-end expects it to stay writable) and parses it.
int ReadControlRecord(const std::string& path, EngineLog* log, ControlRecord* out,
                      std::string* partition_field);

}  // namespace kvt::engine
