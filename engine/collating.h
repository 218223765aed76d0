// A user collating sequence: input bytes are translated into collating bytes before sorting and
// translated back on output.
#pragma once

#include <cstdint>
#include <string>

namespace kvt::engine {

struct CollatingTables {
  uint8_t input[256];   // input byte -> collating byte
  uint8_t output[256];  // collating byte -> output byte
};

// The file holds 512 three-digit numbers: the output table, then the input table; each number is
// kept modulo 256. Returns 0, 141 (cannot open) or 142 (a half shorter than 768 bytes).
int LoadCollatingTables(const std::string& path, CollatingTables* tables);

// The same from the file's bytes.
int ParseCollatingTables(const std::string& data, CollatingTables* tables);

}  // namespace kvt::engine
