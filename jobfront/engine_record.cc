#include "jobfront/engine_record.h"

#include <algorithm>

#include "jobfront/fixed_text.h"

namespace kvt::jobfront {

std::string headerText(const EngineHeader& header) {
  std::string text;
  text += header.traceFlag;
  text += fitted(header.version, 3);
  text += fitted(header.memoryPercent, 3);
  text += zeroPadded(header.chunks, 5);
  text += fitted(header.maxSplit, 4);
  text += fitted(header.minSplit, 4);
  text += header.sortOrder;
  text += fitted(header.splits, 4);
  text += zeroPadded(header.recordsPerChunk, 10);
  return fitted(text, kHeaderLength);
}

std::string entryText(const KeyField& field) {
  return zeroPadded(field.start, 6) + zeroPadded(field.length, 5) + field.order;
}

bool buildEngineRecord(const EngineHeader& header, const std::vector<KeyField>& keys,
                       const std::vector<KeyField>& fillers, const EngineTrailer& trailer,
                       std::string* out) {
  if (keys.size() + fillers.size() > static_cast<size_t>(kMaxFieldEntries)) return false;
  for (const std::string* path :
       {&trailer.inputPath, &trailer.outputPath, &trailer.workPrefix, &trailer.collatingPath}) {
    if (path->size() > kMaxEnginePathLength) return false;
  }
  std::string record = headerText(header);
  for (const KeyField& key : keys) record += entryText(key);
  for (const KeyField& filler : fillers) record += entryText(filler);
  record += std::string(kEntryLength, '*');
  record += lengthPrefixed(trailer.recordLength);
  record += lengthPrefixed(trailer.inputPath);
  record += lengthPrefixed(trailer.outputPath);
  record += lengthPrefixed(trailer.workPrefix);
  record += lengthPrefixed(trailer.collatingPath);
  if (record.size() > kMaxEngineRecordBytes) return false;
  *out = std::move(record);
  return true;
}

size_t fieldEntryRoom(const EngineTrailer& trailer) {
  size_t used = kHeaderLength + kEntryLength;  // the header and the terminator
  for (const std::string* text : {&trailer.recordLength, &trailer.inputPath, &trailer.outputPath,
                                  &trailer.workPrefix, &trailer.collatingPath}) {
    used += 4 + text->size();
  }
  if (used >= kMaxEngineRecordBytes) return 0;
  return std::min(static_cast<size_t>(kMaxFieldEntries),
                  (kMaxEngineRecordBytes - used) / kEntryLength);
}

std::string collatingTablePath(const std::string& controlPath) {
  size_t slash = controlPath.rfind('/');
  size_t dot = controlPath.rfind('.');
  // A '.' in a folder name is no extension of the file.
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return controlPath.substr(0, dot + 1) + "sor";
}

}  // namespace kvt::jobfront
