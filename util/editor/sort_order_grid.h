// grdSortOrder: the collating sequence, one row per place. A double-click picks the character
// to move; the Insert key puts it directly after the character under the cursor.
#pragma once

#include <QTableWidget>

#include "util/editor/collating_table.h"

namespace kvt::util {

class SortOrderGrid : public QTableWidget {
  Q_OBJECT

 public:
  explicit SortOrderGrid(QWidget* parent = nullptr);

  void initGrdOrder();  // header row and columns
  void showTable(const CollatingTable& table);
  void showPlaces(const CollatingTable& table, int first, int last);

  // The text of the character with the given code as column "Chr" shows it.
  static QString charText(int code);

 signals:
  void focused();
  void sourcePicked(int place);    // double-click on the row of that place
  void insertPressed(int target);  // Insert with the cursor on the row of that place

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace kvt::util
