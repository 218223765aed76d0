// The layout of frmUtil: frames, controls, captions, colours and buddies, in one place.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "util/frm_util.h"
#include "util/message_line.h"
#include "util/sort_progress.h"
#include "util/status_field.h"

namespace kvt::util {

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QLatin1String(name));
  return button;
}

// A text box with its label: the label is its buddy and its accessible name.
// labelText may carry a mnemonic mark ("S&ort control file"); the accessible name does not.
QLineEdit* makeField(QWidget* parent, const char* name, QLabel** label, const QString& caption,
                     bool readOnly = true, const QString& labelText = QString()) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QLatin1String(name));
  if (readOnly) makeStatusField(field);
  field->setAccessibleName(caption);
  if (label != nullptr) {
    *label = new QLabel(labelText.isEmpty() ? caption : labelText, parent);
    (*label)->setObjectName(QLatin1String("lbl_") + QLatin1String(name));
    (*label)->setBuddy(field);
  }
  // Long paths stay readable in the tooltip even when the box is narrow.
  QObject::connect(field, &QLineEdit::textChanged, field,
                   [field](const QString& text) { field->setToolTip(text); });
  return field;
}

// A field for numbers: wide enough for the largest count a run reports, so none is cut.
void fitNumbers(QLineEdit* field, const QString& widest) {
  const QMargins margins = field->textMargins();
  field->setMinimumWidth(field->fontMetrics().horizontalAdvance(widest) + margins.left() +
                         margins.right() + 16);
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(QLatin1String(name));
  return frame;
}

}  // namespace

void FrmUtilUi::setupUi(QWidget* form) {
  form->setObjectName(QStringLiteral("frmUtil"));
  form->setWindowTitle(QStringLiteral("Halvern - Tamsort Utility program"));
  // The preferred size; the first show fits it into the screen (frmUtil::showEvent).
  form->resize(1080, 720);

  auto* splitter = new QSplitter(Qt::Horizontal, form);
  splitter->setObjectName(QStringLiteral("splitMain"));
  splitter->setChildrenCollapsible(false);
  auto* leftPanel = new QWidget(splitter);
  auto* leftColumn = new QVBoxLayout(leftPanel);
  leftColumn->setContentsMargins(0, 0, 0, 0);
  leftColumn->addWidget(setupCommands(leftPanel));

  // Configuration, above the log: the left column keeps the height of a small screen.
  auto* rightPanel = new QWidget(splitter);
  auto* rightColumn = new QVBoxLayout(rightPanel);
  rightColumn->setContentsMargins(0, 0, 0, 0);
  rightColumn->addWidget(setupConfig(rightPanel));
  leftColumn->addWidget(setupStatus(leftPanel), 1);

  Timer1 = new QTimer(form);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  tmrJobWatch = new QTimer(form);
  tmrJobWatch->setObjectName(QStringLiteral("tmrJobWatch"));
  tmrJobWatch->setInterval(1000);

  rightColumn->addWidget(setupLog(rightPanel), 1);
  splitter->addWidget(leftPanel);
  splitter->addWidget(rightPanel);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({440, 640});

  frmMsg = setupMessage(form);
  auto* root = new QVBoxLayout(form);
  root->addWidget(splitter, 1);
  root->addWidget(frmMsg);
}

QGroupBox* FrmUtilUi::setupCommands(QWidget* panel) {
  auto* frmCommands = makeFrame(panel, "frmCommands", QStringLiteral("Commands"));
  auto* commandLayout = new QVBoxLayout(frmCommands);
  lstCommand = new QListWidget(frmCommands);
  lstCommand->setObjectName(QStringLiteral("lstCommand"));
  lstCommand->setAccessibleName(QStringLiteral("Commands"));
  lstCommand->setMaximumHeight(64);
  commandLayout->addWidget(lstCommand);
  auto* commandButtons = new QHBoxLayout;
  cmdExecute = makeButton(frmCommands, "cmdExecute", QStringLiteral("&Execute command"));
  cmdExecute->setEnabled(false);
  cmdCancel = makeButton(frmCommands, "cmdCancel", QStringLiteral("&Cancel"));
  cmdCancel->setEnabled(false);
  cmdExit = makeButton(frmCommands, "cmdExit", QStringLiteral("E&xit"));
  commandButtons->addWidget(cmdExecute);
  commandButtons->addWidget(cmdCancel);
  commandButtons->addStretch();
  commandButtons->addWidget(cmdExit);
  commandLayout->addLayout(commandButtons);
  return frmCommands;
}

QGroupBox* FrmUtilUi::setupConfig(QWidget* panel) {
  auto* frmConfig = makeFrame(panel, "frmConfig", QStringLiteral("Configuration"));
  auto* configLayout = new QGridLayout(frmConfig);
  QLabel* label = nullptr;
  txtVersion = makeField(frmConfig, "txtVersion", &label, QStringLiteral("Version"));
  configLayout->addWidget(label, 0, 0);
  configLayout->addWidget(txtVersion, 0, 1);
  txtInstDir = makeField(frmConfig, "txtInstDir", &label, QStringLiteral("Inst directory"));
  configLayout->addWidget(label, 1, 0);
  configLayout->addWidget(txtInstDir, 1, 1);
  configLayout->setColumnStretch(1, 1);
  return frmConfig;
}

QGroupBox* FrmUtilUi::setupStatus(QWidget* panel) {
  auto* frmStatus = makeFrame(panel, "frmStatus", QStringLiteral("Status"));
  auto* statusLayout = new QGridLayout(frmStatus);
  setupStatusFields(frmStatus, statusLayout);
  setupSortProgress(frmStatus, statusLayout);
  statusLayout->setColumnStretch(1, 1);
  statusLayout->setColumnStretch(3, 1);
  statusLayout->setRowStretch(11, 1);
  return frmStatus;
}

void FrmUtilUi::setupStatusFields(QGroupBox* frmStatus, QGridLayout* statusLayout) {
  QLabel* label = nullptr;
  txtCtlFile = makeField(frmStatus, "txtCtlFile", &label, QStringLiteral("Sort control file"),
                         false, QStringLiteral("S&ort control file"));
  statusLayout->addWidget(label, 0, 0);
  statusLayout->addWidget(txtCtlFile, 0, 1, 1, 4);
  auto* ctlButtons = new QHBoxLayout;
  cmdSCtl = makeButton(frmStatus, "cmdSCtl", QStringLiteral("&Browse"));
  cmdCreate = makeButton(frmStatus, "cmdCreate", QStringLiteral("E&dit sort control file"));
  ctlButtons->addStretch();
  ctlButtons->addWidget(cmdSCtl);
  ctlButtons->addWidget(cmdCreate);
  statusLayout->addLayout(ctlButtons, 1, 1, 1, 4);
  txtInFile = makeField(frmStatus, "txtInFile", &label, QStringLiteral("Input file"));
  statusLayout->addWidget(label, 2, 0);
  statusLayout->addWidget(txtInFile, 2, 1, 1, 4);
  txtRecLen = makeField(frmStatus, "txtRecLen", &label, QStringLiteral("Record length"));
  statusLayout->addWidget(label, 3, 0);
  statusLayout->addWidget(txtRecLen, 3, 1);
  txtFileSize = makeField(frmStatus, "txtFileSize", &label, QStringLiteral("File size (#records)"));
  statusLayout->addWidget(label, 3, 2);
  statusLayout->addWidget(txtFileSize, 3, 3, 1, 2);
  txtSortStatus = makeField(frmStatus, "txtSortStatus", &label, QStringLiteral("Sortareas"));
  statusLayout->addWidget(label, 4, 0);
  statusLayout->addWidget(txtSortStatus, 4, 1);
  txtWFiles = makeField(frmStatus, "txtWFiles", &label, QStringLiteral("Workfiles"));
  statusLayout->addWidget(label, 4, 2);
  statusLayout->addWidget(txtWFiles, 4, 3, 1, 2);
  txtMemUsage = makeField(frmStatus, "txtMemUsage", &label, QStringLiteral("Memory usage"));
  statusLayout->addWidget(label, 5, 0);
  auto* memoryBox = new QHBoxLayout;
  memoryBox->addWidget(txtMemUsage);
  auto* percent = new QLabel(QStringLiteral("%"), frmStatus);
  percent->setObjectName(QStringLiteral("lblPercent"));
  memoryBox->addWidget(percent);
  statusLayout->addLayout(memoryBox, 5, 1);
  txtSortTime = makeField(frmStatus, "txtSortTime", &label, QStringLiteral("Sort time(secs)"));
  for (QLineEdit* number : {txtRecLen, txtMemUsage}) fitNumbers(number, QStringLiteral("00000"));
  for (QLineEdit* number : {txtFileSize, txtSortStatus, txtWFiles, txtSortTime}) {
    fitNumbers(number, QStringLiteral("000000000000"));
  }
  statusLayout->addWidget(label, 5, 2);
  statusLayout->addWidget(txtSortTime, 5, 3, 1, 2);
  // The merge records are shown too: a long merge is otherwise a window that seems to hang.
  txtMergeStatus = makeField(frmStatus, "txtMergeStatus", &label, QStringLiteral("Merge status"));
  statusLayout->addWidget(label, 6, 0);
  statusLayout->addWidget(txtMergeStatus, 6, 1);
}

void FrmUtilUi::setupSortProgress(QGroupBox* frmStatus, QGridLayout* statusLayout) {
  lblSort = new QLabel(QStringLiteral("The sort is running"), frmStatus);
  lblSort->setObjectName(QStringLiteral("lblSort"));
  QFont bold = lblSort->font();
  bold.setBold(true);
  bold.setPointSize(12);
  lblSort->setFont(bold);
  lblSort->setAlignment(Qt::AlignCenter);
  QPalette red = lblSort->palette();
  red.setColor(QPalette::WindowText, colourOf(MsgColour::ErrorRed));
  lblSort->setPalette(red);
  lblSort->setVisible(false);
  // Keeps its place while hidden, so the frame does not jump when a sort starts.
  QSizePolicy keepSpace = lblSort->sizePolicy();
  keepSpace.setRetainSizeWhenHidden(true);
  lblSort->setSizePolicy(keepSpace);
  statusLayout->addWidget(lblSort, 7, 0, 1, 5);

  prgSort = new QProgressBar(frmStatus);
  prgSort->setObjectName(QStringLiteral("prgSort"));
  prgSort->setRange(0, ProgressView::kScale);
  prgSort->setValue(0);
  prgSort->setAccessibleName(QStringLiteral("Sort progress"));
  statusLayout->addWidget(prgSort, 8, 0, 1, 5);
  lblProgress = new QLabel(frmStatus);
  lblProgress->setObjectName(QStringLiteral("lblProgress"));
  lblProgress->setTextFormat(Qt::PlainText);
  lblProgress->setWordWrap(true);
  lblProgress->setAccessibleName(QStringLiteral("Sort progress"));
  // Three lines: what the engine does (which may wrap once), and the times.
  lblProgress->setMinimumHeight(lblProgress->fontMetrics().lineSpacing() * 3 + 4);
  lblProgress->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  statusLayout->addWidget(lblProgress, 9, 0, 1, 5);

  auto* sortButtons = new QHBoxLayout;
  cmdSort = makeButton(frmStatus, "cmdSort", QStringLiteral("S&tart sort"));
  cmdStop = makeButton(frmStatus, "cmdStop", QStringLiteral("Sto&p sort"));
  cmdStop->setEnabled(false);
  cmdMem = makeButton(frmStatus, "cmdMem", QStringLiteral("Show &memory"));
  sortButtons->addStretch();
  sortButtons->addWidget(cmdSort);
  sortButtons->addWidget(cmdStop);
  sortButtons->addWidget(cmdMem);
  statusLayout->addLayout(sortButtons, 10, 0, 1, 5);
}

QGroupBox* FrmUtilUi::setupLog(QWidget* panel) {
  auto* frmLog = makeFrame(panel, "frmLog", QStringLiteral("Log"));
  auto* logLayout = new QVBoxLayout(frmLog);
  auto* gridLabel = new QLabel(QStringLiteral("Sort log"), frmLog);
  gridLabel->setObjectName(QStringLiteral("lbl_grdLog"));
  grdLog = new QTableWidget(99, 3, frmLog);
  grdLog->setObjectName(QStringLiteral("grdLog"));
  grdLog->setAccessibleName(QStringLiteral("Sort log"));
  grdLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdLog->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdLog->setWordWrap(false);
  // Arrows move inside the grid; Tab leaves it for the next control.
  grdLog->setTabKeyNavigation(false);
  grdLog->verticalHeader()->setVisible(false);
  grdLog->verticalHeader()->setDefaultSectionSize(grdLog->fontMetrics().height() + 6);
  grdLog->horizontalHeader()->setStretchLastSection(true);
  gridLabel->setBuddy(grdLog);
  logLayout->addWidget(gridLabel);
  logLayout->addWidget(grdLog, 1);
  QLabel* label = nullptr;
  auto* filterRow = new QHBoxLayout;
  txtLogDate = makeField(frmLog, "txtLogDate", &label, QStringLiteral("Date"), false);
  txtLogDate->setMaximumWidth(120);
  filterRow->addWidget(label);
  filterRow->addWidget(txtLogDate);
  chkLog = new QCheckBox(QStringLiteral("Show &all records"), frmLog);
  chkLog->setObjectName(QStringLiteral("chkLog"));
  filterRow->addWidget(chkLog);
  filterRow->addStretch();
  cmdSearch = makeButton(frmLog, "cmdSearch", QStringLiteral("&Search"));
  cmdRefresh = makeButton(frmLog, "cmdRefresh", QStringLiteral("Re&fresh"));
  cmdClear = makeButton(frmLog, "cmdClear", QStringLiteral("C&lear log"));
  filterRow->addWidget(cmdSearch);
  filterRow->addWidget(cmdRefresh);
  filterRow->addWidget(cmdClear);
  logLayout->addLayout(filterRow);
  return frmLog;
}

QGroupBox* FrmUtilUi::setupMessage(QWidget* form) {
  auto* frame = makeFrame(form, "frmMsg", QStringLiteral("Message"));
  auto* messageLayout = new QVBoxLayout(frame);
  lblMsg = new QLabel(frame);
  lblMsg->setObjectName(QStringLiteral("lblMsg"));
  lblMsg->setAccessibleName(QStringLiteral("Message"));
  lblMsg->setWordWrap(true);
  lblMsg->setTextFormat(Qt::PlainText);
  lblMsg->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  lblMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Room for the five lines of the memory report.
  lblMsg->setMinimumHeight(lblMsg->fontMetrics().lineSpacing() * 5 + 4);
  messageLayout->addWidget(lblMsg);
  return frame;
}

}  // namespace kvt::util
