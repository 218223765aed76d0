// Reading sort-order files through a FileBlock, the standard sort orders of the main
// directory, and writing a user's sort-order file.
#pragma once

#include <QString>
#include <QStringList>

#include "frontlib/file_block.h"
#include "util/editor/collating_table.h"

namespace kvt::util {

class SortOrderReader {
 public:
  static constexpr int kTitleLength = 32;

  using Result = SortOrderCodec::Result;

  SortOrderReader() = default;
  SortOrderReader(const SortOrderReader&) = delete;
  SortOrderReader& operator=(const SortOrderReader&) = delete;
  ~SortOrderReader() { close(); }

  // Opens an existing file with the read position at byte 1. A missing file is not created.
  bool open(const QString& path);
  bool isOpen() const { return block_.state == 1; }
  void close();
  // The title of a standard sort order: the first 32 characters.
  QString readTitle();
  void setPosition(int64_t position) { block_.position = position; }
  // Reads the 1536 digits at the read position and closes the file. table changes only for
  // a good file: 256 values, each 0..255, every one of them once.
  Result readTable(CollatingTable* table);

 private:
  front::FileBlock block_;
};

// Why a sort-order file was refused, for the message line.
QString refusalReason(SortOrderReader::Result result);

// Names of the standard sort orders: the ".sor" files of StdOrder/ without the extension.
QStringList standardOrderNames(const QString& mainDir);
QString standardOrderPath(const QString& mainDir, const QString& name);

// Writes the user's sort-order file in one atomic step: a failure leaves an old file intact.
bool writeSortOrderFile(const QString& path, const CollatingTable& table);

}  // namespace kvt::util
