// The key fields of a sort control file: what typing does to a cell of the key-field grid,
// and reading and writing the [FIELDS] section.
#pragma once

#include <QList>
#include <QString>
#include <QVector>

namespace kvt::front {
class clsFile;
}

namespace kvt::util {

struct KeyField {
  QString pos;
  QString len;
  QString ord;
  bool operator==(const KeyField& other) const = default;
};

// The rules of the grid's key handler: the grid has no in-cell editor.
class KeyFieldTyping {
 public:
  enum Column { kPos = 0, kLen = 1, kOrder = 2 };

  struct Outcome {
    bool handled = false;  // the cell text changed (or Backspace was pressed)
    QString cell;          // the cell's new text
    bool edited = false;   // sets the editor's fields-edited flag
  };

  // key is a Qt key code, text the character typed.
  static Outcome apply(int column, const QString& cell, int key, const QString& text);
};

// The 99 rows of the key-field grid, row n holding field n.
class KeyFieldSet {
 public:
  static constexpr int kRows = 99;

  KeyFieldSet() : rows_(kRows) {}

  const KeyField& row(int n) const { return rows_[n - 1]; }  // n = 1 .. 99
  KeyField& row(int n) { return rows_[n - 1]; }
  void clear() { rows_.fill(KeyField()); }

  // Reads 1POS, 1LEN, 1ORD, 2POS, ... from section FIELDS of path until the first empty
  // position. Returns false when the file holds more fields than the grid has rows.
  bool load(front::clsFile& file, const std::string& path);

  // Adds the filled rows to section FIELDS of the control-file image. A row with a position
  // but no length is left out (its row number is returned); the written fields are numbered
  // 1, 2, 3 ... without gaps so that every one of them reaches the sort. A blank order is "A".
  QList<int> save(front::clsFile& file) const;

 private:
  QVector<KeyField> rows_;
};

}  // namespace kvt::util
