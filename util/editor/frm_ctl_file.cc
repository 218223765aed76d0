#include "util/editor/frm_ctl_file.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

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

using ExitStep = CtlFileEditState::ExitStep;

}  // namespace

frmCtlFile::frmCtlFile(AppContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmCtlFile"));
  setWindowTitle(texts::kEditorCaption);
  ui_.setupUi(this);
  connectControls();
}

void frmCtlFile::connectControls() {
  connect(ui_.cmdSave, &QPushButton::clicked, this, &frmCtlFile::cmdSave_Click);
  connect(ui_.cmdCancel, &QPushButton::clicked, this, &frmCtlFile::cmdCancel_Click);
  connect(ui_.cmdExit, &QPushButton::clicked, this, &frmCtlFile::cmdExit_Click);
  connect(ui_.cmdBrowse, &QPushButton::clicked, this, &frmCtlFile::cmdBrowse_Click);
  connect(ui_.cmdBrowseI, &QPushButton::clicked, this, [this] { browseInto(ui_.txtInFile); });
  connect(ui_.cmdBrowseO, &QPushButton::clicked, this, [this] { browseInto(ui_.txtOutFile); });
  connect(ui_.txtSortCtl, &QLineEdit::textChanged, this, &frmCtlFile::txtSortCtl_Change);
  ui_.txtSortCtl->installEventFilter(this);
  for (QLineEdit* box : {ui_.txtInFile, ui_.txtOutFile, ui_.txtRecLen, ui_.txtMemUsage,
                         ui_.txtWorkFiles, ui_.txtMinSplit, ui_.txtMaxSplit})
    connect(box, &QLineEdit::textChanged, this, &frmCtlFile::fieldChanged);
  // Moving around the grid (arrows, Tab, paging) changes nothing: only typing marks the file.
  connect(ui_.grdCtlVal, &KeyFieldGrid::keyPressed, this, [this](bool edited) {
    if (!edited) return;
    state_.keyFieldTyped(complete());
    showSaveEnabled();
  });
  connect(ui_.optBinary, &QRadioButton::toggled, this, [this](bool on) {
    if (!on) return;
    state_.orderOptionChosen();
    showSaveEnabled();
  });
  connect(ui_.optUser, &QRadioButton::toggled, this, [this](bool on) {
    if (!on) return;
    ui_.grdSortOrder->setEnabled(true);
    ui_.cboOrderFile->setEnabled(true);
    state_.orderOptionChosen();
    showSaveEnabled();
  });
  connect(ui_.cboOrderFile, &QComboBox::activated, this, &frmCtlFile::cboOrderFile_Click);
  connect(ui_.grdSortOrder, &SortOrderGrid::focused, this,
          [this] { setMsg(texts::gridFocus(), texts::kNotice); });
  connect(ui_.grdSortOrder, &SortOrderGrid::sourcePicked, this, &frmCtlFile::grdSortOrder_DblClick);
  connect(ui_.grdSortOrder, &SortOrderGrid::insertPressed, this, &frmCtlFile::grdSortOrder_Insert);
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
  const QString name = ui_.txtSortCtl->text().trimmed();
  if (name.isEmpty()) {
    state_.openedWithoutName();
    ctx_.currentCtlName.clear();
    return;
  }
  if (exists(name)) {
    ui_.lblMsg->setText(texts::loaded(name));
  } else {
    if (!ask(texts::askCreate(name))) return;
    ctx_.currentCtlName = name;
    state_.creating();
  }
  // Opening creates a missing file empty; leaving without saving offers to remove it again.
  const bool opened = ctlFile_.openCtlFile(name.toStdString());
  if (!state_.newFile() && !loadAtOpening(name, opened)) return;
  if (ui_.optUser->isChecked()) {
    loadUserOrder(ui_.lblMsg->text(), sortOrderPathFor(name));
  } else {
    setMsg(ui_.lblMsg->text() + texts::kBinaryUsed, texts::kNotice);
    showBinaryOrder();
  }
  ui_.grdSortOrder->setCurrentCell(0, 0);
  ctlFile_.CtlClose();
  state_.unchanged();
  showSaveEnabled();
}

void frmCtlFile::resetForOpening() {
  state_.open();
  const QString mainText = ctx_.mainCtlFileText.trimmed();
  if (!mainText.isEmpty()) {
    ctx_.currentCtlName = mainText;  // first, so that the name-change rule does not fire
    ui_.txtSortCtl->setText(mainText);
    ui_.cmdBrowseI->setEnabled(true);
    ui_.cmdBrowseO->setEnabled(true);
  }
  ui_.grdCtlVal->initGrdCtl();
  ui_.grdSortOrder->initGrdOrder();
  ui_.grdSortOrder->showTable(table_);
  fillCboOrder();
  setDefaults();
  ui_.optBinary->setChecked(true);
  state_.unchanged();
  showSaveEnabled();
}

// Loads an existing control file when the editor opens; false when it is not a valid one.
bool frmCtlFile::loadAtOpening(const QString& name, bool opened) {
  setMsg(ui_.lblMsg->text(), texts::kSuccess);
  (exists(sortOrderPathFor(name)) ? ui_.optUser : ui_.optBinary)->setChecked(true);
  // A file that cannot be read is as unusable as a corrupt one.
  if (!opened || getCtlInfo(name)) {
    ctlFile_.CtlClose();
    state_.loadedAtOpening(false);
    setMsg(texts::invalidFile(), texts::kError);
    return false;
  }
  ctx_.currentCtlName = name;
  state_.loadedAtOpening(true);
  return true;
}

void frmCtlFile::fillCboOrder() {
  ui_.cboOrderFile->clear();
  ui_.cboOrderFile->addItems(standardOrderNames(ctx_.mainDir));
  ui_.cboOrderFile->setCurrentIndex(-1);
}

void frmCtlFile::showBinaryOrder() {
  table_ = CollatingTable::binary();
  ui_.grdSortOrder->showTable(table_);
  ui_.grdSortOrder->setEnabled(false);
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
  ui_.grdSortOrder->showTable(table_);
  setMsg(message + texts::sortOrderLoaded(sorPath), texts::kSuccess);
}

bool frmCtlFile::getCtlInfo(const QString& path) {
  CtlFileValues values = boxValues();
  KeyFieldSet fields;
  CtlFileReader reader(ctlFile_, ctx_.mainDir);
  if (!reader.load(path, &values, &fields)) return true;
  showValues(values);
  ui_.grdCtlVal->showFields(fields);
  if (reader.fieldsCut()) askerOf(ctx_).tell(this, texts::kQuestionTitle, texts::kTooManyFields);
  return false;
}

void frmCtlFile::setDefaults() {
  ui_.txtMemUsage->setText(QStringLiteral("80"));
  ui_.txtWorkFiles->setText(QStringLiteral("*"));
  ui_.txtMinSplit->setText(QStringLiteral("*"));
  ui_.txtMaxSplit->setText(QStringLiteral("*"));
  ui_.txtInFile->clear();
  ui_.txtOutFile->clear();
  ui_.txtWFileDir->clear();
}

bool frmCtlFile::complete() const {
  return isComplete(ui_.txtSortCtl->text(), ui_.txtInFile->text(), ui_.txtOutFile->text(),
                    ui_.txtRecLen->text());
}

bool frmCtlFile::testSave() {
  state_.tested(complete());
  return state_.saveable();
}

void frmCtlFile::fieldChanged() {
  state_.changed(complete());
  showSaveEnabled();
}

// ---- Saving -------------------------------------------------------------------------------

void frmCtlFile::cmdSave_Click() {
  if (state_.savePressed() == CtlFileEditState::SaveStep::kWrite) {
    showSaveStep();
    confirmSave();
    return;
  }
  const QString name = ui_.txtSortCtl->text().trimmed();
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
  setMsg(texts::savePrompt(ui_.txtSortCtl->text(), exists(name), sortOrderToWrite(name), sorPath,
                           exists(sorPath)),
         texts::kNotice);
  state_.askConfirm();
  showSaveStep();
}

// Both files are built in memory first and each replaces its old file in one step, so a
// failed save leaves the old files as they were.
void frmCtlFile::confirmSave() {
  ctlFile_.CtlClose();
  const QString name = ui_.txtSortCtl->text().trimmed();
  CtlFileWriter writer(ctlFile_);
  const std::string image =
      writer.compose(boxValues(), ui_.grdCtlVal->fields(), versionStamp(ctx_.installedVersion));
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
  state_.saved();
  showSaveEnabled();
  ctx_.currentCtlName = name;  // the file being edited, also for the main window
}

bool frmCtlFile::sortOrderToWrite(const QString& name) const {
  return state_.writesSortOrder(ui_.optUser->isChecked(), exists(sortOrderPathFor(name)));
}

void frmCtlFile::cmdCancel_Click() {
  state_.cancelConfirm();
  showSaveStep();
  ui_.lblMsg->clear();
}

// ---- Leaving ------------------------------------------------------------------------------

void frmCtlFile::reject() {
  if (state_.exiting()) {
    QDialog::reject();
    return;
  }
  cmdExit_Click();
}

void frmCtlFile::cmdExit_Click() {
  const QString name = ui_.txtSortCtl->text().trimmed();
  auto step = state_.exitPressed(name.isEmpty());
  if (step == ExitStep::kAskUnsaved || step == ExitStep::kClose) {
    front::regPut(platform::kHkeyLocalMachine, ctx_.registryKey.toStdString(), "CurrentCtl",
                  name.toStdString());
  }
  if (step == ExitStep::kAskUnsaved) step = state_.unsavedAnswered(ask(texts::kAskExitUnsaved));
  switch (step) {
    case ExitStep::kForgetName:
      ctx_.currentCtlName.clear();
      finish();
      break;
    case ExitStep::kAbandon:
      abandonNewFile();
      break;
    case ExitStep::kClose:
      finish();
      break;
    default:  // already leaving, or the user stays
      break;
  }
}

// The file was named here and never got valid content: offer to remove it again.
void frmCtlFile::abandonNewFile() {
  const QString name = ui_.txtSortCtl->text().trimmed();
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
  state_.closing();
  ctlFile_.CtlClose();
  accept();
}

// ---- Choosing files -----------------------------------------------------------------------

void frmCtlFile::cmdBrowse_Click() {
  ui_.lblMsg->clear();
  frmSel sel(ctx_, this);
  const QString path = sel.choose();
  if (path.isEmpty()) {
    ctx_.currentCtlName = ui_.txtSortCtl->text().trimmed();
    return;
  }
  ctx_.currentCtlName = path;  // first, so that the name-change rule does not fire
  ui_.txtSortCtl->setText(path);
  state_.browsedTo();
  if (getCtlInfo(path)) {
    setMsg(texts::invalidFile(), texts::kError);
    return;
  }
  loadedByName(path);
}

// A control file named by browsing or typing has been loaded.
void frmCtlFile::loadedByName(const QString& name) {
  state_.loadedByName(ui_.optUser->isChecked());
  showSaveEnabled();
  setMsg(texts::loadedNoStop(name), texts::kSuccess);
  setMainCtlFileText(name);
  if (ui_.optUser->isChecked()) {
    loadUserOrder(ui_.lblMsg->text() + texts::kCrLf, sortOrderPathFor(name));
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
  const QString path = sel.choose();
  if (!path.isEmpty()) box->setText(path);
  ctx_.currentCtlName = ui_.txtSortCtl->text().trimmed();
}

// Another name is another file: start it afresh.
void frmCtlFile::txtSortCtl_Change(const QString& text) {
  const QString name = text.trimmed();
  ui_.cmdBrowseI->setEnabled(!name.isEmpty());
  ui_.cmdBrowseO->setEnabled(!name.isEmpty());
  if (name == ctx_.currentCtlName) return;
  state_.nameEdited();
  ctlFile_.CtlClose();
  ctx_.currentCtlName.clear();
  setDefaults();
  ui_.lblMsg->clear();
}

bool frmCtlFile::eventFilter(QObject* watched, QEvent* event) {
  // Only a move to another control of the editor counts: another window taking the focus
  // (the selection dialog, a question) leaves the name box as it is.
  if (watched == ui_.txtSortCtl && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
      txtSortCtl_LostFocus();
  }
  return QDialog::eventFilter(watched, event);
}

void frmCtlFile::txtSortCtl_LostFocus() {
  const QString name = ui_.txtSortCtl->text().trimmed();
  if (ctx_.currentCtlName.isEmpty() || ctx_.currentCtlName == name) return;
  ctx_.currentCtlName = name;
  if (!exists(name)) {
    ui_.txtSortCtl->clear();
    ctx_.currentCtlName.clear();
    setMainCtlFileText(QString());
    state_.typedNameMissing();
    return;
  }
  if (getCtlInfo(name)) {
    setMsg(texts::enterData(name), texts::kSuccess);
    state_.typedNameInvalid(complete());
    showSaveEnabled();
    return;
  }
  state_.typedNameLoaded();
  loadedByName(name);
}

// ---- Sort order ---------------------------------------------------------------------------

void frmCtlFile::cboOrderFile_Click(int index) {
  const QString entry = ui_.cboOrderFile->itemText(index).trimmed();
  const QString path = standardOrderPath(ctx_.mainDir, entry);
  SortOrderReader reader;
  const QString title = reader.open(path) ? reader.readTitle() : QString();
  ui_.lblMsg->setText(title);
  if (ui_.cboOrderFile->currentIndex() < 0) return;
  if (!ask(texts::askLoadStandard(entry))) return;
  reader.setPosition(kStandardTablePosition);
  CollatingTable table = table_;
  const auto result = reader.readTable(&table);
  if (result != SortOrderReader::Result::kOk) {
    setMsg(texts::sortOrderRefused(path, refusalReason(result)), texts::kError);
    return;
  }
  table_ = table;
  ui_.grdSortOrder->showTable(table_);
  state_.orderChanged();
  setMsg(texts::standardLoaded(title.trimmed()), texts::kSuccess);
}

void frmCtlFile::grdSortOrder_DblClick(int place) {
  moveSource = place;
  setMsg(texts::kPickInsertPoint, texts::kNotice);
}

void frmCtlFile::grdSortOrder_Insert(int target) {
  const int value = table_.entry(moveSource);
  const auto [first, last] = table_.moveAfter(moveSource, target);
  if (first <= last) ui_.grdSortOrder->showPlaces(table_, first, last);
  state_.orderChanged();
  state_.changed(complete());
  showSaveEnabled();
  setMsg(texts::charMoved(QString(QChar(value))), texts::kSuccess);
}

// ---- Helpers ------------------------------------------------------------------------------

CtlFileValues frmCtlFile::boxValues() const {
  CtlFileValues v;
  v.userOrder = ui_.optUser->isChecked();
  v.inFile = ui_.txtInFile->text();
  v.outFile = ui_.txtOutFile->text();
  v.recLen = ui_.txtRecLen->text();
  v.memUsage = ui_.txtMemUsage->text();
  v.workFiles = ui_.txtWorkFiles->text();
  v.minSplit = ui_.txtMinSplit->text();
  v.maxSplit = ui_.txtMaxSplit->text();
  v.workDir = ui_.txtWFileDir->text();
  return v;
}

void frmCtlFile::showValues(const CtlFileValues& v) {
  ui_.txtInFile->setText(v.inFile);
  ui_.txtOutFile->setText(v.outFile);
  (v.userOrder ? ui_.optUser : ui_.optBinary)->setChecked(true);
  ui_.txtMaxSplit->setText(v.maxSplit);
  ui_.txtMinSplit->setText(v.minSplit);
  ui_.txtWorkFiles->setText(v.workFiles);
  ui_.txtWFileDir->setText(v.workDir);
  ui_.txtRecLen->setText(v.recLen);
  ui_.txtMemUsage->setText(v.memUsage);
}

void frmCtlFile::setMsg(const QString& text, const QColor& colour) {
  QPalette palette = ui_.lblMsg->palette();
  // The hue says what the message is; the shade follows the theme so that it stays readable.
  palette.setColor(QPalette::WindowText, readableShade(colour, palette));
  ui_.lblMsg->setPalette(palette);
  ui_.lblMsg->setText(text);
}

void frmCtlFile::showSaveEnabled() { ui_.cmdSave->setEnabled(state_.saveEnabled()); }

// Confirm is the second press of Save; Cancel is offered only while it waits.
void frmCtlFile::showSaveStep() {
  ui_.cmdSave->setText(state_.confirming() ? texts::kConfirmCaption : texts::kSaveCaption);
  ui_.cmdCancel->setVisible(state_.confirming());
}

void frmCtlFile::setMainCtlFileText(const QString& text) {
  if (ctx_.setMainCtlFileText) ctx_.setMainCtlFileText(text);
}

bool frmCtlFile::ask(const QString& question) {
  return askerOf(ctx_).askYesNo(this, texts::kQuestionTitle, question);
}

}  // namespace kvt::util
