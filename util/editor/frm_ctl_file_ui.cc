// The layout of frmCtlFile: frames, controls, captions, buddies and the controls' first
// states, in one place.
#include "util/editor/frm_ctl_file_ui.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <tuple>

#include "util/editor/editor_texts.h"
#include "util/editor/key_field_grid.h"
#include "util/editor/sort_order_grid.h"

namespace kvt::util {

namespace {

QLineEdit* newBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QLatin1String(name));
  return box;
}

QPushButton* newButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  button->setAutoDefault(false);
  return button;
}

// A label that names the control beside it, also for screen readers.
QLabel* labelFor(const QString& caption, QWidget* control, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setBuddy(control);
  control->setAccessibleName(caption);
  return label;
}

}  // namespace

void FrmCtlFileUi::setupUi(QDialog* form) {
  auto* layout = new QVBoxLayout(form);
  layout->addWidget(buildFileFrame(form));
  layout->addWidget(buildGrids(form), 1);
  auto* msgFrame = new QGroupBox(QStringLiteral("Message area"), form);
  msgFrame->setObjectName(QStringLiteral("fraMsg"));
  lblMsg = new QLabel(msgFrame);
  lblMsg->setObjectName(QStringLiteral("lblMsg"));
  lblMsg->setAccessibleDescription(QStringLiteral("Message area"));
  lblMsg->setWordWrap(true);
  lblMsg->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblMsg->setMinimumHeight(3 * lblMsg->fontMetrics().height());
  lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* msgLayout = new QVBoxLayout(msgFrame);
  msgLayout->addWidget(lblMsg);
  layout->addWidget(msgFrame);
  layout->addWidget(buildButtons(form));
}

QGroupBox* FrmCtlFileUi::buildFileFrame(QWidget* form) {
  auto* frame = new QGroupBox(form);
  frame->setObjectName(QStringLiteral("fraFile"));
  auto* grid = new QGridLayout(frame);
  txtSortCtl = newBox("txtSortCtl", frame);
  cmdBrowse = newButton("cmdBrowse", QStringLiteral("&Browse"), frame);
  txtInFile = newBox("txtInFile", frame);
  cmdBrowseI = newButton("cmdBrowseI", QStringLiteral("Bro&wse"), frame);
  txtOutFile = newBox("txtOutFile", frame);
  cmdBrowseO = newButton("cmdBrowseO", QStringLiteral("Brows&e"), frame);
  txtWFileDir = newBox("txtWFileDir", frame);
  const std::tuple<QString, QLineEdit*, QPushButton*> paths[] = {
      {QStringLiteral("Sort control file"), txtSortCtl, cmdBrowse},
      {QStringLiteral("Input file"), txtInFile, cmdBrowseI},
      {QStringLiteral("Output file"), txtOutFile, cmdBrowseO},
      {QStringLiteral("Work file dir"), txtWFileDir, nullptr},
  };
  int row = 0;
  for (const auto& [caption, box, button] : paths) {
    grid->addWidget(labelFor(caption, box, frame), row, 0);
    grid->addWidget(box, row, 1, 1, 8);
    if (button) {
      grid->addWidget(button, row, 9);
      // Three buttons read "Browse": a screen reader needs to say which file each one picks.
      button->setAccessibleName(QStringLiteral("Browse for the ") + caption.toLower());
    }
    ++row;
  }
  txtRecLen = newBox("txtRecLen", frame);
  txtMemUsage = newBox("txtMemUsage", frame);
  txtWorkFiles = newBox("txtWorkFiles", frame);
  txtMinSplit = newBox("txtMinSplit", frame);
  txtMaxSplit = newBox("txtMaxSplit", frame);
  for (QLineEdit* box : {txtRecLen, txtMemUsage, txtWorkFiles, txtMinSplit, txtMaxSplit})
    box->setMaximumWidth(80);
  grid->addWidget(labelFor(QStringLiteral("Record length"), txtRecLen, frame), row, 0);
  grid->addWidget(txtRecLen, row, 1);
  grid->addWidget(labelFor(QStringLiteral("Memory usage(%)"), txtMemUsage, frame), row, 2);
  grid->addWidget(txtMemUsage, row, 3);
  grid->addWidget(labelFor(QStringLiteral("Workfiles(#)"), txtWorkFiles, frame), row, 4);
  grid->addWidget(txtWorkFiles, row, 5);
  ++row;
  grid->addWidget(new QLabel(QStringLiteral("Splits(#)"), frame), row, 0);
  auto* splits = new QHBoxLayout;
  splits->addWidget(labelFor(QStringLiteral("(min)"), txtMinSplit, frame));
  splits->addWidget(txtMinSplit);
  splits->addSpacing(12);
  splits->addWidget(labelFor(QStringLiteral("(max)"), txtMaxSplit, frame));
  splits->addWidget(txtMaxSplit);
  splits->addStretch(1);
  grid->addLayout(splits, row, 1, 1, 5);
  txtMinSplit->setAccessibleName(QStringLiteral("Splits(#) (min)"));
  txtMaxSplit->setAccessibleName(QStringLiteral("Splits(#) (max)"));
  grid->setColumnStretch(8, 1);
  return frame;
}

QGroupBox* FrmCtlFileUi::buildOrderFrame(QWidget* form) {
  auto* frame = new QGroupBox(QStringLiteral("Sort Order"), form);
  frame->setObjectName(QStringLiteral("fraSortOrder"));
  optBinary = new QRadioButton(QStringLiteral("Bi&nary"), frame);
  optBinary->setObjectName(QStringLiteral("optBinary"));
  optUser = new QRadioButton(QStringLiteral("&User defined"), frame);
  optUser->setObjectName(QStringLiteral("optUser"));
  auto* layout = new QVBoxLayout(frame);
  layout->addWidget(optBinary);
  layout->addWidget(optUser);
  return frame;
}

QWidget* FrmCtlFileUi::buildGrids(QWidget* form) {
  auto* area = new QWidget(form);
  auto* layout = new QGridLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  grdCtlVal = new KeyFieldGrid(area);
  grdSortOrder = new SortOrderGrid(area);
  cboOrderFile = new QComboBox(area);
  cboOrderFile->setObjectName(QStringLiteral("cboOrderFile"));
  cboOrderFile->setMinimumWidth(180);
  // The grids are as wide as their columns, so only the vertical scroll bar is ever needed.
  grdCtlVal->verticalHeader()->setFixedWidth(grdCtlVal->fontMetrics().horizontalAdvance("99") + 12);
  for (QTableWidget* grid :
       {static_cast<QTableWidget*>(grdCtlVal), static_cast<QTableWidget*>(grdSortOrder)}) {
    int width = 2 * grid->frameWidth() + grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (!grid->verticalHeader()->isHidden()) width += grid->verticalHeader()->maximumWidth();
    for (int c = 0; c < grid->columnCount(); ++c) width += grid->columnWidth(c);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setFixedWidth(width + 2);
    grid->setMinimumHeight(300);
  }
  auto* middle = new QVBoxLayout;
  middle->addWidget(buildOrderFrame(form));
  middle->addWidget(labelFor(QStringLiteral("Sort order file"), cboOrderFile, area));
  middle->addWidget(cboOrderFile);
  middle->addStretch(1);
  layout->addWidget(labelFor(QStringLiteral("Sort fields"), grdCtlVal, area), 0, 0);
  layout->addWidget(grdCtlVal, 1, 0);
  layout->addLayout(middle, 1, 1);
  layout->addWidget(labelFor(QStringLiteral("Sort order"), grdSortOrder, area), 0, 2);
  layout->addWidget(grdSortOrder, 1, 2);
  layout->setColumnStretch(1, 1);
  return area;
}

QWidget* FrmCtlFileUi::buildButtons(QWidget* form) {
  auto* row = new QWidget(form);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  cmdSave = newButton("cmdSave", texts::kSaveCaption, row);
  cmdCancel = newButton("cmdCancel", QStringLiteral("Cance&l"), row);
  cmdExit = newButton("cmdExit", QStringLiteral("E&xit"), row);
  layout->addStretch(1);
  layout->addWidget(cmdSave);
  layout->addWidget(cmdCancel);
  layout->addWidget(cmdExit);
  // Cancel stays in the layout while hidden, so the buttons do not jump.
  QSizePolicy keep = cmdCancel->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  cmdCancel->setSizePolicy(keep);
  cmdCancel->hide();
  cmdSave->setEnabled(false);
  cmdBrowseI->setEnabled(false);
  cmdBrowseO->setEnabled(false);
  cboOrderFile->setEnabled(false);
  grdSortOrder->setEnabled(false);
  return row;
}

}  // namespace kvt::util
