#include "formats/engine_control_record.h"

#include <algorithm>

#include "formats/fixed_fields.h"

namespace kvt::formats {

namespace {

// Header fields: offset and width.
struct Span {
  size_t offset;
  size_t width;
};
constexpr size_t kTraceOffset = 0;
constexpr Span kVersion{1, 3};
constexpr Span kMemory{4, 3};
constexpr Span kChunks{7, 5};
constexpr Span kUpper{12, 4};
constexpr Span kLower{16, 4};
constexpr size_t kOrderOffset = 20;
constexpr Span kPartitions{21, 4};
constexpr Span kPerChunk{25, 10};
// Entry fields.
constexpr Span kPosition{0, 6};
constexpr Span kLength{6, 5};
constexpr size_t kCodeOffset = 11;
constexpr std::string_view kTerminatorMark = "******";
constexpr size_t kLengthPrefixWidth = 4;

std::string_view At(std::string_view data, Span span, size_t base = 0) {
  return FieldAt(data, base + span.offset, span.width);
}

std::string LengthPrefixed(const std::string& text) {
  return ZeroPaddedCut(static_cast<int64_t>(text.size()), kLengthPrefixWidth) + text;
}

void Step(const ControlReadStep& step, int number, std::string_view text) {
  if (step) step(number, text);
}

// Reads one length-prefixed trailer string at *offset. False when it is missing or its text
// runs past the data.
bool ReadTrailerString(std::string_view data, size_t* offset, std::string* out) {
  if (*offset >= data.size()) return false;
  int64_t n = ParseDecimal(FieldAt(data, *offset, kLengthPrefixWidth));
  if (n <= 0) {
    out->clear();
    *offset += kLengthPrefixWidth;
    return true;
  }
  size_t available = data.size() - *offset;
  if (available < kLengthPrefixWidth || static_cast<uint64_t>(n) > available - kLengthPrefixWidth)
    return false;
  *out = std::string(data.substr(*offset + kLengthPrefixWidth, static_cast<size_t>(n)));
  *offset += kLengthPrefixWidth + static_cast<size_t>(n);
  return true;
}

// The entries must describe a rearrangement of the record: every byte exactly once.
bool EntriesCoverRecord(const std::vector<ControlEntry>& entries, int64_t record_length) {
  if (record_length < 1 || record_length > kMaxRecordLength) return false;
  std::string covered(static_cast<size_t>(record_length), 0);
  for (const ControlEntry& e : entries) {
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

void ReadHeader(std::string_view data, const ControlReadStep& step, ParsedControlRecord* rec) {
  rec->trace = data[kTraceOffset] == 'T';
  rec->memory_text = std::string(At(data, kMemory));
  rec->chunk_count = ParseDecimal(At(data, kChunks));
  rec->upper_limit = ParseDecimal(At(data, kUpper));
  rec->lower_limit = ParseDecimal(At(data, kLower));
  rec->sort_order = data.size() > kOrderOffset ? data[kOrderOffset] : ' ';
  rec->partition_field = std::string(At(data, kPartitions));
  rec->partitions = ParseDecimal(rec->partition_field);
  rec->records_per_chunk = ParseDecimal(At(data, kPerChunk));
  Step(step, 0, rec->memory_text);
  Step(step, 1, At(data, kChunks));
  Step(step, 2, At(data, kUpper));
  Step(step, 3, At(data, kLower));
  Step(step, 4, rec->partition_field);
}

// The entries up to the terminator; *offset ends just past it. False when the data ends first.
bool ReadEntries(std::string_view data, size_t* offset, std::vector<ControlEntry>* entries) {
  for (;;) {
    if (FieldAt(data, *offset, kTerminatorMark.size()) == kTerminatorMark) {
      *offset += kControlEntryBytes;
      return true;
    }
    ControlEntry entry;
    entry.position = ParseDecimal(At(data, kPosition, *offset));
    entry.length = ParseDecimal(At(data, kLength, *offset));
    entry.code = *offset + kCodeOffset < data.size() ? data[*offset + kCodeOffset] : '\0';
    entries->push_back(entry);
    *offset += kControlEntryBytes;
    if (*offset >= data.size()) return false;
  }
}

bool ReadTrailer(std::string_view data, size_t offset, const ControlReadStep& step,
                 ParsedControlRecord* rec) {
  std::string length_text;
  if (!ReadTrailerString(data, &offset, &length_text)) return false;
  rec->record_length = ParseDecimal(length_text);
  if (!ReadTrailerString(data, &offset, &rec->input_path)) return false;
  if (!ReadTrailerString(data, &offset, &rec->output_path)) return false;
  if (!ReadTrailerString(data, &offset, &rec->work_prefix)) return false;
  Step(step, 6, rec->work_prefix);
  if (rec->user_order()) {
    if (!ReadTrailerString(data, &offset, &rec->collating_path)) return false;
    Step(step, 7, rec->collating_path);
  }
  return true;
}

bool WithinLimits(const std::vector<ControlEntry>& entries, const ControlTrailer& trailer) {
  if (entries.size() > kMaxFieldEntries) return false;
  for (const std::string* path :
       {&trailer.input_path, &trailer.output_path, &trailer.work_prefix, &trailer.collating_path}) {
    if (path->size() > kControlPathMaxLength) return false;
  }
  return true;
}

}  // namespace

std::string FormatControlHeader(const ControlHeader& header) {
  std::string text;
  text += header.trace_flag;
  text += Fitted(header.version, kVersion.width);
  text += Fitted(header.memory_percent, kMemory.width);
  text += ZeroPaddedCut(header.chunks, kChunks.width);
  text += Fitted(header.upper_limit, kUpper.width);
  text += Fitted(header.lower_limit, kLower.width);
  text += header.sort_order;
  text += Fitted(header.partitions, kPartitions.width);
  text += ZeroPaddedCut(header.records_per_chunk, kPerChunk.width);
  return Fitted(text, kControlHeaderBytes);
}

std::string FormatControlEntry(const ControlEntry& entry) {
  return ZeroPaddedCut(entry.position, kPosition.width) +
         ZeroPaddedCut(entry.length, kLength.width) + entry.code;
}

bool BuildControlRecord(const ControlHeader& header, const std::vector<ControlEntry>& entries,
                        const ControlTrailer& trailer, std::string* out) {
  if (!WithinLimits(entries, trailer)) return false;
  std::string record = FormatControlHeader(header);
  for (const ControlEntry& entry : entries) record += FormatControlEntry(entry);
  record += std::string(kControlEntryBytes, '*');
  for (const std::string* text : {&trailer.record_length, &trailer.input_path, &trailer.output_path,
                                  &trailer.work_prefix, &trailer.collating_path}) {
    record += LengthPrefixed(*text);
  }
  if (record.size() > kControlRecordMaxBytes) return false;
  *out = std::move(record);
  return true;
}

size_t ControlEntryRoom(const ControlTrailer& trailer) {
  size_t used = kControlHeaderBytes + kControlEntryBytes;  // the header and the terminator
  for (const std::string* text : {&trailer.record_length, &trailer.input_path, &trailer.output_path,
                                  &trailer.work_prefix, &trailer.collating_path}) {
    used += kLengthPrefixWidth + text->size();
  }
  if (used >= kControlRecordMaxBytes) return 0;
  return std::min(kMaxFieldEntries, (kControlRecordMaxBytes - used) / kControlEntryBytes);
}

bool ParseControlRecord(std::string_view data, const ControlReadStep& step,
                        ParsedControlRecord* out, std::string* partition_field) {
  if (data.size() > kControlRecordMaxBytes) data = data.substr(0, kControlRecordMaxBytes);
  if (data.empty()) return false;
  ParsedControlRecord rec;
  ReadHeader(data, step, &rec);
  if (partition_field != nullptr) *partition_field = rec.partition_field;
  if (data.size() <= kControlHeaderBytes) return false;
  size_t offset = kControlHeaderBytes;
  if (!ReadEntries(data, &offset, &rec.entries)) return false;
  Step(step, 5, rec.partition_field);
  if (rec.partitions == 0) rec.partitions = rec.records_per_chunk / 10;
  if (!ReadTrailer(data, offset, step, &rec)) return false;
  // What the engine cannot sort safely is refused rather than half done.
  const ControlTrailer paths{"", rec.input_path, rec.output_path, rec.work_prefix,
                             rec.collating_path};
  if (!WithinLimits(rec.entries, paths)) return false;
  if (!EntriesCoverRecord(rec.entries, rec.record_length)) return false;
  *out = std::move(rec);
  return true;
}

}  // namespace kvt::formats
