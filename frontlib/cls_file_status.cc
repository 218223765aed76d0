// clsFile, status half: reads the engine's 64-character status records one at a time. The
// caller owns the position and advances it by 64 after each record.
#include "frontlib/cls_file.h"

#include "frontlib/shared_routines.h"

namespace kvt::front {

namespace {

constexpr int16_t kStatusFileNumber = 5;
constexpr int64_t kStatusRecordLength = 64;

}  // namespace

std::string& clsFile::statusRec() {
  static std::string record(kStatusRecordLength, ' ');
  return record;
}

FileBlock& clsFile::statusBlock() {
  static FileBlock block;
  return block;
}

void clsFile::openStatusFile(const std::string& strInFile) {
  FileBlock& block = statusBlock();
  filClose(block);
  block.fileNumber = kStatusFileNumber;
  block.name = strInFile;
  block.recordLength = kStatusRecordLength;
  block.buffer.assign(kStatusRecordLength, ' ');
  // A status file that the engine has not yet created is not an error: stay closed.
  if (fileMissing(strInFile)) return;
  filOpen(block);
  block.position = 1;
}

void clsFile::statusGet() {
  FileBlock& block = statusBlock();
  std::string& record = statusRec();
  if (block.state != 1) {
    record.assign(kStatusRecordLength, ' ');
    return;
  }
  filRead(block);
  record = block.buffer.substr(0, kStatusRecordLength);
  record.resize(kStatusRecordLength, ' ');
}

void clsFile::StatusClose() { filClose(statusBlock()); }

}  // namespace kvt::front
