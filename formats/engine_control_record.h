// The engine control record kvtsort.ctl, written by the front-end and read by the engine: an
// 89-byte header, 12-byte field entries ended by twelve '*', and length-prefixed trailer
// strings. One byte per character, no line ends. Writer and reader share the layout and limits
// below, so a record the writer accepts is one the reader takes whole.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kvt::formats {

inline constexpr size_t kControlHeaderBytes = 89;
inline constexpr size_t kControlEntryBytes = 12;
// The engine reads no more than this many bytes of the record.
inline constexpr size_t kControlRecordMaxBytes = 2048;
inline constexpr size_t kControlPathMaxLength = 511;
// The engine's record buffers hold at most this many bytes per record.
inline constexpr int64_t kMaxRecordLength = 10000;
inline constexpr size_t kMaxFieldEntries = 200;

struct ControlEntry {
  int64_t position = 0;  // 1-based byte position in the input record
  int64_t length = 0;
  char code = ' ';  // 'A' ascending key, 'D' descending key, ' ' non-key

  bool operator==(const ControlEntry&) const = default;
};

// The header as its writer fills it; each text is cut or padded to its field.
struct ControlHeader {
  char trace_flag = '*';             // 'T' switches the engine's trace file on
  std::string version;               // 3 characters
  std::string memory_percent;        // 3 characters, only logged by the engine
  int64_t chunks = 0;                // 5 digits
  std::string upper_limit = "0000";  // upper partition limit, 4 characters
  std::string lower_limit = "0000";  // lower partition limit, 4 characters
  char sort_order = ' ';             // 'U' selects the user collating sequence
  std::string partitions = "0000";   // partition count, 4 characters
  int64_t records_per_chunk = 0;     // 10 digits
};

struct ControlTrailer {
  std::string record_length;  // decimal text
  std::string input_path;
  std::string output_path;
  std::string work_prefix;
  std::string collating_path;  // read only when the sort order is 'U'
};

// The 89 header bytes.
std::string FormatControlHeader(const ControlHeader& header);
// One 12-byte entry: position (6 digits), length (5 digits), order character.
std::string FormatControlEntry(const ControlEntry& entry);

// The whole record: header, entries, terminator, five trailer strings. False (and *out
// untouched) when the engine could not read it whole: more than kMaxFieldEntries entries, a
// path longer than kControlPathMaxLength, or more than kControlRecordMaxBytes bytes.
bool BuildControlRecord(const ControlHeader& header, const std::vector<ControlEntry>& entries,
                        const ControlTrailer& trailer, std::string* out);

// How many field entries fit into the record beside this trailer: the record's byte limit and
// the entry limit both count.
size_t ControlEntryRoom(const ControlTrailer& trailer);

// The record as its reader sees it.
struct ParsedControlRecord {
  bool trace = false;
  std::string memory_text;      // header bytes 4-6
  std::string partition_field;  // header bytes 21-24, as written
  int64_t chunk_count = 0;
  int64_t upper_limit = 0;
  int64_t lower_limit = 0;
  char sort_order = ' ';
  int64_t partitions = 0;  // the partition field, or a tenth of records_per_chunk when 0
  int64_t records_per_chunk = 0;
  std::vector<ControlEntry> entries;
  int64_t record_length = 0;
  std::string input_path;
  std::string output_path;
  std::string work_prefix;
  std::string collating_path;

  bool user_order() const { return sort_order == 'U'; }
};

// Told each step of the reading as it is reached (0 memory text, 1 chunks, 2 upper limit,
// 3 lower limit, 4 partitions, 5 entries read, 6 work prefix, 7 collating path) with its text,
// so that a record that fails later still shows how far it was read.
using ControlReadStep = std::function<void(int step, std::string_view text)>;

// Interprets the bytes of a record (at most kControlRecordMaxBytes are looked at). Returns
// false for a record that is cut short, malformed, or beyond the limits above, or whose
// entries do not cover every byte of the record exactly once. partition_field receives the
// header's partition text as soon as the header is read.
bool ParseControlRecord(std::string_view bytes, const ControlReadStep& step,
                        ParsedControlRecord* out, std::string* partition_field);

}  // namespace kvt::formats
