#include "util/editor/key_field_grid.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "util/editor/editor_texts.h"
#include "util/theme_colours.h"

namespace kvt::util {

namespace {

// Three narrow columns of equal width, wide enough for the longest heading.
void setNarrowColumns(QTableWidget* grid, const QStringList& headings) {
  int width = 40;
  for (const QString& h : headings)
    width = std::max(width, grid->fontMetrics().horizontalAdvance(h) + 16);
  for (int c = 0; c < grid->columnCount(); ++c) grid->setColumnWidth(c, width);
}

}  // namespace

KeyFieldGrid::KeyFieldGrid(QWidget* parent) : QTableWidget(parent) {
  setObjectName(QStringLiteral("grdCtlVal"));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Arrows move inside the grid; Tab and Shift+Tab leave it.
  setTabKeyNavigation(false);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  initGrdCtl();
}

void KeyFieldGrid::initGrdCtl() {
  const QStringList headings{QStringLiteral("Pos"), QStringLiteral("Lth"), QStringLiteral("Order")};
  setColumnCount(3);
  setRowCount(KeyFieldSet::kRows);
  for (int c = 0; c < 3; ++c) {
    auto* item = new QTableWidgetItem(headings[c]);
    item->setForeground(readableShade(texts::kNotice, palette()));
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalHeaderItem(c, item);
  }
  setNarrowColumns(this, headings);
  for (int r = 0; r < KeyFieldSet::kRows; ++r)
    for (int c = 0; c < 3; ++c) setCellText(r, c, QString());
}

QString KeyFieldGrid::cellText(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell ? cell->text() : QString();
}

void KeyFieldGrid::setCellText(int row, int column, const QString& text) {
  QTableWidgetItem* cell = item(row, column);
  if (!cell) {
    cell = new QTableWidgetItem;
    cell->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setItem(row, column, cell);
  }
  cell->setText(text);
}

void KeyFieldGrid::showFields(const KeyFieldSet& fields) {
  for (int n = 1; n <= KeyFieldSet::kRows; ++n) {
    const KeyField& f = fields.row(n);
    setCellText(n - 1, KeyFieldTyping::kPos, f.pos);
    setCellText(n - 1, KeyFieldTyping::kLen, f.len);
    setCellText(n - 1, KeyFieldTyping::kOrder, f.ord);
  }
}

KeyFieldSet KeyFieldGrid::fields() const {
  KeyFieldSet set;
  for (int n = 1; n <= KeyFieldSet::kRows; ++n) {
    set.row(n) = {cellText(n - 1, KeyFieldTyping::kPos), cellText(n - 1, KeyFieldTyping::kLen),
                  cellText(n - 1, KeyFieldTyping::kOrder)};
  }
  return set;
}

void KeyFieldGrid::keyPressEvent(QKeyEvent* event) {
  const int row = currentRow();
  const int column = currentColumn();
  KeyFieldTyping::Outcome out;
  if (row >= 0 && column >= 0 && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
    out = KeyFieldTyping::apply(column, cellText(row, column), event->key(), event->text());
  // Backspace on a filled cell changes it too, although it does not count as typing.
  const bool changed = out.handled && (out.edited || out.cell != cellText(row, column));
  if (out.handled) {
    setCellText(row, column, out.cell);
    event->accept();
  } else if (!event->text().isEmpty() && event->text().at(0).isPrint()) {
    event->accept();  // other characters are ignored, not used to search the grid
  } else {
    QTableWidget::keyPressEvent(event);  // the grid's own navigation
  }
  emit keyPressed(changed);
}

}  // namespace kvt::util
