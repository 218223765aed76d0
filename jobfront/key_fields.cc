#include "jobfront/key_fields.h"

#include <algorithm>
#include <utility>

#include "frontlib/shared_routines.h"
#include "jobfront/job_settings.h"

namespace kvt::jobfront {

namespace {

// Reads field n; false at an error, with *problem naming it where it can. *end is set when
// the list ends before field n.
bool readField(const FieldLookup& lookup, int n, KeyField* field, bool* end, std::string* problem) {
  std::string number = std::to_string(n);
  std::string pos = trimmed(lookup(number + "POS"));
  if (pos.empty()) {
    *end = true;
    return true;
  }
  std::string len = trimmed(lookup(number + "LEN"));
  if (len.empty()) return false;
  for (const auto& [key, value] : {std::pair{"POS", &pos}, std::pair{"LEN", &len}}) {
    if (!isPlainNumber(*value)) {
      *problem = number + key + "=\"" + lookup(number + key) + "\" is not a number";
      return false;
    }
  }
  // An empty order means ascending.
  std::string ord = trimmed(lookup(number + "ORD"));
  if (!ord.empty() && ord != "A" && ord != "D") return false;
  field->start = front::numericValue(pos);
  field->length = front::numericValue(len);
  field->order = ord.empty() ? 'A' : ord[0];
  return true;
}

// The number of a field key ("12POS" gives 12), 0 for any other key.
int64_t fieldNumber(const std::string& key) {
  if (key.size() < 4) return 0;
  std::string suffix = key.substr(key.size() - 3);
  if (suffix != "POS" && suffix != "LEN" && suffix != "ORD") return 0;
  std::string digits = key.substr(0, key.size() - 3);
  return isPlainNumber(digits) && digits.size() < 10 ? front::numericValue(digits) : 0;
}

// A field written beyond the end of the list would be dropped without a word, and the sort
// would end well by fewer keys than the file holds: name the number that is missing.
std::string gapIn(const FieldLookup& lookup, size_t count,
                  const std::vector<std::string>& keyNames) {
  const std::string missing = std::to_string(count + 1) + "POS";
  for (const std::string& key : keyNames) {
    if (fieldNumber(key) > static_cast<int64_t>(count) && !trimmed(lookup(key)).empty()) {
      return missing + " is missing, " + key + " follows";
    }
  }
  return std::string();
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

FieldList readFields(const FieldLookup& lookup, int64_t recordLength,
                     const std::vector<std::string>& keyNames) {
  FieldList list;
  for (int n = 1;; ++n) {
    KeyField field;
    bool end = false;
    if (!readField(lookup, n, &field, &end, &list.problem)) return list;
    if (end) break;
    // The engine takes at most this many field entries; a longer list cannot be carried.
    if (n > kMaxFieldEntries) {
      list.tooMany = true;
      return list;
    }
    list.fields.push_back(field);
  }
  list.problem = gapIn(lookup, list.fields.size(), keyNames);
  if (!list.problem.empty()) return list;
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
