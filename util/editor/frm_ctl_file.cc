#include "util/editor/frm_ctl_file.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "frontlib/shared_routines.h"
#include "platform/file_util.h"
#include "platform/registry.h"
#include "util/editor/editor_texts.h"
#include "util/editor/frm_sel.h"
#include "util/editor/key_field_grid.h"
#include "util/editor/sort_order_file.h"
#include "util/editor/sort_order_grid.h"
#include "util/theme_colours.h"

namespace kvt::util {

namespace {

// The place of the last double-clicked row; it outlives the editor while the program runs.
int moveSource = 0;

constexpr int kStandardTablePosition = SortOrderReader::kTitleLength + 1;

bool exists(const QString& path) { return !front::fileMissing(path.toStdString()); }

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

frmCtlFile::frmCtlFile(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmCtlFile"));
  setWindowTitle(texts::kEditorCaption);
  buildControls();
  connectControls();
}

// ---- Window layout ------------------------------------------------------------------------

void frmCtlFile::buildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(buildFileFrame());
  layout->addWidget(buildGrids(), 1);
  auto* msgFrame = new QGroupBox(QStringLiteral("Message area"), this);
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
  layout->addWidget(buildButtons());
}

QGroupBox* frmCtlFile::buildFileFrame() {
  auto* frame = new QGroupBox(this);
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

QGroupBox* frmCtlFile::buildOrderFrame() {
  auto* frame = new QGroupBox(QStringLiteral("Sort Order"), this);
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

QWidget* frmCtlFile::buildGrids() {
  auto* area = new QWidget(this);
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
  middle->addWidget(buildOrderFrame());
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

QWidget* frmCtlFile::buildButtons() {
  auto* row = new QWidget(this);
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

void frmCtlFile::connectControls() {
  connect(cmdSave, &QPushButton::clicked, this, &frmCtlFile::cmdSave_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmCtlFile::cmdCancel_Click);
  connect(cmdExit, &QPushButton::clicked, this, &frmCtlFile::cmdExit_Click);
  connect(cmdBrowse, &QPushButton::clicked, this, &frmCtlFile::cmdBrowse_Click);
  connect(cmdBrowseI, &QPushButton::clicked, this, [this] { browseInto(txtInFile); });
  connect(cmdBrowseO, &QPushButton::clicked, this, [this] { browseInto(txtOutFile); });
  connect(txtSortCtl, &QLineEdit::textChanged, this, &frmCtlFile::txtSortCtl_Change);
  txtSortCtl->installEventFilter(this);
  for (QLineEdit* box :
       {txtInFile, txtOutFile, txtRecLen, txtMemUsage, txtWorkFiles, txtMinSplit, txtMaxSplit})
    connect(box, &QLineEdit::textChanged, this, &frmCtlFile::fieldChanged);
  // Moving around the grid (arrows, Tab, paging) changes nothing: only typing marks the file.
  connect(grdCtlVal, &KeyFieldGrid::keyPressed, this, [this](bool edited) {
    if (!edited) return;
    fieldsEdited_ = true;
    fieldChanged();
  });
  connect(optBinary, &QRadioButton::toggled, this, [this](bool on) {
    if (on) cmdSave->setEnabled(true);
  });
  connect(optUser, &QRadioButton::toggled, this, [this](bool on) {
    if (!on) return;
    grdSortOrder->setEnabled(true);
    cboOrderFile->setEnabled(true);
    cmdSave->setEnabled(true);
  });
  connect(cboOrderFile, &QComboBox::activated, this, &frmCtlFile::cboOrderFile_Click);
  connect(grdSortOrder, &SortOrderGrid::focused, this,
          [this] { setMsg(texts::gridFocus(), texts::kNotice); });
  connect(grdSortOrder, &SortOrderGrid::sourcePicked, this, &frmCtlFile::grdSortOrder_DblClick);
  connect(grdSortOrder, &SortOrderGrid::insertPressed, this, &frmCtlFile::grdSortOrder_Insert);
}

// ---- Opening ------------------------------------------------------------------------------

// Opening may ask whether to create the file. The question waits until the editor is on the
// screen: a message box run while the window is still being shown leaves it at the window
// system's default size of 100 x 30 pixels, with its controls out of sight.
void frmCtlFile::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) {
    QMetaObject::invokeMethod(this, &frmCtlFile::openEditor, Qt::QueuedConnection);
  }
}

void frmCtlFile::openEditor() {
  resetForOpening();
  const QString name = txtSortCtl->text().trimmed();
  if (name.isEmpty()) {
    saveable_ = false;
    ctx_.currentCtlName.clear();
    return;
  }
  if (exists(name)) {
    lblMsg->setText(texts::loaded(name));
  } else {
    if (!ask(texts::askCreate(name))) return;
    ctx_.currentCtlName = name;
    newFile_ = unsavedName_ = true;
  }
  // Opening creates a missing file empty; leaving without saving offers to remove it again.
  const bool opened = ctlFile_.openCtlFile(name.toStdString());
  if (!newFile_ && !loadAtOpening(name, opened)) return;
  if (optUser->isChecked()) {
    loadUserOrder(lblMsg->text(), sortOrderPathFor(name));
  } else {
    setMsg(lblMsg->text() + texts::kBinaryUsed, texts::kNotice);
    showBinaryOrder();
  }
  grdSortOrder->setCurrentCell(0, 0);
  ctlFile_.CtlClose();
  cmdSave->setEnabled(false);
}

void frmCtlFile::resetForOpening() {
  newFile_ = unsavedName_ = sortOrderChanged_ = fieldsEdited_ = exiting_ = false;
  const QString mainText = ctx_.mainCtlFileText.trimmed();
  if (!mainText.isEmpty()) {
    ctx_.currentCtlName = mainText;  // first, so that the name-change rule does not fire
    txtSortCtl->setText(mainText);
    cmdBrowseI->setEnabled(true);
    cmdBrowseO->setEnabled(true);
  }
  grdCtlVal->initGrdCtl();
  grdSortOrder->initGrdOrder();
  grdSortOrder->showTable(table_);
  fillCboOrder();
  setDefaults();
  optBinary->setChecked(true);
  cmdSave->setEnabled(false);  // nothing has been changed yet
}

// Loads an existing control file when the editor opens; false when it is not a valid one.
bool frmCtlFile::loadAtOpening(const QString& name, bool opened) {
  setMsg(lblMsg->text(), texts::kSuccess);
  (exists(sortOrderPathFor(name)) ? optUser : optBinary)->setChecked(true);
  // A file that cannot be read is as unusable as a corrupt one.
  if (!opened || getCtlInfo(name)) {
    ctlFile_.CtlClose();
    saveable_ = false;
    setMsg(texts::invalidFile(), texts::kError);
    return false;
  }
  ctx_.currentCtlName = name;
  saveable_ = true;
  return true;
}

void frmCtlFile::fillCboOrder() {
  cboOrderFile->clear();
  cboOrderFile->addItems(standardOrderNames(ctx_.mainDir));
  cboOrderFile->setCurrentIndex(-1);
}

void frmCtlFile::showBinaryOrder() {
  table_ = CollatingTable::binary();
  grdSortOrder->showTable(table_);
  grdSortOrder->setEnabled(false);
}

// Reads the user's sort-order file into the grid; message is what lblMsg says so far.
void frmCtlFile::loadUserOrder(const QString& message, const QString& sorPath) {
  SortOrderReader reader;
  CollatingTable table = table_;
  const auto result =
      reader.open(sorPath) ? reader.readTable(&table) : SortOrderReader::Result::kCannotOpen;
  if (result != SortOrderReader::Result::kOk) {
    setMsg(message + texts::sortOrderRefused(sorPath, refusalReason(result)), texts::kError);
    return;
  }
  table_ = table;
  grdSortOrder->showTable(table_);
  setMsg(message + texts::sortOrderLoaded(sorPath), texts::kSuccess);
}

bool frmCtlFile::getCtlInfo(const QString& path) {
  CtlFileValues values = boxValues();
  KeyFieldSet fields;
  CtlFileReader reader(ctlFile_, ctx_.mainDir);
  if (!reader.load(path, &values, &fields)) return true;
  showValues(values);
  grdCtlVal->showFields(fields);
  if (reader.fieldsCut()) askerOf(ctx_).tell(this, texts::kQuestionTitle, texts::kTooManyFields);
  return false;
}

void frmCtlFile::setDefaults() {
  txtMemUsage->setText(QStringLiteral("80"));
  txtWorkFiles->setText(QStringLiteral("*"));
  txtMinSplit->setText(QStringLiteral("*"));
  txtMaxSplit->setText(QStringLiteral("*"));
  txtInFile->clear();
  txtOutFile->clear();
  txtWFileDir->clear();
}

bool frmCtlFile::testSave() {
  saveable_ =
      isComplete(txtSortCtl->text(), txtInFile->text(), txtOutFile->text(), txtRecLen->text());
  return saveable_;
}

void frmCtlFile::fieldChanged() {
  if (testSave()) cmdSave->setEnabled(true);
}

// ---- Saving -------------------------------------------------------------------------------

void frmCtlFile::cmdSave_Click() {
  if (cmdSave->text() != texts::kSaveCaption) {
    confirmSave();
    return;
  }
  const QString name = txtSortCtl->text().trimmed();
  if (name.isEmpty()) {
    setMsg(texts::kNoName, texts::kError);
    return;
  }
  // A double quote would end the value early and the rest of the line would be lost.
  const QString badKey = unstorableKey(boxValues());
  if (!badKey.isEmpty()) {
    setMsg(texts::unstorable(badKey), texts::kError);
    return;
  }
  const QString sorPath = sortOrderPathFor(name);
  setMsg(texts::savePrompt(txtSortCtl->text(), exists(name), sortOrderToWrite(name), sorPath,
                           exists(sorPath)),
         texts::kNotice);
  cmdSave->setText(texts::kConfirmCaption);
  cmdCancel->setVisible(true);
}

// Both files are built in memory first and each replaces its old file in one step, so a
// failed save leaves the old files as they were.
void frmCtlFile::confirmSave() {
  cmdCancel->hide();
  cmdSave->setText(texts::kSaveCaption);
  ctlFile_.CtlClose();
  const QString name = txtSortCtl->text().trimmed();
  CtlFileWriter writer(ctlFile_);
  const std::string image =
      writer.compose(boxValues(), grdCtlVal->fields(), versionStamp(ctx_.installedVersion));
  QString message = texts::saved(name);
  if (sortOrderToWrite(name)) {
    const QString sorPath = sortOrderPathFor(name);
    if (!writeSortOrderFile(sorPath, table_)) {
      setMsg(texts::saveFailed(sorPath), texts::kError);
      return;
    }
    message += texts::sortOrderSaved(sorPath);
  }
  if (!platform::AtomicReplaceFile(name.toStdString(), image)) {
    setMsg(texts::saveFailed(name), texts::kError);
    return;
  }
  const QList<int>& leftOut = writer.leftOutRows();
  if (!leftOut.isEmpty()) {
    if (!message.endsWith(texts::kCrLf)) message += texts::kCrLf;
    message += texts::fieldsLeftOut(leftOut);
  }
  setMsg(message, leftOut.isEmpty() ? texts::kSuccess : texts::kError);
  cmdSave->setEnabled(false);
  // The file exists now: it is the one being edited, and leaving must not offer to delete it.
  ctx_.currentCtlName = name;
  newFile_ = unsavedName_ = false;
}

// A changed table is written, and so is the table shown when the file asks for a user-defined
// order that has no sort-order file yet: without it every sort of the file would fail.
bool frmCtlFile::sortOrderToWrite(const QString& name) const {
  return sortOrderChanged_ || (optUser->isChecked() && !exists(sortOrderPathFor(name)));
}

void frmCtlFile::cmdCancel_Click() {
  cmdSave->setText(texts::kSaveCaption);
  cmdCancel->hide();
  lblMsg->clear();
}

// ---- Leaving ------------------------------------------------------------------------------

void frmCtlFile::reject() {
  if (exiting_) {
    QDialog::reject();
    return;
  }
  cmdExit_Click();
}

void frmCtlFile::cmdExit_Click() {
  if (exiting_) return;
  const QString name = txtSortCtl->text().trimmed();
  if (name.isEmpty()) {
    ctx_.currentCtlName.clear();
    finish();
    return;
  }
  if (!saveable_ && unsavedName_) {
    abandonNewFile();
    return;
  }
  front::regPut(platform::kHkeyLocalMachine, ctx_.registryKey.toStdString(), "CurrentCtl",
                name.toStdString());
  if (cmdSave->isEnabled() && saveable_) {
    if (!ask(texts::kAskExitUnsaved)) return;
    if (newFile_) {
      abandonNewFile();
      return;
    }
  }
  finish();
}

// The file was named here and never got valid content: offer to remove it again.
void frmCtlFile::abandonNewFile() {
  const QString name = txtSortCtl->text().trimmed();
  if (exists(name) && ask(texts::askDelete(name))) {
    ctlFile_.CtlClose();
    platform::RemoveFile(name.toStdString());
    const QString sorPath = sortOrderPathFor(name);
    if (exists(sorPath)) platform::RemoveFile(sorPath.toStdString());
  }
  ctx_.currentCtlName.clear();
  finish();
}

void frmCtlFile::finish() {
  exiting_ = true;
  ctlFile_.CtlClose();
  accept();
}

// ---- Choosing files -----------------------------------------------------------------------

void frmCtlFile::cmdBrowse_Click() {
  lblMsg->clear();
  frmSel sel(ctx_, this);
  sel.exec();
  const QString path = ctx_.currentCtlName;
  if (path.isEmpty()) {
    ctx_.currentCtlName = txtSortCtl->text().trimmed();
    return;
  }
  txtSortCtl->setText(path);
  unsavedName_ = false;
  if (getCtlInfo(path)) {
    setMsg(texts::invalidFile(), texts::kError);
    return;
  }
  loadedByName(path);
}

// A control file named by browsing or typing has been loaded.
void frmCtlFile::loadedByName(const QString& name) {
  newFile_ = false;  // an existing file: leaving must never offer to delete it
  setMsg(texts::loadedNoStop(name), texts::kSuccess);
  setMainCtlFileText(name);
  if (optUser->isChecked()) {
    cmdSave->setEnabled(false);
    loadUserOrder(lblMsg->text() + texts::kCrLf, sortOrderPathFor(name));
  }
}

// Input and output are data files of any name: all files are listed, starting in the folder of
// the box's current path (else the main directory).
void frmCtlFile::browseInto(QLineEdit* box) {
  frmSel sel(ctx_, this);
  const QString current = box->text().trimmed();
  const QString folder = QFileInfo(current).absolutePath();
  const bool usable = QFileInfo(current).isAbsolute() && QFileInfo(folder).isDir();
  sel.startIn(usable ? folder : ctx_.mainDir, QStringLiteral("*"));
  sel.exec();
  if (!ctx_.currentCtlName.isEmpty()) box->setText(ctx_.currentCtlName);
  ctx_.currentCtlName = txtSortCtl->text().trimmed();
}

// Another name is another file: start it afresh.
void frmCtlFile::txtSortCtl_Change(const QString& text) {
  const QString name = text.trimmed();
  cmdBrowseI->setEnabled(!name.isEmpty());
  cmdBrowseO->setEnabled(!name.isEmpty());
  if (name == ctx_.currentCtlName) return;
  newFile_ = true;
  ctlFile_.CtlClose();
  ctx_.currentCtlName.clear();
  setDefaults();
  lblMsg->clear();
}

bool frmCtlFile::eventFilter(QObject* watched, QEvent* event) {
  // Only a move to another control of the editor counts: another window taking the focus
  // (the selection dialog, a question) leaves the name box as it is.
  if (watched == txtSortCtl && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
      txtSortCtl_LostFocus();
  }
  return QDialog::eventFilter(watched, event);
}

void frmCtlFile::txtSortCtl_LostFocus() {
  const QString name = txtSortCtl->text().trimmed();
  if (ctx_.currentCtlName.isEmpty() || ctx_.currentCtlName == name) return;
  ctx_.currentCtlName = name;
  if (!exists(name)) {
    txtSortCtl->clear();
    ctx_.currentCtlName.clear();
    setMainCtlFileText(QString());
    newFile_ = true;
    return;
  }
  if (getCtlInfo(name)) {
    setMsg(texts::enterData(name), texts::kSuccess);
    newFile_ = false;
    unsavedName_ = true;
    if (testSave()) cmdSave->setEnabled(true);
    return;
  }
  unsavedName_ = false;
  loadedByName(name);
}

// ---- Sort order ---------------------------------------------------------------------------

void frmCtlFile::cboOrderFile_Click(int index) {
  const QString entry = cboOrderFile->itemText(index).trimmed();
  const QString path = standardOrderPath(ctx_.mainDir, entry);
  SortOrderReader reader;
  const QString title = reader.open(path) ? reader.readTitle() : QString();
  lblMsg->setText(title);
  if (cboOrderFile->currentIndex() < 0) return;
  if (!ask(texts::askLoadStandard(entry))) return;
  reader.setPosition(kStandardTablePosition);
  CollatingTable table = table_;
  const auto result = reader.readTable(&table);
  if (result != SortOrderReader::Result::kOk) {
    setMsg(texts::sortOrderRefused(path, refusalReason(result)), texts::kError);
    return;
  }
  table_ = table;
  grdSortOrder->showTable(table_);
  sortOrderChanged_ = true;
  setMsg(texts::standardLoaded(title.trimmed()), texts::kSuccess);
}

void frmCtlFile::grdSortOrder_DblClick(int place) {
  moveSource = place;
  setMsg(texts::kPickInsertPoint, texts::kNotice);
}

void frmCtlFile::grdSortOrder_Insert(int target) {
  const int value = table_.entry(moveSource);
  const auto [first, last] = table_.moveAfter(moveSource, target);
  if (first <= last) grdSortOrder->showPlaces(table_, first, last);
  sortOrderChanged_ = true;
  if (testSave()) cmdSave->setEnabled(true);
  setMsg(texts::charMoved(QString(QChar(value))), texts::kSuccess);
}

// ---- Helpers ------------------------------------------------------------------------------

CtlFileValues frmCtlFile::boxValues() const {
  CtlFileValues v;
  v.userOrder = optUser->isChecked();
  v.inFile = txtInFile->text();
  v.outFile = txtOutFile->text();
  v.recLen = txtRecLen->text();
  v.memUsage = txtMemUsage->text();
  v.workFiles = txtWorkFiles->text();
  v.minSplit = txtMinSplit->text();
  v.maxSplit = txtMaxSplit->text();
  v.workDir = txtWFileDir->text();
  return v;
}

void frmCtlFile::showValues(const CtlFileValues& v) {
  txtInFile->setText(v.inFile);
  txtOutFile->setText(v.outFile);
  (v.userOrder ? optUser : optBinary)->setChecked(true);
  txtMaxSplit->setText(v.maxSplit);
  txtMinSplit->setText(v.minSplit);
  txtWorkFiles->setText(v.workFiles);
  txtWFileDir->setText(v.workDir);
  txtRecLen->setText(v.recLen);
  txtMemUsage->setText(v.memUsage);
}

void frmCtlFile::setMsg(const QString& text, const QColor& colour) {
  QPalette palette = lblMsg->palette();
  // The hue says what the message is; the shade follows the theme so that it stays readable.
  palette.setColor(QPalette::WindowText, readableShade(colour, palette));
  lblMsg->setPalette(palette);
  lblMsg->setText(text);
}

void frmCtlFile::setMainCtlFileText(const QString& text) {
  if (ctx_.setMainCtlFileText) ctx_.setMainCtlFileText(text);
}

bool frmCtlFile::ask(const QString& question) {
  return askerOf(ctx_).askYesNo(this, texts::kQuestionTitle, question);
}

}  // namespace kvt::util
