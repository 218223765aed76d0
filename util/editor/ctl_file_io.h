// Reading a sort control file into the editor's values and composing the file a save writes.
#pragma once

#include <QList>
#include <QString>
#include <string>

#include "util/editor/key_fields.h"

namespace kvt::front {
class clsFile;
}

namespace kvt::util {

// The [FILE] values as the editor's boxes show them.
struct CtlFileValues {
  bool userOrder = false;  // SORTORDER="USERDEFINED"
  QString inFile;
  QString outFile;
  QString recLen;
  QString memUsage;
  QString workFiles;
  QString minSplit;
  QString maxSplit;
  QString workDir;
};

// Completes a relative path with the main directory (which ends with the separator).
QString completePath(const QString& value, const QString& mainDir);

// The sort-order file that goes with a control file: the name's extension replaced by "sor",
// as the front-end derives it ("job.txt" goes with "job.sor"); a name without an extension
// gets ".sor" appended.
QString sortOrderPathFor(const QString& ctlPath);

// VERSION as the editor writes it: the first character and the last two of the installed
// version ("200" stays "200").
QString versionStamp(const QString& installedVersion);

// True when a control file can be saved: it has a name, an input, an output and a length.
bool isComplete(const QString& ctlName, const QString& inFile, const QString& outFile,
                const QString& recLen);

// The key of the first value that the file cannot hold (a double quote ends a value, a line
// break ends its line), "" when every value can be stored.
QString unstorableKey(const CtlFileValues& values);

class CtlFileReader {
 public:
  CtlFileReader(front::clsFile& file, QString mainDir)
      : file_(file), mainDir_(std::move(mainDir)) {}

  // Reads [FILE] and [FIELDS] of path into values and fields. values comes in with what the
  // boxes show, since "*" splits and work-file counts leave them unchanged. False when the
  // file is not a KV02 control file; values and fields are then untouched.
  bool load(const QString& path, CtlFileValues* values, KeyFieldSet* fields);
  // After a successful load: the file held more key fields than the grid can show.
  bool fieldsCut() const { return fieldsCut_; }

 private:
  std::string value(const std::string& path, const char* key);

  front::clsFile& file_;
  QString mainDir_;
  bool fieldsCut_ = false;
};

class CtlFileWriter {
 public:
  explicit CtlFileWriter(front::clsFile& file) : file_(file) {}

  // The whole file a save writes, built in the control-file image: [FILE], [FIELDS], [END].
  std::string compose(const CtlFileValues& values, const KeyFieldSet& fields,
                      const QString& version);
  // Rows of the key-field grid left out by the last compose (position without length).
  const QList<int>& leftOutRows() const { return leftOut_; }

 private:
  front::clsFile& file_;
  QList<int> leftOut_;
};

}  // namespace kvt::util
