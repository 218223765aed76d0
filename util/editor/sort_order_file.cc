#include "util/editor/sort_order_file.h"

#include <QDir>

#include "platform/file_util.h"

namespace kvt::util {

bool SortOrderReader::open(const QString& path) {
  close();
  block_ = front::FileBlock();
  block_.name = path.toStdString();
  // filOpen would create a missing file; a sort order is only ever read here.
  if (!platform::FileExists(block_.name) || platform::IsDirectory(block_.name)) return false;
  front::filOpen(block_);
  block_.position = 1;
  return isOpen();
}

void SortOrderReader::close() {
  if (block_.state == 1) front::filClose(block_);
}

QString SortOrderReader::readTitle() {
  if (!isOpen()) return QString();
  return QString::fromLatin1(front::filReadLen(block_, kTitleLength));
}

SortOrderReader::Result SortOrderReader::readTable(CollatingTable* table) {
  if (!isOpen()) return Result::kCannotOpen;
  const std::string digits = front::filReadLen(block_, SortOrderCodec::kDigits);
  close();
  return SortOrderCodec::decode(digits, table);
}

QString refusalReason(SortOrderReader::Result result) {
  switch (result) {
    case SortOrderReader::Result::kOk:
      return QString();
    case SortOrderReader::Result::kCannotOpen:
      return QStringLiteral("it cannot be opened");
    case SortOrderReader::Result::kTooShort:
      return QStringLiteral("it holds fewer than 1536 digits");
    case SortOrderReader::Result::kNotDigits:
      return QStringLiteral("it holds characters that are not digits");
    case SortOrderReader::Result::kOutOfRange:
      return QStringLiteral("it holds a value above 255");
    case SortOrderReader::Result::kNotPermutation:
      return QStringLiteral("a character appears in it more than once");
  }
  return QString();
}

QStringList standardOrderNames(const QString& mainDir) {
  const QDir dir(mainDir + "StdOrder");
  QStringList names;
  for (const QString& file :
       dir.entryList({QStringLiteral("*.sor")}, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
    names.append(file.chopped(4));
  }
  return names;
}

QString standardOrderPath(const QString& mainDir, const QString& name) {
  return mainDir + "StdOrder/" + name.trimmed() + ".sor";
}

bool writeSortOrderFile(const QString& path, const CollatingTable& table) {
  return platform::AtomicReplaceFile(path.toStdString(), SortOrderCodec::encode(table));
}

}  // namespace kvt::util
