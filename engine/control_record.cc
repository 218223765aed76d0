#include "engine/control_record.h"

#include <string_view>

#include "engine/log_writer.h"
#include "engine/return_codes.h"
#include "platform/file_system.h"

namespace kvt::engine {

namespace {

// Builds the key groups from the entries in order: a group is open until an entry with another
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

}  // namespace

int ParseControlRecord(const std::string& bytes, EngineLog* log, ControlRecord* out,
                       std::string* partition_field) {
  formats::ControlReadStep step;
  if (log != nullptr) step = [log](int phase, std::string_view text) { log->Write(phase, text); };
  ControlRecord rec;
  if (!formats::ParseControlRecord(bytes, step, &rec, partition_field)) return kBadControlRecord;
  Grouper grouper(&rec.groups);
  for (const FieldEntry& entry : rec.entries) grouper.Add(entry);
  grouper.Finish();
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
