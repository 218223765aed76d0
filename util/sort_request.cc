#include "util/sort_request.h"

#include <cmath>

#include "frontlib/cls_file.h"
#include "frontlib/file_block.h"
#include "frontlib/shared_routines.h"
#include "platform/paths.h"

namespace kvt::util {

CtlFileInfo readCtlFileInfo(const std::string& ctlPath, const std::string& mainDir) {
  kvt::front::clsFile ctl;
  ctl.CtlClose();
  CtlFileInfo info;
  // The reader would create a missing file empty; a mistyped name must leave nothing behind.
  if (kvt::front::fileMissing(ctlPath)) return info;
  const auto completed = [&mainDir](std::string path) {
    if (!path.empty() && !kvt::platform::IsAbsolutePath(path)) path = mainDir + path;
    return QString::fromStdString(path);
  };
  const std::string product = ctl.ReceiveCtl("FILE", "PRODUCT", ctlPath);
  if (kvt::front::trim(product) == "KV02") {
    info.found = true;
    info.inFile = completed(ctl.ReceiveCtl("FILE", "INFILE", ctlPath));
    info.outFile = completed(ctl.ReceiveCtl("FILE", "OUTFILE", ctlPath));
    info.recLen = QString::fromStdString(ctl.ReceiveCtl("FILE", "RECLEN", ctlPath));
    info.memUsage = QString::fromStdString(ctl.ReceiveCtl("FILE", "MEMORYUSAGE", ctlPath));
  }
  // The editor opens control files through the same reader; leave it closed.
  ctl.CtlClose();
  return info;
}

InputFileCheck checkInputFile(const std::string& inFile, const QString& recLen) {
  InputFileCheck check;
  if (!inFile.empty() && kvt::front::fileMissing(inFile)) {
    check.outcome = InputFileCheck::Outcome::NotFound;
    return check;
  }
  kvt::front::FileBlock block;
  block.name = inFile;
  kvt::front::filOpen(block);
  if (block.state != 1) {
    check.outcome = InputFileCheck::Outcome::CannotOpen;
    return check;
  }
  const int64_t length = kvt::front::filLength(block);
  kvt::front::filClose(block);
  const int64_t recordLength = kvt::front::numericValue(recLen.toStdString());
  if (recordLength <= 0) {
    check.outcome = InputFileCheck::Outcome::BadRecordLength;
    return check;
  }
  check.recordCount = QString::number(roundedRecordCount(length, recordLength));
  return check;
}

int64_t roundedRecordCount(int64_t bytes, int64_t recordLength) {
  const int64_t whole = bytes / recordLength;
  const int64_t twiceRest = 2 * (bytes % recordLength);
  if (twiceRest > recordLength) return whole + 1;
  if (twiceRest == recordLength) return whole % 2 == 0 ? whole : whole + 1;
  return whole;
}

}  // namespace kvt::util
