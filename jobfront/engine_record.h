// The engine control record kvtsort.ctl in the front-end's terms: its key fields and settings
// become the record's entries, header and trailer, laid out by the shared record writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/engine_control_record.h"
#include "jobfront/key_fields.h"

namespace kvt::jobfront {

struct EngineHeader {
  char traceFlag = '*';           // 'T' switches the engine's trace file on
  std::string version;            // kept to 3 characters
  std::string memoryPercent;      // 3 characters, only logged by the engine
  int64_t chunks = 0;             // C
  std::string maxSplit = "0000";  // upper partition limit, 4 characters
  std::string minSplit = "0000";  // lower partition limit, 4 characters
  char sortOrder = ' ';           // 'U' selects the user collating sequence
  std::string splits = "0000";    // partition count P, 4 characters
  int64_t recordsPerChunk = 0;    // R
};

struct EngineTrailer {
  std::string recordLength;  // decimal text
  std::string inputPath;
  std::string outputPath;
  std::string workPrefix;
  std::string collatingPath;  // "" when the control file's name has no extension
};

// The 89 header bytes.
std::string headerText(const EngineHeader& header);
// One 12-byte entry: position (6 digits), length (5 digits), order character.
std::string entryText(const KeyField& field);

// The whole record: header, key entries, filler entries, terminator, five trailer strings.
// False (and *out untouched) when the engine could not read it whole: too many entries, too
// long a path, or too many bytes.
bool buildEngineRecord(const EngineHeader& header, const std::vector<KeyField>& keys,
                       const std::vector<KeyField>& fillers, const EngineTrailer& trailer,
                       std::string* out);

// How many field entries (keys and fillers) fit into the record beside this trailer: the
// record's byte limit and the engine's entry limit both count.
size_t fieldEntryRoom(const EngineTrailer& trailer);

// The companion sort-order file of a control file: its path up to and including the last
// '.' of its file name, then "sor"; "" when the file name has no '.'.
std::string collatingTablePath(const std::string& controlPath);

}  // namespace kvt::jobfront
