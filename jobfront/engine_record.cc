#include "jobfront/engine_record.h"

namespace kvt::jobfront {

namespace {

formats::ControlHeader sharedHeader(const EngineHeader& h) {
  return {h.traceFlag, h.version,   h.memoryPercent, h.chunks,         h.maxSplit,
          h.minSplit,  h.sortOrder, h.splits,        h.recordsPerChunk};
}

formats::ControlTrailer sharedTrailer(const EngineTrailer& t) {
  return {t.recordLength, t.inputPath, t.outputPath, t.workPrefix, t.collatingPath};
}

formats::ControlEntry sharedEntry(const KeyField& field) {
  return {field.start, field.length, field.order};
}

}  // namespace

std::string headerText(const EngineHeader& header) {
  return formats::FormatControlHeader(sharedHeader(header));
}

std::string entryText(const KeyField& field) {
  return formats::FormatControlEntry(sharedEntry(field));
}

bool buildEngineRecord(const EngineHeader& header, const std::vector<KeyField>& keys,
                       const std::vector<KeyField>& fillers, const EngineTrailer& trailer,
                       std::string* out) {
  std::vector<formats::ControlEntry> entries;
  entries.reserve(keys.size() + fillers.size());
  for (const KeyField& key : keys) entries.push_back(sharedEntry(key));
  for (const KeyField& filler : fillers) entries.push_back(sharedEntry(filler));
  return formats::BuildControlRecord(sharedHeader(header), entries, sharedTrailer(trailer), out);
}

size_t fieldEntryRoom(const EngineTrailer& trailer) {
  return formats::ControlEntryRoom(sharedTrailer(trailer));
}

std::string collatingTablePath(const std::string& controlPath) {
  size_t slash = controlPath.rfind('/');
  size_t dot = controlPath.rfind('.');
  // A '.' in a folder name is no extension of the file.
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return controlPath.substr(0, dot + 1) + "sor";
}

}  // namespace kvt::jobfront
