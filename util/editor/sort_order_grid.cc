#include "util/editor/sort_order_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include "util/editor/editor_texts.h"
#include "util/theme_colours.h"

namespace kvt::util {

SortOrderGrid::SortOrderGrid(QWidget* parent) : QTableWidget(parent) {
  setObjectName(QStringLiteral("grdSortOrder"));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Arrows move inside the grid; Tab and Shift+Tab leave it.
  setTabKeyNavigation(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // A row is one character, so the cursor covers both columns.
  setSelectionBehavior(QAbstractItemView::SelectRows);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setVisible(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  initGrdOrder();
}

void SortOrderGrid::initGrdOrder() {
  const QStringList headings{QStringLiteral("Value"), QStringLiteral("Chr")};
  setColumnCount(2);
  setRowCount(CollatingTable::kSize);
  int width = 44;
  for (int c = 0; c < 2; ++c) {
    auto* item = new QTableWidgetItem(headings[c]);
    item->setForeground(readableShade(texts::kNotice, palette()));
    setHorizontalHeaderItem(c, item);
    width = std::max(width, fontMetrics().horizontalAdvance(headings[c]) + 16);
  }
  for (int c = 0; c < 2; ++c) setColumnWidth(c, width);
}

QString SortOrderGrid::charText(int code) {
  // Control codes have no picture of their own; the value column names them.
  if (code < 32 || (code >= 127 && code < 160)) return QString();
  return QString(QChar(code));
}

void SortOrderGrid::showTable(const CollatingTable& table) {
  showPlaces(table, 0, CollatingTable::kSize - 1);
}

void SortOrderGrid::showPlaces(const CollatingTable& table, int first, int last) {
  for (int place = first; place <= last; ++place) {
    const int value = table.entry(place);
    for (int c = 0; c < 2; ++c) {
      if (!item(place, c)) setItem(place, c, new QTableWidgetItem);
    }
    item(place, 0)->setText(QString::number(value));
    item(place, 1)->setText(charText(value));
  }
}

void SortOrderGrid::focusInEvent(QFocusEvent* event) {
  QTableWidget::focusInEvent(event);
  emit focused();
}

void SortOrderGrid::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Insert) {
    if (currentRow() >= 0) emit insertPressed(currentRow());
    event->accept();
    return;
  }
  QTableWidget::keyPressEvent(event);
}

void SortOrderGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableWidget::mouseDoubleClickEvent(event);
  const QModelIndex at = indexAt(event->position().toPoint());
  if (!at.isValid()) return;  // below the last row
  const int row = at.row();
  setCurrentCell(row, 0);
  selectRow(row);
  emit sourcePicked(row);
}

}  // namespace kvt::util
