#include "jobfront/control_record_writer.h"

#include <iostream>
#include <memory>

#include "frontlib/shared_routines.h"
#include "jobfront/fixed_text.h"
#include "jobfront/return_codes.h"
#include "platform/file_system.h"
#include "platform/file_util.h"

namespace kvt::jobfront {

namespace {

// A new private file: the record names the job's input and output, and nothing else may stand
// in its place (a link planted there is never followed).
platform::Status writeBytes(const std::string& path, const std::string& bytes) {
  std::unique_ptr<platform::File> file;
  platform::Status status =
      platform::FileSystem::Default().Open(path, platform::OpenMode::kCreateExclusive, &file);
  if (status.ok()) status = file->Write(bytes.data(), bytes.size());
  if (status.ok()) status = file->Close();
  return status;
}

int refuse(const std::string& enginePath, int code, const std::string& message) {
  platform::RemoveFile(enginePath);
  front::logSort("STA", message);
  return code;
}

}  // namespace

EngineHeader engineHeader(const JobSettings& s, const ChunkPlan& plan) {
  EngineHeader h;
  h.traceFlag = s.traceFlag;
  h.version = versionStamp(s.version);
  h.memoryPercent = lastChars("000" + s.memoryUsage, 3);
  h.chunks = plan.chunks;
  h.maxSplit = s.maxSplit;
  h.minSplit = s.minSplit;
  h.sortOrder = s.sortOrder;
  h.splits = s.splits;
  h.recordsPerChunk = plan.recordsPerChunk;
  return h;
}

EngineTrailer engineTrailer(const JobSettings& s) {
  return {s.recordLength, s.inputPath, s.outputPath, s.workDir, collatingTablePath(s.controlPath)};
}

int writeControlRecord(const std::string& enginePath, const JobSettings& s, const ChunkPlan& plan,
                       const FieldLookup& fields, const std::vector<std::string>& fieldKeyNames) {
  front::logSort("STA", s.controlPath + " control file used.");
  platform::RemoveFile(enginePath);
  int64_t recordLength = front::numericValue(s.recordLength);
  FieldList list = readFields(fields, recordLength, fieldKeyNames);
  const std::string incorrect = s.controlPath + " FIELDS section is incorrect";
  const EngineTrailer trailer = engineTrailer(s);
  std::vector<KeyField> fillers = fillerRecords(list.fields, recordLength);
  // However many fields there are, one check and one message say that they are too many.
  const bool tooMany = list.tooMany || (list.correct && list.fields.size() + fillers.size() >
                                                            fieldEntryRoom(trailer));
  if (tooMany) {
    return refuse(enginePath, kRcFieldsIncorrect,
                  incorrect + ": too many fields for the engine control record.");
  }
  if (!list.correct) {
    return refuse(enginePath, kRcFieldsIncorrect,
                  list.problem.empty() ? incorrect + "." : incorrect + ": " + list.problem + ".");
  }
  front::logSort("STA", front::numberText(static_cast<int64_t>(list.fields.size())) +
                            " sortorder fields specified.");
  std::string record;
  if (!buildEngineRecord(engineHeader(s, plan), list.fields, fillers, trailer, &record)) {
    return refuse(enginePath, kRcRecordNotWritten,
                  s.controlPath + " too long for the engine control record.");
  }
  if (platform::Status written = writeBytes(enginePath, record); !written.ok()) {
    // The log may be writable where the main directory is not; standard error always is.
    std::cerr << "kv02sort: " << enginePath << " could not be written (" << written.message()
              << ")\n";
    return refuse(enginePath, kRcRecordNotWritten, enginePath + " could not be written.");
  }
  return kRcOk;
}

}  // namespace kvt::jobfront
