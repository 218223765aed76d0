// grdCtlVal: the key-field grid. It has no in-cell editor; its key handler changes the cell.
#pragma once

#include <QTableWidget>

#include "util/editor/key_fields.h"

namespace kvt::util {

class KeyFieldGrid : public QTableWidget {
  Q_OBJECT

 public:
  explicit KeyFieldGrid(QWidget* parent = nullptr);

  void initGrdCtl();  // header row, columns and empty rows
  void showFields(const KeyFieldSet& fields);
  KeyFieldSet fields() const;

 signals:
  // After every key press; changed when the key changed a cell (typing or Backspace).
  void keyPressed(bool changed);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QString cellText(int row, int column) const;
  void setCellText(int row, int column, const QString& text);
};

}  // namespace kvt::util
