// The key fields of a sort control file's [FIELDS] section (1POS, 1LEN, 1ORD, 2POS, ...) and
// the filler fields that carry the bytes no key covers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/engine_control_record.h"

namespace kvt::jobfront {

// Most field entries (keys and fillers) the engine reads from its control record.
inline constexpr int kMaxFieldEntries = static_cast<int>(formats::kMaxFieldEntries);

struct KeyField {
  int64_t start = 0;  // 1-based position in the record
  int64_t length = 0;
  char order = 'A';  // 'A' ascending, 'D' descending, ' ' filler (not a key)

  bool operator==(const KeyField&) const = default;
};

struct FieldList {
  bool correct = false;          // no error and at least one field
  bool tooMany = false;          // more fields than the engine takes
  std::string problem;           // what is wrong, where it can be named ("" otherwise)
  std::vector<KeyField> fields;  // key order, most significant first
};

// Value of a key of the [FIELDS] section, "" when absent.
using FieldLookup = std::function<std::string(const std::string& key)>;

// Reads fields 1, 2, ... until a POS is empty; values count without the blanks and tabs
// around them. A LEN that is empty, a POS or LEN that is not a plain number, an ORD other
// than "A", "D" or empty (which means "A"), more than kMaxFieldEntries fields, a field
// numbered beyond the end of the list (keyNames: the names of the section's key lines), and
// fields the engine cannot carry into the output record (starting below 1, shorter than 1
// byte, reaching past recordLength, or overlapping another field) make the section incorrect.
FieldList readFields(const FieldLookup& lookup, int64_t recordLength,
                     const std::vector<std::string>& keyNames = {});

// Filler fields for the gaps before, between and after the key fields, in position order.
std::vector<KeyField> fillerRecords(const std::vector<KeyField>& fields, int64_t recordLength);

}  // namespace kvt::jobfront
