#include "util/frm_util.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>

#include "formats/product_files.h"
#include "frontlib/shared_routines.h"
#include "platform/file_util.h"
#include "platform/memory_status.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "util/editor/frm_ctl_file.h"
#include "util/editor/frm_sel.h"
#include "util/log_archive.h"
#include "util/memory_report.h"
#include "util/program_identity.h"

namespace kvt::util {

namespace {

const QString kSaveLogCommand = QStringLiteral("Save current log file");
// Where a log message keeps the kind of its colour, for a change of theme.
constexpr int kColourRole = Qt::UserRole + 1;
constexpr uint32_t kHklm = kvt::platform::kHkeyLocalMachine;

QString q(const std::string& text) { return QString::fromStdString(text); }
std::string s(const QString& text) { return text.toStdString(); }

}  // namespace

frmUtil::frmUtil(AppContext& ctx, QWidget* parent, const QString& programDirectory)
    : QWidget(parent),
      ctx_(ctx),
      msg_(nullptr),
      helpOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  programDir_ = programDirectory.isEmpty()
                    ? kvt::platform::ProgramDirectory()
                    : kvt::platform::WithTrailingSeparator(s(programDirectory));
  ui_.setupUi(this);
  msg_ = MessageLine(ui_.lblMsg);
  connectHandlers();
  // Keys reach whichever control has the focus; the window watches them all.
  qApp->installEventFilter(this);
  formLoad();
}

frmUtil::~frmUtil() {
  qApp->removeEventFilter(this);
  log_.CloseLog();
  messageTexts_.close();
  status_.close();
}

void frmUtil::connectHandlers() {
  connect(ui_.lstCommand, &QListWidget::itemClicked, this, &frmUtil::lstCommand_Click);
  // Space and the arrow keys select as a click does.
  connect(ui_.lstCommand, &QListWidget::itemSelectionChanged, this, &frmUtil::lstCommand_Click);
  connect(ui_.lstCommand, &QListWidget::itemDoubleClicked, this, &frmUtil::lstCommand_DblClick);
  connect(ui_.cmdExecute, &QPushButton::clicked, this, &frmUtil::cmdExecute_Click);
  connect(ui_.cmdCancel, &QPushButton::clicked, this, &frmUtil::cmdCancel_Click);
  connect(ui_.cmdExit, &QPushButton::clicked, this, &frmUtil::cmdExit_Click);
  connect(ui_.cmdCreate, &QPushButton::clicked, this, &frmUtil::cmdCreate_Click);
  connect(ui_.cmdSCtl, &QPushButton::clicked, this, &frmUtil::cmdSCtl_Click);
  connect(ui_.cmdSearch, &QPushButton::clicked, this, &frmUtil::cmdSearch_Click);
  connect(ui_.cmdRefresh, &QPushButton::clicked, this, &frmUtil::cmdRefresh_Click);
  connect(ui_.cmdClear, &QPushButton::clicked, this, &frmUtil::cmdClear_Click);
  connect(ui_.cmdSort, &QPushButton::clicked, this, &frmUtil::cmdSort_Click);
  connect(ui_.cmdStop, &QPushButton::clicked, this, &frmUtil::cmdStop_Click);
  connect(ui_.cmdMem, &QPushButton::clicked, this, &frmUtil::cmdMem_Click);
  connect(ui_.Timer1, &QTimer::timeout, this, &frmUtil::Timer1_Timer);
  connect(ui_.tmrJobWatch, &QTimer::timeout, this, &frmUtil::tmrJobWatch_Timer);
}

// ---- Start-up ----

void frmUtil::formLoad() {
  resetRunState();
  readSettings();
  getCfgData();
  setLogHdr();
  ui_.lstCommand->addItem(kSaveLogCommand);
  msg_.clear();
  // At start-up the reader creates a missing log, so the load always runs.
  loadLogView(false);
  log_.CloseLog();
  messageTexts_.close();
  run_.ended = false;
  // Most users come to sort a control file: they start where its name is.
  ui_.txtCtlFile->setFocus(Qt::OtherFocusReason);
  ui_.tmrJobWatch->start();
  tmrJobWatch_Timer();
}

void frmUtil::readSettings() {
  const ProgramIdentity identity = ProgramIdentity::current();
  ctx_.versionString = identity.versionString;
  ctx_.registryKey = identity.registryKey;
  helpFileName_ = s(identity.helpFileName);
  const std::string key = s(identity.registryKey);
  mainDir_ = kvt::front::regGet(kHklm, key, "MainDir");
  mainDirRecorded_ = !kvt::front::trim(mainDir_).empty();
  ctx_.currentCtlName = q(kvt::front::regGet(kHklm, key, "CurrentCtl"));
  if (!kvt::front::trim(mainDir_).empty()) {
    mainDir_ = kvt::platform::WithTrailingSeparator(kvt::front::trim(mainDir_));
  }
  // The default control file is formed before the fallback directory below, as the
  // product has always shown it.
  // Paths are shown in the system's own spelling (drive letters and '\' on Windows).
  if (!ctx_.currentCtlName.trimmed().isEmpty()) {
    ui_.txtCtlFile->setText(QDir::toNativeSeparators(ctx_.currentCtlName));
  } else {
    ui_.txtCtlFile->setText(QDir::toNativeSeparators(q(mainDir_ + "SortCtl/kvtsort.txt")));
  }
  if (kvt::front::trim(mainDir_).empty()) mainDir_ = programDir_;
  ctx_.mainDir = q(mainDir_);
  logPath_ = mainDir_ + formats::kLogFileName;
  cfgPath_ = mainDir_ + formats::kInstallConfigName;
  statusPath_ = mainDir_ + formats::kStatusFileName;
  msgTextPath_ = mainDir_ + "kvtmsg.txt";
  helpFile_ = mainDir_ + helpFileName_;
  kvt::front::clsLog::setProgramLogPath(logPath_);
  kvt::front::setErrTextPath(mainDir_ + "ErrText.txt");
  messageTexts_.setPath(msgTextPath_);
}

void frmUtil::getCfgData() {
  ctl_.CtlClose();
  ctl_.openCtlFile(cfgPath_);
  ui_.txtVersion->setText(q(ctl_.getValue("DEFINITIONS", "VERSION")));
  ui_.txtInstDir->setText(QDir::toNativeSeparators(q(mainDir_)));
  ctl_.CtlClose();
  ctx_.installedVersion = ui_.txtVersion->text();
}

// ---- Command list ----

void frmUtil::lstCommand_Click() {
  if (ui_.lstCommand->selectedItems().isEmpty()) return;
  msg_.clear();
  ui_.cmdExecute->setEnabled(true);
}

void frmUtil::lstCommand_DblClick() {
  msg_.clear();
  ui_.cmdExecute->setEnabled(true);
  const QList<QListWidgetItem*> selected = ui_.lstCommand->selectedItems();
  if (selected.isEmpty() || selected.first()->text() != kSaveLogCommand) return;
  std::optional<MsgColour> colour;
  const QString result = saveCurrentLog(colour);
  cmdRefresh_Click();
  // The reload clears the line, so the result comes after it.
  if (colour) msg_.setColour(*colour);
  msg_.show(result);
}

void frmUtil::cmdExecute_Click() {
  msg_.clear();
  lstCommand_DblClick();
  ui_.lstCommand->clearSelection();
  ui_.lstCommand->setCurrentItem(nullptr);
  ui_.cmdExecute->setEnabled(false);
  ui_.cmdCancel->setEnabled(false);
  QCoreApplication::processEvents();
}

void frmUtil::cmdCancel_Click() {
  ui_.lstCommand->clearSelection();
  ui_.lstCommand->setCurrentItem(nullptr);
  ui_.cmdExecute->setEnabled(false);
  ui_.cmdExecute->setText(QStringLiteral("&Execute"));
  ui_.cmdCancel->setEnabled(false);
  msg_.clear();
}

// closeEvent asks what becomes of a running sort.
void frmUtil::cmdExit_Click() { close(); }

void frmUtil::closeEvent(QCloseEvent* event) {
  if (!run_.active && !run_.startRequested) {
    event->accept();
    return;
  }
  const int choice = askerOf(ctx_).choose(
      this, windowTitle(),
      QStringLiteral("A sort is running. It can go on without this window, or be stopped "
                     "(its output then keeps its previous content)."),
      {QStringLiteral("Go back"), QStringLiteral("Keep sorting and close"),
       QStringLiteral("Stop the sort and close")});
  if (choice == 0) {
    event->ignore();
    return;
  }
  if (choice == 2) stopRun();
  ui_.Timer1->stop();
  event->accept();
}

void frmUtil::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::PaletteChange && event->type() != QEvent::ApplicationPaletteChange) {
    return;
  }
  // The controls inside take the new palette after the window: recolour once they have it.
  QTimer::singleShot(0, this, &frmUtil::recolour);
}

void frmUtil::recolour() {
  msg_.refreshColour();
  setLogHdr();
  for (int row = 0; row < ui_.grdLog->rowCount(); ++row) {
    QTableWidgetItem* item = ui_.grdLog->item(row, 2);
    if (item == nullptr) continue;
    item->setForeground(
        colourOf(static_cast<MsgColour>(item->data(kColourRole).toInt()), ui_.grdLog->palette()));
  }
}

// The window opens within the screen's free area, at its preferred size where that fits.
void frmUtil::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (fittedToScreen_ || screen() == nullptr) return;
  fittedToScreen_ = true;
  const QRect available = screen()->availableGeometry();
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize room = (available.size() - frame).expandedTo(minimumSizeHint());
  if (width() <= room.width() && height() <= room.height()) return;
  resize(size().boundedTo(room));
  move(available.topLeft());
}

// ---- Control file ----

void frmUtil::cmdCreate_Click() {
  msg_.clear();
  ctx_.mainCtlFileText = ui_.txtCtlFile->text();
  ctx_.setMainCtlFileText = [this](const QString& text) { ui_.txtCtlFile->setText(text); };
  ctx_.installedVersion = ui_.txtVersion->text();
  {
    frmCtlFile editor(ctx_, this);
    editor.exec();
  }
  ctx_.setMainCtlFileText = nullptr;
  ui_.txtCtlFile->setText(QDir::toNativeSeparators(ctx_.currentCtlName));
}

void frmUtil::cmdSCtl_Click() {
  {
    frmSel dialog(ctx_, this);
    dialog.exec();
  }
  if (ctx_.currentCtlName.trimmed().isEmpty()) return;
  ui_.txtCtlFile->setText(QDir::toNativeSeparators(ctx_.currentCtlName));
  kvt::front::regPut(kHklm, s(ctx_.registryKey), "CurrentCtl", s(ctx_.currentCtlName));
  cmdCreate_Click();
}

// ---- Log viewer ----

void frmUtil::setLogHdr() {
  const QStringList headers = {QStringLiteral("Time"), QStringLiteral("Date"),
                               QStringLiteral("Message")};
  for (int column = 0; column < headers.size(); ++column) {
    auto* item = new QTableWidgetItem(headers[column]);
    item->setForeground(colourOf(MsgColour::InfoBlue, ui_.grdLog->palette()));
    item->setTextAlignment(column < 2 ? Qt::AlignLeft | Qt::AlignBottom
                                      : Qt::AlignLeft | Qt::AlignVCenter);
    ui_.grdLog->setHorizontalHeaderItem(column, item);
  }
  const int digitWidth = ui_.grdLog->fontMetrics().horizontalAdvance(QStringLiteral("0"));
  ui_.grdLog->setColumnWidth(0, digitWidth * 6 + 16);
  ui_.grdLog->setColumnWidth(1, digitWidth * 8 + 16);
}

void frmUtil::loadLogView(bool checkExistence) {
  LogViewLoader loader(log_, messageTexts_);
  const LogViewResult result =
      loader.load(logPath_, ui_.txtLogDate->text(), ui_.chkLog->isChecked(), checkExistence);
  showLogRows(result);
  if (result.invalidFilter) {
    msg_.show(QStringLiteral("Search date field is invalid"), MsgColour::ErrorRed);
  }
}

void frmUtil::showLogRows(const LogViewResult& result) {
  for (size_t i = 0; i < result.rows.size(); ++i) {
    const LogRow& row = result.rows[i];
    const int r = static_cast<int>(i);
    auto* time = new QTableWidgetItem(row.time);
    time->setTextAlignment(Qt::AlignLeft | Qt::AlignBottom);
    auto* date = new QTableWidgetItem(row.date);
    date->setTextAlignment(Qt::AlignLeft | Qt::AlignBottom);
    auto* message = new QTableWidgetItem(row.message);
    message->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    message->setForeground(colourOf(row.colour, ui_.grdLog->palette()));
    message->setData(kColourRole, static_cast<int>(row.colour));
    message->setToolTip(row.message);
    ui_.grdLog->setItem(r, 0, time);
    ui_.grdLog->setItem(r, 1, date);
    ui_.grdLog->setItem(r, 2, message);
  }
}

void frmUtil::cmdRefresh_Click() {
  msg_.clear();
  ui_.grdLog->clearContents();
  setLogHdr();
  loadLogView(true);
}

void frmUtil::cmdSearch_Click() {
  msg_.clear();
  const QString f = ui_.txtLogDate->text().trimmed();
  if (!LogDateFilter::searchable(f)) {
    msg_.show(QStringLiteral("Valid format is xYYYYMMDD(x=(\" \",=,<,>)"), MsgColour::ErrorRed);
    return;
  }
  cmdRefresh_Click();
  msg_.show(QStringLiteral("Limited log shown ") + f, MsgColour::SuccessGreen);
}

void frmUtil::cmdClear_Click() {
  log_.CloseLog();
  msg_.clear();
  // The archived log is the only copy of the older records: it goes only when the user says so.
  const LogArchive archive(logPath_);
  const QString old = q(archive.oldLogPath());
  if (!kvt::front::fileMissing(archive.oldLogPath()) &&
      !askerOf(ctx_).askYesNo(this, windowTitle(),
                              old + QStringLiteral(" will be deleted - Press 'Yes' to delete!"))) {
    msg_.show(QStringLiteral("The log was not cleared; ") + old + QStringLiteral(" is kept."),
              MsgColour::InfoBlue);
    return;
  }
  const ArchiveResult result = archive.startNewLog();
  cmdRefresh_Click();
  if (result.colour) msg_.setColour(*result.colour);
  msg_.show(result.text);
}

QString frmUtil::saveCurrentLog(std::optional<MsgColour>& colour) {
  log_.CloseLog();
  msg_.clear();
  const ArchiveResult result = LogArchive(logPath_).saveCurrentLog();
  colour = result.colour;
  return result.text;
}

// ---- Configuration and memory ----

void frmUtil::cmdMem_Click() {
  msg_.show(memoryReport(kvt::platform::ReadMemoryStatus()), MsgColour::InfoBlue);
}

// ---- Keys ----

void frmUtil::showHelp() {
  if (kvt::front::fileMissing(helpFile_)) {
    msg_.show(QStringLiteral("The help file ") + QDir::toNativeSeparators(q(helpFile_)) +
                  QStringLiteral(" was not found."),
              MsgColour::ErrorRed);
    return;
  }
  if (!helpOpener_ || !helpOpener_(QUrl::fromLocalFile(q(helpFile_)))) {
    msg_.show(QStringLiteral("The help file ") + QDir::toNativeSeparators(q(helpFile_)) +
                  QStringLiteral(" could not be shown: no viewer is available."),
              MsgColour::ErrorRed);
  }
}

bool frmUtil::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
      handleKey(watched, event)) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

// F1 shows the help file; Shift+Ctrl+Alt+F6 (on release) shows who made the program.
bool frmUtil::handleKey(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  if (watched == ui_.lstCommand && event->type() == QEvent::KeyPress) {
    if (commandListKey(key->key())) return true;
  }
  const Qt::KeyboardModifiers modifiers =
      key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  if (key->key() == Qt::Key_F1 && modifiers == Qt::NoModifier) {
    if (event->type() == QEvent::KeyPress && !key->isAutoRepeat()) showHelp();
    return true;
  }
  const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
  if (key->key() == Qt::Key_F6 && modifiers == all) {
    if (event->type() == QEvent::KeyRelease) {
      msg_.showBanner(QStringLiteral("KV Tamsort\r\nHalvern - sort utilities for large files"));
    }
    return true;
  }
  return false;
}

// Enter on the command list runs the selected command, as "Execute command" does. An arrow
// key selects the command under the cursor even when the cursor cannot move (one entry).
bool frmUtil::commandListKey(int key) {
  QListWidget* list = ui_.lstCommand;
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (!list->selectedItems().isEmpty()) cmdExecute_Click();
    return true;
  }
  const bool arrow = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Home ||
                     key == Qt::Key_End || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
  if (!arrow || !list->selectedItems().isEmpty() || list->count() == 0) return false;
  QListWidgetItem* item = list->currentItem() != nullptr ? list->currentItem() : list->item(0);
  list->setCurrentItem(item);
  item->setSelected(true);
  return true;
}

}  // namespace kvt::util
