#include "formats/collating_file.h"

namespace kvt::formats {

namespace {

int ParseNumber(std::string_view text) {
  size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
  int value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    value = value * 10 + (text[at] - '0');
  return negative ? -value : value;
}

void ParseTable(std::string_view half, uint8_t* table) {
  for (size_t k = 0; k < 256; ++k)
    table[k] = static_cast<uint8_t>(ParseNumber(half.substr(3 * k, 3)) & 0xFF);
}

std::string Three(int value) {
  std::string text = "00" + std::to_string(value);
  return text.substr(text.size() - 3);
}

// The first value that two entries of the table share, with the two entries.
std::string RepeatedValue(const uint8_t* table, const char* name) {
  int first_entry[256];
  for (int& entry : first_entry) entry = -1;
  for (int k = 0; k < 256; ++k) {
    int& seen = first_entry[table[k]];
    if (seen >= 0) {
      return "the value " + Three(table[k]) + " stands twice in the " + name + " (for bytes " +
             Three(seen) + " and " + Three(k) + ")";
    }
    seen = k;
  }
  return "";
}

}  // namespace

CollatingParse ParseCollatingTables(std::string_view data, CollatingTables* tables) {
  if (data.size() < kCollatingHalfBytes) return CollatingParse::kOutputTableShort;
  ParseTable(data.substr(0, kCollatingHalfBytes), tables->output);
  if (data.size() < 2 * kCollatingHalfBytes) return CollatingParse::kInputTableShort;
  ParseTable(data.substr(kCollatingHalfBytes, kCollatingHalfBytes), tables->input);
  return CollatingParse::kOk;
}

std::string CollatingTablesProblem(const CollatingTables& tables) {
  std::string problem = RepeatedValue(tables.input, "input table");
  if (problem.empty()) problem = RepeatedValue(tables.output, "output table");
  if (!problem.empty()) return problem;
  for (int b = 0; b < 256; ++b) {
    if (tables.output[tables.input[b]] != b)
      return "the output table does not give back byte " + Three(b) + " (it gives " +
             Three(tables.output[tables.input[b]]) + ")";
  }
  return "";
}

}  // namespace kvt::formats
