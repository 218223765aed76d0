// The collating table file of a user sort order, as the front-end checks it and the engine loads
// it: 512 numbers of three decimal digits and no separators, the output table (collating byte
// -> output byte) and then the input table (input byte -> collating byte), each number kept
// modulo 256. Only tables that undo each other give back every record byte for byte: a table
// that weighs two bytes alike would change the key bytes of the sorted records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kvt::formats {

inline constexpr size_t kCollatingHalfBytes = 768;

struct CollatingTables {
  uint8_t input[256];   // input byte -> collating byte
  uint8_t output[256];  // collating byte -> output byte
};

enum class CollatingParse { kOk, kOutputTableShort, kInputTableShort };

// Reads the two halves; a number is read as the engine reads its fixed fields (leading blanks
// skipped, an optional sign, digits up to the first other character, none giving 0).
CollatingParse ParseCollatingTables(std::string_view data, CollatingTables* tables);

// What keeps the tables from giving back every byte; empty when they undo each other.
// For example "the value 065 stands twice in the input table (for bytes 065 and 097)".
std::string CollatingTablesProblem(const CollatingTables& tables);

}  // namespace kvt::formats
