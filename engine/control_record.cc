#include "engine/control_record.h"

#include <string_view>

#include "engine/decimal.h"
#include "engine/log_writer.h"
#include "engine/return_codes.h"
#include "platform/file_system.h"

namespace kvt::engine {

namespace {

constexpr size_t kHeaderSize = 89;
constexpr size_t kEntrySize = 12;

// A header or entry field of exactly its width, cut short where the data ends.
std::string_view Field(std::string_view data, size_t offset, size_t width) {
  if (offset >= data.size()) return {};
  return data.substr(offset, width);
}

void Log(EngineLog* log, int phase, std::string_view text) {
  if (log != nullptr) log->Write(phase, text);
}

// Builds the key groups while the entries are read: a group is open until an entry with another
// code arrives; a non-key entry closes the grouping for good.
class Grouper {
 public:
  explicit Grouper(std::vector<KeyGroup>* groups) : groups_(groups) {}

  void Add(const FieldEntry& entry) {
    if (state_ == State::kClosed) return;
    if (state_ == State::kNotStarted) {
      Open(entry, 0);
      return;
    }
    if (entry.code == current_.code) {
      current_.length += entry.length;
      return;
    }
    groups_->push_back(current_);
    int64_t next_offset = current_.offset + current_.length;
    if (entry.code == ' ') {
      state_ = State::kClosed;
    } else {
      Open(entry, next_offset);
    }
  }

  void Finish() {
    if (state_ == State::kOpen) groups_->push_back(current_);
    state_ = State::kClosed;
  }

 private:
  enum class State { kNotStarted, kOpen, kClosed };

  void Open(const FieldEntry& entry, int64_t offset) {
    current_ = KeyGroup{offset, entry.length, entry.code};
    state_ = State::kOpen;
  }

  std::vector<KeyGroup>* groups_;
  State state_ = State::kNotStarted;
  KeyGroup current_;
};

// Reads one length-prefixed trailer string at *offset. False when it is missing or its text
// runs past the data.
bool ReadTrailerString(std::string_view data, size_t* offset, std::string* out) {
  if (*offset >= data.size()) return false;
  int64_t n = ParseDecimal(Field(data, *offset, 4));
  if (n <= 0) {
    out->clear();
    *offset += 4;
    return true;
  }
  size_t available = data.size() - *offset;
  if (available < 4 || static_cast<uint64_t>(n) > available - 4) return false;
  *out = std::string(data.substr(*offset + 4, static_cast<size_t>(n)));
  *offset += 4 + static_cast<size_t>(n);
  return true;
}

// The entries must describe a rearrangement of the record: every byte exactly once.
bool EntriesCoverRecord(const std::vector<FieldEntry>& entries, int64_t record_length) {
  if (record_length < 1 || record_length > kMaxRecordLength) return false;
  std::string covered(static_cast<size_t>(record_length), 0);
  for (const FieldEntry& e : entries) {
    if (e.position < 1 || e.length < 1 || e.position > record_length ||
        e.length > record_length - e.position + 1)
      return false;
    for (int64_t b = e.position - 1; b < e.position - 1 + e.length; ++b) {
      if (covered[static_cast<size_t>(b)]) return false;
      covered[static_cast<size_t>(b)] = 1;
    }
  }
  for (char c : covered)
    if (!c) return false;
  return true;
}

}  // namespace

int ParseControlRecord(const std::string& bytes, EngineLog* log, ControlRecord* out,
                       std::string* partition_field) {
  std::string_view data(bytes);
  if (data.size() > kControlRecordMaxBytes) data = data.substr(0, kControlRecordMaxBytes);
  if (data.empty()) return kBadControlRecord;
  ControlRecord rec;

  // Header.
  rec.trace = data[0] == 'T';
  rec.memory_text = std::string(Field(data, 4, 3));
  rec.chunk_count = ParseDecimal(Field(data, 7, 5));
  rec.upper_limit = ParseDecimal(Field(data, 12, 4));
  rec.lower_limit = ParseDecimal(Field(data, 16, 4));
  rec.sort_order = data.size() > 20 ? data[20] : ' ';
  rec.partition_field = std::string(Field(data, 21, 4));
  rec.partitions = ParseDecimal(rec.partition_field);
  rec.records_per_chunk = ParseDecimal(Field(data, 25, 10));
  if (partition_field != nullptr) *partition_field = rec.partition_field;
  Log(log, 0, rec.memory_text);
  Log(log, 1, Field(data, 7, 5));
  Log(log, 2, Field(data, 12, 4));
  Log(log, 3, Field(data, 16, 4));
  Log(log, 4, rec.partition_field);

  // Field list up to the terminator entry.
  if (data.size() <= kHeaderSize) return kBadControlRecord;
  Grouper grouper(&rec.groups);
  size_t offset = kHeaderSize;
  for (;;) {
    if (Field(data, offset, 6) == "******") {
      offset += kEntrySize;
      break;
    }
    FieldEntry entry;
    entry.position = ParseDecimal(Field(data, offset, 6));
    entry.length = ParseDecimal(Field(data, offset + 6, 5));
    entry.code = offset + 11 < data.size() ? data[offset + 11] : '\0';
    rec.entries.push_back(entry);
    grouper.Add(entry);
    offset += kEntrySize;
    if (offset >= data.size()) return kBadControlRecord;
  }
  grouper.Finish();
  Log(log, 5, rec.partition_field);
  if (rec.partitions == 0) rec.partitions = rec.records_per_chunk / 10;

  // Trailer strings.
  std::string length_text;
  if (!ReadTrailerString(data, &offset, &length_text)) return kBadControlRecord;
  rec.record_length = ParseDecimal(length_text);
  if (!ReadTrailerString(data, &offset, &rec.input_path)) return kBadControlRecord;
  if (!ReadTrailerString(data, &offset, &rec.output_path)) return kBadControlRecord;
  if (!ReadTrailerString(data, &offset, &rec.work_prefix)) return kBadControlRecord;
  Log(log, 6, rec.work_prefix);
  if (rec.user_order()) {
    if (!ReadTrailerString(data, &offset, &rec.collating_path)) return kBadControlRecord;
    Log(log, 7, rec.collating_path);
  }

  // What the engine cannot sort safely is refused rather than half done.
  for (const std::string* path :
       {&rec.input_path, &rec.output_path, &rec.work_prefix, &rec.collating_path}) {
    if (path->size() > kMaxPathLength) return kBadControlRecord;
  }
  if (rec.entries.size() > kMaxFieldEntries) return kBadControlRecord;
  if (!EntriesCoverRecord(rec.entries, rec.record_length)) return kBadControlRecord;
  *out = std::move(rec);
  return kOk;
}

int ReadControlRecord(const std::string& path, EngineLog* log, ControlRecord* out,
                      std::string* partition_field) {
  std::unique_ptr<platform::File> file;
  if (!platform::FileSystem::Default().Open(path, platform::OpenMode::kUpdate, &file).ok())
    return kBadControlRecord;
  std::string data(kControlRecordMaxBytes, '\0');
  size_t got = 0;
  if (!file->Read(data.data(), data.size(), &got).ok() || got == 0) return kBadControlRecord;
  data.resize(got);
  return ParseControlRecord(data, log, out, partition_field);
}

}  // namespace kvt::engine
