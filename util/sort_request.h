// The checks "Start sort" makes before it starts the front-end: the control file must be one
// of this product, its input file must open, and its record length must be positive.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace kvt::util {

// What the [FILE] section of a control file gives the "Status" frame.
struct CtlFileInfo {
  bool found = false;  // false when PRODUCT is not "KV02" (or the file is missing)
  QString inFile;      // INFILE, with the main directory in front of a relative path
  QString recLen;      // RECLEN as written
  QString memUsage;    // MEMORYUSAGE as written
  QString outFile;     // OUTFILE, completed like INFILE
};

// Reads the control file through the program's control-file reader (clsFile). A missing file
// is not found and is not created.
CtlFileInfo readCtlFileInfo(const std::string& ctlPath, const std::string& mainDir);

struct InputFileCheck {
  enum class Outcome { Ok, CannotOpen, NotFound, BadRecordLength } outcome = Outcome::Ok;
  QString recordCount;  // size / record length, rounded, when Ok
};

// Opens the input file and divides its size by the record length. A missing input is refused
// and left missing: a refused start creates nothing.
InputFileCheck checkInputFile(const std::string& inFile, const QString& recLen);

// bytes / recordLength rounded to the nearest whole number, halves to the even neighbour.
int64_t roundedRecordCount(int64_t bytes, int64_t recordLength);

}  // namespace kvt::util
