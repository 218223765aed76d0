// The engine control record: a record the engine accepts describes a layout it can rebuild,
// with every byte of the record covered exactly once and every path within its limit.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/control_record.h"

namespace engine = kvt::engine;

namespace {

void CheckAccepted(const engine::ControlRecord& record) {
  if (record.record_length < 1 || record.record_length > engine::kMaxRecordLength) std::abort();
  std::vector<int> covered(static_cast<size_t>(record.record_length), 0);
  for (const engine::FieldEntry& e : record.entries) {
    if (e.position < 1 || e.length < 1 || e.position + e.length - 1 > record.record_length) {
      std::abort();
    }
    for (int64_t i = e.position - 1; i < e.position - 1 + e.length; ++i) ++covered[i];
  }
  for (int c : covered) {
    if (c != 1) std::abort();
  }
  int64_t key_bytes = 0;
  for (const engine::KeyGroup& g : record.groups) {
    if (g.offset != key_bytes || g.length < 1) std::abort();
    key_bytes += g.length;
  }
  if (key_bytes > record.record_length) std::abort();
  for (const std::string* path :
       {&record.input_path, &record.output_path, &record.work_prefix, &record.collating_path}) {
    if (path->size() > engine::kMaxPathLength) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  engine::ControlRecord record;
  std::string partition_field;
  int rc = engine::ParseControlRecord(bytes, nullptr, &record, &partition_field);
  if (rc != 0 && rc != 101) std::abort();
  if (rc == 0) CheckAccepted(record);
  return 0;
}
