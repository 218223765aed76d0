#include "formats/resume_journal.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "formats/product_files.h"

namespace kvt::formats {

namespace {

constexpr char kMagic[] = "KVT resume journal 2";

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr uint64_t kPrime3 = 0x165667B19E3779F9ULL;

uint64_t RotateLeft(uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

uint64_t Word(const uint8_t* at) {
  uint64_t w;
  std::memcpy(&w, at, sizeof w);
  return w;
}

uint64_t Round(uint64_t acc, uint64_t word) {
  return RotateLeft(acc + word * kPrime2, 31) * kPrime1;
}

std::string Hex(uint64_t value) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 15];
  return text;
}

std::string HexBytes(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char c : bytes) {
    text += kDigits[c >> 4];
    text += kDigits[c & 15];
  }
  return text;
}

bool FromHexBytes(const std::string& text, std::string* bytes) {
  if (text.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    size_t used = 0;
    unsigned value = 0;
    try {
      value = static_cast<unsigned>(std::stoul(text.substr(i, 2), &used, 16));
    } catch (...) {
      return false;
    }
    if (used != 2) return false;
    *bytes += static_cast<char>(value);
  }
  return true;
}

// "file LENGTH CHECKSUM STATUS-P SORT-P PRESORTED NAME"; the name runs to the end of the line.
bool ParseEntry(const std::string& line, JournalEntry* entry) {
  std::istringstream in(line);
  std::string word, checksum;
  int presorted = 0;
  if (!(in >> word >> entry->length >> checksum >> entry->status_partitions >>
        entry->sort_partitions >> presorted) ||
      word != "file" || checksum.size() != 16 || in.get() != ' ')
    return false;
  std::getline(in, entry->name);
  entry->presorted = presorted != 0;
  try {
    entry->checksum = std::stoull(checksum, nullptr, 16);
  } catch (...) {
    return false;
  }
  return !entry->name.empty();
}

bool ParseHead(const std::string& input_line, const std::string& control_line, Journal* journal) {
  std::istringstream in(input_line);
  std::string word, edges, collating, control;
  InputIdentity& id = journal->input;
  if (!(in >> word >> id.size >> id.modified >> edges >> collating) || word != "input" ||
      edges.size() != 16 || collating.size() != 16)
    return false;
  try {
    id.edges = std::stoull(edges, nullptr, 16);
    id.collating = std::stoull(collating, nullptr, 16);
  } catch (...) {
    return false;
  }
  if (control_line.rfind("control ", 0) != 0) return false;
  return FromHexBytes(control_line.substr(8), &journal->control);
}

}  // namespace

uint64_t BlockChecksum(const uint8_t* data, size_t size, uint64_t seed) {
  uint64_t lane[4] = {seed + kPrime1 + kPrime2, seed + kPrime2, seed, seed - kPrime1};
  size_t at = 0;
  // Four independent lanes keep the multiplier busy.
  for (; at + 32 <= size; at += 32) {
    for (int k = 0; k < 4; ++k) lane[k] = Round(lane[k], Word(data + at + 8 * k));
  }
  uint64_t h = RotateLeft(lane[0], 1) + RotateLeft(lane[1], 7) + RotateLeft(lane[2], 12) +
               RotateLeft(lane[3], 18) + size;
  for (; at + 8 <= size; at += 8)
    h = RotateLeft(h ^ Round(0, Word(data + at)), 27) * kPrime1 + kPrime3;
  for (; at < size; ++at) h = RotateLeft(h ^ (data[at] * kPrime3), 11) * kPrime1;
  h ^= h >> 33;
  h *= kPrime2;
  h ^= h >> 29;
  h *= kPrime3;
  return h ^ (h >> 32);
}

std::string JournalName(const std::string& work_prefix) { return WorkFileName(work_prefix, 0, 0); }

std::string FormatJournalHead(const Journal& journal) {
  const InputIdentity& id = journal.input;
  return std::string(kMagic) + "\ninput " + std::to_string(id.size) + " " +
         std::to_string(id.modified) + " " + Hex(id.edges) + " " + Hex(id.collating) +
         "\ncontrol " + HexBytes(journal.control) + "\n";
}

std::string FormatJournalEntry(const JournalEntry& entry) {
  return "file " + std::to_string(entry.length) + " " + Hex(entry.checksum) + " " +
         std::to_string(entry.status_partitions) + " " + std::to_string(entry.sort_partitions) +
         " " + (entry.presorted ? "1" : "0") + " " + entry.name + "\n";
}

bool ParseJournal(const std::string& text, Journal* journal) {
  std::vector<std::string> lines;
  size_t from = 0;
  for (size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
    lines.push_back(text.substr(from, end - from));
  if (lines.size() < 3 || lines[0] != kMagic || !ParseHead(lines[1], lines[2], journal))
    return false;
  journal->entries.clear();
  for (size_t i = 3; i < lines.size(); ++i) {
    JournalEntry entry;
    if (!ParseEntry(lines[i], &entry)) return false;
    journal->entries.push_back(entry);
  }
  return true;
}

bool ReadJournal(const std::string& path, Journal* journal) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return !in.bad() && ParseJournal(text, journal);
}

}  // namespace kvt::formats
