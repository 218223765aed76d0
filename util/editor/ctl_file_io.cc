#include "util/editor/ctl_file_io.h"

#include <algorithm>

#include "frontlib/cls_file.h"
#include "platform/paths.h"

namespace kvt::util {

namespace {

const char kEditingWarning[] = "MODIFYING THIS FILE MANUALLY WILL CAUSE THE SORT TO FAIL.";

bool isStar(const std::string& value) { return QString::fromStdString(value).trimmed() == "*"; }

}  // namespace

QString completePath(const QString& value, const QString& mainDir) {
  if (value.isEmpty() || platform::IsAbsolutePath(value.toStdString())) return value;
  return mainDir + value;
}

QString sortOrderPathFor(const QString& ctlPath) {
  // Either separator may end the folder part of a typed path.
  const int slash =
      std::max(ctlPath.lastIndexOf(u'/'), ctlPath.lastIndexOf(QChar(platform::kPathSeparator)));
  const int dot = ctlPath.lastIndexOf(u'.');
  if (dot > slash) return ctlPath.left(dot + 1) + "sor";
  return ctlPath + ".sor";
}

QString versionStamp(const QString& installedVersion) {
  const QString v = installedVersion.trimmed();
  return v.left(1) + v.right(2);
}

bool isComplete(const QString& ctlName, const QString& inFile, const QString& outFile,
                const QString& recLen) {
  return !ctlName.trimmed().isEmpty() && !inFile.trimmed().isEmpty() &&
         !outFile.trimmed().isEmpty() && !recLen.trimmed().isEmpty();
}

QString unstorableKey(const CtlFileValues& values) {
  const std::pair<const char*, const QString*> boxes[] = {
      {"INFILE", &values.inFile},        {"OUTFILE", &values.outFile},
      {"WORKDIR", &values.workDir},      {"RECLEN", &values.recLen},
      {"MEMORYUSAGE", &values.memUsage}, {"WORKFILES", &values.workFiles},
      {"MAXSPLIT", &values.maxSplit},    {"MINSPLIT", &values.minSplit}};
  for (const auto& [key, text] : boxes) {
    if (text->contains(QLatin1Char('"')) || text->contains(QLatin1Char('\r')) ||
        text->contains(QLatin1Char('\n')))
      return QString::fromLatin1(key);
  }
  return QString();
}

std::string CtlFileReader::value(const std::string& path, const char* key) {
  return file_.ReceiveCtl("FILE", key, path);
}

bool CtlFileReader::load(const QString& qpath, CtlFileValues* values, KeyFieldSet* fields) {
  const std::string path = qpath.toStdString();
  fieldsCut_ = false;
  file_.CtlClose();
  if (QString::fromStdString(value(path, "PRODUCT")).trimmed() != "KV02") {
    file_.CtlClose();
    return false;
  }
  CtlFileValues v = *values;
  v.inFile = completePath(QString::fromStdString(value(path, "INFILE")), mainDir_);
  v.outFile = completePath(QString::fromStdString(value(path, "OUTFILE")), mainDir_);
  v.userOrder = value(path, "SORTORDER") == "USERDEFINED";
  // A "*" leaves the box as it is: the front-end then picks the value itself.
  if (const auto s = value(path, "MAXSPLIT"); !isStar(s)) v.maxSplit = QString::fromStdString(s);
  if (const auto s = value(path, "MINSPLIT"); !isStar(s)) v.minSplit = QString::fromStdString(s);
  if (const auto s = value(path, "WORKFILES"); !isStar(s)) v.workFiles = QString::fromStdString(s);
  const QString workDir = QString::fromStdString(value(path, "WORKDIR"));
  if (!workDir.trimmed().isEmpty()) {
    v.workDir = completePath(workDir, mainDir_);
  } else {
    // Work files go next to the output unless a folder is named.
    v.workDir = QString::fromStdString(platform::DirectoryPart(v.outFile.toStdString()));
  }
  v.recLen = QString::fromStdString(value(path, "RECLEN"));
  v.memUsage = QString::fromStdString(value(path, "MEMORYUSAGE"));
  KeyFieldSet f;
  fieldsCut_ = !f.load(file_, path);
  file_.CtlClose();
  *values = v;
  *fields = f;
  return true;
}

std::string CtlFileWriter::compose(const CtlFileValues& values, const KeyFieldSet& fields,
                                   const QString& version) {
  file_.CtlClose();
  front::clsFile::ctlBuffer().clear();
  file_.addSectionToCtl("FILE");
  // Each key goes directly under the header, so the file lists them in reverse order.
  const std::pair<const char*, QString> keys[] = {
      {"SORTORDER", values.userOrder ? "USERDEFINED" : "BINARY"},
      {"MINSPLIT", values.minSplit},
      {"MAXSPLIT", values.maxSplit},
      {"WORKFILES", values.workFiles},
      {"MEMORYUSAGE", values.memUsage},
      {"RECLEN", values.recLen},
      {"WORKDIR", values.workDir},
      {"OUTFILE", values.outFile},
      {"INFILE", values.inFile},
      {"VERSION", version},
      {"PRODUCT", "KV02"},
      {"EDITING", kEditingWarning},
  };
  for (const auto& [key, text] : keys) file_.addKeyToCtl("FILE", key, text.trimmed().toStdString());
  file_.addSectionToCtl("FIELDS");
  leftOut_ = fields.save(file_);
  file_.addSectionToCtl("END");
  std::string image = front::clsFile::ctlBuffer();
  const auto last = image.find_last_not_of(' ');
  image.erase(last == std::string::npos ? 0 : last + 1);
  return image;
}

}  // namespace kvt::util
