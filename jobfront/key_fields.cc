#include "jobfront/key_fields.h"

#include <algorithm>

#include "frontlib/shared_routines.h"

namespace kvt::jobfront {

namespace {

// Reads field n; false at an error. *end is set when the list ends before field n.
bool readField(const FieldLookup& lookup, int n, KeyField* field, bool* end) {
  std::string number = std::to_string(n);
  std::string pos = front::trim(lookup(number + "POS"));
  if (pos.empty()) {
    *end = true;
    return true;
  }
  std::string len = front::trim(lookup(number + "LEN"));
  if (len.empty()) return false;
  // An empty order means ascending.
  std::string ord = lookup(number + "ORD");
  if (!ord.empty() && ord != "A" && ord != "D") return false;
  field->start = front::numericValue(pos);
  field->length = front::numericValue(len);
  field->order = ord.empty() ? 'A' : ord[0];
  return true;
}

std::vector<KeyField> byPosition(const std::vector<KeyField>& fields) {
  std::vector<KeyField> sorted = fields;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const KeyField& a, const KeyField& b) { return a.start < b.start; });
  return sorted;
}

// The engine builds each output record from the field entries alone, so every field must
// lie inside the record and no byte may belong to two fields.
bool fitRecord(const std::vector<KeyField>& fields, int64_t recordLength) {
  for (const KeyField& f : fields) {
    if (f.start < 1 || f.length < 1 || f.length > recordLength - f.start + 1) return false;
  }
  std::vector<KeyField> sorted = byPosition(fields);
  for (size_t j = 1; j < sorted.size(); ++j) {
    if (sorted[j].start < sorted[j - 1].start + sorted[j - 1].length) return false;
  }
  return true;
}

}  // namespace

FieldList readFields(const FieldLookup& lookup, int64_t recordLength) {
  FieldList list;
  for (int n = 1;; ++n) {
    // The engine takes at most this many field entries; more keys cannot be a valid list.
    if (n > kMaxFieldEntries) return list;
    KeyField field;
    bool end = false;
    if (!readField(lookup, n, &field, &end)) return list;
    if (end) break;
    list.fields.push_back(field);
  }
  list.correct = !list.fields.empty() && fitRecord(list.fields, recordLength);
  return list;
}

std::vector<KeyField> fillerRecords(const std::vector<KeyField>& fields, int64_t recordLength) {
  std::vector<KeyField> fillers;
  if (fields.empty()) return fillers;
  std::vector<KeyField> sorted = byPosition(fields);
  if (sorted.front().start > 1) fillers.push_back({1, sorted.front().start - 1, ' '});
  for (size_t j = 0; j + 1 < sorted.size(); ++j) {
    int64_t gap = sorted[j + 1].start - sorted[j].start - sorted[j].length;
    if (gap > 0) fillers.push_back({sorted[j].start + sorted[j].length, gap, ' '});
  }
  const KeyField& last = sorted.back();
  int64_t tail = recordLength + 1 - last.start - last.length;
  if (tail > 0) fillers.push_back({last.start + last.length, tail, ' '});
  return fillers;
}

}  // namespace kvt::jobfront
