// The journal a multi-chunk sort keeps beside its work files, so that a rerun of the same job
// after a kill can take over the work files that were finished and on disk. A text file: a head
// naming the input and the control record, then one line per finished work file, appended and
// synced after the file itself was synced. The engine writes and judges it; the front-end reads
// it only to know which work files to leave for the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvt::formats {

// Files are checksummed in blocks of this size, each block's checksum seeding the next.
inline constexpr size_t kChecksumBlockBytes = size_t{64} << 10;
// A fast 64-bit checksum of a block, chained through seed.
uint64_t BlockChecksum(const uint8_t* data, size_t size, uint64_t seed);

// What tells one input (and sort order) from another.
struct InputIdentity {
  uint64_t size = 0;
  int64_t modified = 0;    // modification time, in the file system's own unit
  uint64_t edges = 0;      // checksum of the first and the last 64 KiB
  uint64_t collating = 0;  // checksum of the collating table file; 0 for byte order
  bool operator==(const InputIdentity&) const = default;
};

// A finished work file, with what the chunk's status records said (for a chunk file).
struct JournalEntry {
  std::string name;  // file name only, without the folder
  uint64_t length = 0;
  uint64_t checksum = 0;
  int64_t status_partitions = 0;  // P of the chunk status record
  int64_t sort_partitions = 0;    // P the chunk was sorted with
  bool presorted = false;
};

struct Journal {
  InputIdentity input;
  std::string control;  // the control record's bytes
  std::vector<JournalEntry> entries;
};

// The journal's name under a work-file prefix: the one work-file name no run gives a work file
// (file 0 of pass 0), so whatever covers work files covers it.
std::string JournalName(const std::string& work_prefix);

std::string FormatJournalHead(const Journal& journal);
std::string FormatJournalEntry(const JournalEntry& entry);
// False when the head is not whole or a line is not understood. A last line cut short by a
// kill is left out: its file was never proven finished.
bool ParseJournal(const std::string& text, Journal* journal);
// False when there is no journal at path or it cannot be parsed.
bool ReadJournal(const std::string& path, Journal* journal);

}  // namespace kvt::formats
