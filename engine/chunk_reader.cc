#include "engine/chunk_reader.h"

#include <algorithm>
#include <vector>

#include "engine/failure_note.h"
#include "engine/input_guard.h"
#include "engine/return_codes.h"

namespace kvt::engine {

namespace {
// Records ahead of the one being read whose memory is asked for.
constexpr int64_t kReadAhead = 32;

bool Noted(const platform::Status& status) {
  failure_note::Note(status);
  return status.ok();
}
}  // namespace

int InputFile::Open(const std::string& path, int64_t record_length, bool is_output,
                    platform::FileSystem& files) {
  records_ = 0;
  path_ = path;
  failure_note::Note(files.Open(
      path, is_output ? platform::OpenMode::kUpdate : platform::OpenMode::kRead, &file_));
  if (file_ == nullptr) return kOk;
  uint64_t bytes = 0;
  if (!Noted(file_->Size(&bytes))) {
    file_.reset();
    return kOk;
  }
  bytes_ = bytes;
  int64_t size = static_cast<int64_t>(bytes);
  if (size % record_length != 0) return kBadInputSize;
  records_ = size / record_length;
  file_->AdviseSequential();
  return kOk;
}

bool InputFile::SizeUnchanged() const {
  uint64_t now = 0;
  if (file_ == nullptr || !Noted(file_->Size(&now))) return false;
  if (now == bytes_) return true;
  failure_note::Note(path_ + " changed its size during the sort (" + std::to_string(bytes_) +
                     " bytes when opened, " + std::to_string(now) + " now)");
  return false;
}

int ChunkReader::Read(platform::File* file, int64_t wanted, SortEntry* entries, EntryFormat format,
                      ChunkResult* result) {
  Unmap();
  const uint8_t* data = records_;
  int64_t got = layout_.identity() && map_input_ ? Map(file, wanted) : 0;
  if (got > 0) {
    data = mapped_records_;
  } else {
    got = ReadInto(file, wanted);
  }
  offset_ += got * layout_.record_length();
  // The next chunk is read into the system's cache while this one is sorted and written.
  file->AdviseWillNeed(offset_, wanted * layout_.record_length());
  result->records = got;
  result->descents = 0;
  result->data = data;
  if (got == 0) return kChunkReadFailed;
  CountDescents(data, entries, format, result);
  return kOk;
}

int64_t ChunkReader::Map(platform::File* file, int64_t wanted) {
  const int64_t length = layout_.record_length();
  uint64_t file_size = 0;
  if (!file->Size(&file_size).ok()) return 0;
  // Only whole records that the file still holds are mapped: touching a page past its end
  // would stop the program.
  int64_t available = (static_cast<int64_t>(file_size) - offset_) / length;
  int64_t records = std::min(wanted, available);
  if (records <= 0) return 0;
  const size_t size = static_cast<size_t>(records * length);
  if (!file->Map(static_cast<uint64_t>(offset_), size, &mapping_).ok()) return 0;
  input_guard::Watch(mapping_->data(), size);
  mapped_records_ = mapping_->data();
  return records;
}

int64_t ChunkReader::ReadInto(platform::File* file, int64_t wanted) {
  const int64_t length = layout_.record_length();
  if (layout_.identity()) {
    // The input form is the internal form: one read straight into the chunk buffer.
    size_t bytes = 0;
    if (!Noted(file->ReadAt(offset_, records_, static_cast<size_t>(wanted * length), &bytes)))
      return 0;
    return static_cast<int64_t>(bytes) / length;
  }
  int64_t got = 0;
  while (got < wanted) {
    int64_t batch = std::min(wanted - got, staging_records_);
    size_t bytes = 0;
    const uint64_t at = static_cast<uint64_t>(offset_ + got * length);
    if (!Noted(file->ReadAt(at, staging_, static_cast<size_t>(batch * length), &bytes))) bytes = 0;
    const int64_t whole = static_cast<int64_t>(bytes) / length;
    const int pieces = Pieces();
    pool_->Run(pieces, [&](int64_t p) {
      for (int64_t k = whole * p / pieces; k < whole * (p + 1) / pieces; ++k)
        layout_.ToInternal(staging_ + k * length, records_ + (got + k) * length);
    });
    got += whole;
    if (whole < batch) break;
  }
  return got;
}

void ChunkReader::Unmap() {
  if (mapping_ == nullptr) return;
  input_guard::Unwatch();
  mapping_.reset();
  mapped_records_ = nullptr;
}

void ChunkReader::CountDescents(const uint8_t* records, SortEntry* entries, EntryFormat format,
                                ChunkResult* result) const {
  const int64_t length = layout_.record_length();
  const int64_t n = result->records;
  const bool needs_rest = cmp_.NeedsRest();
  const int pieces = Pieces();
  std::vector<int64_t> descents(static_cast<size_t>(pieces), 0);
  // Each piece also compares its first record with the one before it, so every neighbouring
  // pair is counted exactly once.
  pool_->Run(pieces, [&](int64_t p) {
    const int64_t first = n * p / pieces;
    const int64_t last = n * (p + 1) / pieces;
    if (first >= last) return;
    const uint8_t* record = records + first * length;
    const uint8_t* before = first > 0 ? record - length : nullptr;
    uint64_t previous = before ? cmp_.Prefix(before) : 0;
    int64_t count = 0;
    for (int64_t k = first; k < last; ++k, record += length) {
      // The chunk's pages come fresh from the system's cache: asking for the records a few
      // kilobytes ahead keeps the reads streaming across page boundaries.
      if (k + kReadAhead < last) __builtin_prefetch(record + kReadAhead * length);
      uint64_t prefix = cmp_.Prefix(record);
      entries[k] = format.Make(prefix, k);
      if (before != nullptr && (previous > prefix || (previous == prefix && needs_rest &&
                                                      cmp_.CompareRest(before, record) > 0)))
        ++count;
      previous = prefix;
      before = record;
    }
    descents[static_cast<size_t>(p)] = count;
  });
  for (int64_t d : descents) result->descents += d;
}

int64_t EstimatePartitions(int64_t previous, const ChunkResult& chunk) {
  if (chunk.descents == 0) return previous;
  return (chunk.records - 1) / (10 * chunk.descents);
}

int64_t BoundPartitions(int64_t p, PartitionLimits limits) {
  if (p > limits.upper) p = limits.upper;
  if (p < limits.lower) p = limits.lower;
  if (p > 1) {
    int64_t power = 1;
    while (power < p && power < (int64_t{1} << 40)) power *= 2;
    p = power;
    while (p > 1025) p /= 2;
  }
  return p;
}

}  // namespace kvt::engine
