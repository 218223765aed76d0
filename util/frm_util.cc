#include "util/frm_util.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <exception>

#include "frontlib/program_path.h"
#include "frontlib/shared_routines.h"
#include "platform/clock.h"
#include "platform/file_util.h"
#include "platform/memory_status.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "util/log_archive.h"
#include "util/memory_report.h"
#include "util/program_identity.h"
#include "util/sort_request.h"

#ifdef KVT_HAVE_EDITOR
#include "util/editor/frm_ctl_file.h"
#include "util/editor/frm_sel.h"
#endif

namespace kvt::util {

namespace {

const QString kSaveLogCommand = QStringLiteral("Save current log file");
constexpr uint32_t kHklm = kvt::platform::kHkeyLocalMachine;

QString q(const std::string& text) { return QString::fromStdString(text); }
std::string s(const QString& text) { return text.toStdString(); }
std::string nowTime() { return kvt::platform::NowLocal().time; }

}  // namespace

frmUtil::frmUtil(AppContext& ctx, QWidget* parent, const QString& programDirectory)
    : QWidget(parent), ctx_(ctx), msg_(nullptr),
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
  connect(ui_.cmdMem, &QPushButton::clicked, this, &frmUtil::cmdMem_Click);
  connect(ui_.Timer1, &QTimer::timeout, this, &frmUtil::Timer1_Timer);
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
}

void frmUtil::readSettings() {
  const ProgramIdentity identity = ProgramIdentity::current();
  ctx_.versionString = identity.versionString;
  ctx_.registryKey = identity.registryKey;
  helpFileName_ = s(identity.helpFileName);
  const std::string key = s(identity.registryKey);
  mainDir_ = kvt::front::regGet(kHklm, key, "MainDir");
  ctx_.currentCtlName = q(kvt::front::regGet(kHklm, key, "CurrentCtl"));
  if (!kvt::front::trim(mainDir_).empty()) {
    mainDir_ = kvt::platform::WithTrailingSeparator(kvt::front::trim(mainDir_));
  }
  // The default control file is formed before the fallback directory below, as the
  // product has always shown it.
  if (!ctx_.currentCtlName.trimmed().isEmpty()) {
    ui_.txtCtlFile->setText(ctx_.currentCtlName);
  } else {
    ui_.txtCtlFile->setText(q(mainDir_ + "SortCtl/kvtsort.txt"));
  }
  if (kvt::front::trim(mainDir_).empty()) mainDir_ = programDir_;
  ctx_.mainDir = q(mainDir_);
  logPath_ = mainDir_ + "kvtsort.log";
  cfgPath_ = mainDir_ + "kvtinst.cfg";
  statusPath_ = mainDir_ + "kvtsort.sts";
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
  ui_.txtInstDir->setText(q(mainDir_));
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

// A running front-end is not stopped: it finishes the sort by itself.
void frmUtil::cmdExit_Click() { close(); }

// ---- Control file ----

void frmUtil::cmdCreate_Click() {
  msg_.clear();
#ifdef KVT_HAVE_EDITOR
  ctx_.mainCtlFileText = ui_.txtCtlFile->text();
  ctx_.setMainCtlFileText = [this](const QString& text) { ui_.txtCtlFile->setText(text); };
  ctx_.installedVersion = ui_.txtVersion->text();
  {
    frmCtlFile editor(ctx_, this);
    editor.exec();
  }
  ctx_.setMainCtlFileText = nullptr;
  ui_.txtCtlFile->setText(ctx_.currentCtlName);
#endif
}

void frmUtil::cmdSCtl_Click() {
#ifdef KVT_HAVE_EDITOR
  {
    frmSel dialog(ctx_, this);
    dialog.exec();
  }
  if (ctx_.currentCtlName.trimmed().isEmpty()) return;
  ui_.txtCtlFile->setText(ctx_.currentCtlName);
  kvt::front::regPut(kHklm, s(ctx_.registryKey), "CurrentCtl", s(ctx_.currentCtlName));
  cmdCreate_Click();
#endif
}

// ---- Log viewer ----

void frmUtil::setLogHdr() {
  const QStringList headers = {QStringLiteral("Time"), QStringLiteral("Date"),
                               QStringLiteral("Message")};
  for (int column = 0; column < headers.size(); ++column) {
    auto* item = new QTableWidgetItem(headers[column]);
    item->setForeground(colourOf(MsgColour::InfoBlue));
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
  const LogViewResult result = loader.load(logPath_, ui_.txtLogDate->text(),
                                           ui_.chkLog->isChecked(), checkExistence);
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
    message->setForeground(colourOf(row.colour));
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

// ---- Running a sort ----

void frmUtil::resetRunState() {
  run_ = RunState();
  progress_.reset();
}

void frmUtil::cmdSort_Click() {
  if (run_.active) return;
  msg_.clear();
  for (QLineEdit* field : {ui_.txtSortTime, ui_.txtSortStatus, ui_.txtMergeStatus, ui_.txtWFiles,
                           ui_.txtMemUsage}) {
    field->clear();
  }
  progressFields_ = ProgressFields();
  showSortProgress(ProgressView());
  if (!requestSort()) return;
  sortProgress_.reset(ui_.txtFileSize->text().toLongLong());
  showSortProgress(sortProgress_.view(nowTime()));
  run_.startRequested = true;
  ui_.lblSort->setVisible(true);
  ui_.Timer1->start();
}

// The checks before a start; false (with the reason shown) when the sort cannot start.
bool frmUtil::requestSort() {
  ctx_.currentCtlName = ui_.txtCtlFile->text();
  const CtlFileInfo info = readCtlFileInfo(s(ctx_.currentCtlName), mainDir_);
  if (!info.found) {
    msg_.show(QStringLiteral("The sort control file was not found."), MsgColour::ErrorRed);
    return false;
  }
  ui_.txtInFile->setText(info.inFile);
  ui_.txtRecLen->setText(info.recLen);
  ui_.txtMemUsage->setText(info.memUsage);
  outFile_ = s(info.outFile);
  const InputFileCheck check = checkInputFile(s(info.inFile), info.recLen);
  if (check.outcome == InputFileCheck::Outcome::CannotOpen) {
    msg_.show(QStringLiteral("The input file could not be opened."), MsgColour::ErrorRed);
    return false;
  }
  if (check.outcome == InputFileCheck::Outcome::NotFound) {
    msg_.show(QStringLiteral("The input file ") + info.inFile + QStringLiteral(" was not found."),
              MsgColour::ErrorRed);
    return false;
  }
  if (check.outcome == InputFileCheck::Outcome::BadRecordLength) {
    msg_.show(QStringLiteral("Invalid record length on input file."), MsgColour::ErrorRed);
    return false;
  }
  ui_.txtFileSize->setText(check.recordCount);
  recordLength_ = kvt::front::numericValue(s(info.recLen));
  // The old status file goes only now: a refused start changes nothing.
  std::string& statusRec = kvt::front::clsFile::statusRec();
  statusRec.resize(StatusRecord::kLength, ' ');
  statusRec.replace(33, 3, "999");
  progress_.reset();
  status_.close();
  kvt::platform::RemoveFile(statusPath_);
  return true;
}

void frmUtil::Timer1_Timer() {
  try {
    if (run_.active) chkActiveJobEnded();
    if (run_.startRequested) {
      run_.active = true;
      submitJob();
    }
    blinkRunningLabel();
    dsplyProgress();
    if (run_.ended && job_.taskId() != 0) {
      finishRun();
    } else if (run_.ended) {
      // The start failed: its message stays, no completion message follows.
      ui_.Timer1->stop();
      ui_.lblSort->setVisible(false);
      run_.active = false;
    }
    run_.ended = false;
  } catch (const std::exception& error) {
    msg_.show(QString::fromLocal8Bit(error.what()), MsgColour::ErrorRed);
  }
}

void frmUtil::submitJob() {
  run_.startTime = nowTime();
  const std::string program = kvt::front::programPath(mainDir_, "kv02sort");
  job_.start(program, s(ui_.txtCtlFile->text().trimmed()));
  run_.startRequested = false;
  if (job_.taskId() == 0) {
    msg_.show(QStringLiteral("Start of KVTSort failed."), MsgColour::ErrorRed);
    run_.ended = true;
  }
}

void frmUtil::chkActiveJobEnded() {
  if (!job_.ended()) return;
  run_.endTime = nowTime();
  run_.ended = true;
}

void frmUtil::blinkRunningLabel() {
  QPalette palette = ui_.lblSort->palette();
  const bool green = palette.color(QPalette::WindowText) == colourOf(MsgColour::SuccessGreen);
  palette.setColor(QPalette::WindowText,
                   colourOf(green ? MsgColour::ErrorRed : MsgColour::SuccessGreen));
  ui_.lblSort->setPalette(palette);
}

void frmUtil::dsplyProgress() {
  try {
    // The front-end may wait for another job of this main directory before the engine starts
    // and writes the status file; until then the bar says that it waits.
    if (!status_.ensureOpen(statusPath_)) {
      showSortProgress(sortProgress_.view(nowTime()));
      return;
    }
    progress_.refreshRunTime(nowTime(), progressFields_);
    for (const StatusRecord& record : status_.readNew()) {
      progress_.apply(record, progressFields_);
      sortProgress_.apply(record);
    }
    if (!outFile_.empty()) {
      sortProgress_.outputWritten(kvt::platform::FileSize(outFile_ + ".kvttmp"),
                                  ui_.txtFileSize->text().toLongLong() * recordLength_);
    }
    showProgressFields();
    showSortProgress(sortProgress_.view(nowTime()));
    QCoreApplication::processEvents();
  } catch (const std::exception& error) {
    msg_.show(QString::fromLocal8Bit(error.what()) + QStringLiteral(" (dsplyProgress)"),
              MsgColour::ErrorRed);
  }
}

void frmUtil::showProgressFields() {
  const auto update = [](QLineEdit* field, const QString& text) {
    if (field->text() != text) field->setText(text);
  };
  update(ui_.txtSortStatus, progressFields_.sortStatus);
  update(ui_.txtMergeStatus, progressFields_.mergeStatus);
  update(ui_.txtWFiles, progressFields_.workFiles);
  update(ui_.txtSortTime, progressFields_.sortTime);
}

void frmUtil::showSortProgress(const ProgressView& shown) {
  ui_.prgSort->setValue(shown.value);
  const QString text = shown.time.isEmpty() ? shown.phase : shown.phase + "\n" + shown.time;
  if (ui_.lblProgress->text() != text) ui_.lblProgress->setText(text);
  ui_.prgSort->setAccessibleDescription(text);
}

void frmUtil::finishRun() {
  ui_.Timer1->stop();
  ui_.lblSort->setVisible(false);
  cmdRefresh_Click();
  // The engine writes its end record over the first record of the status file.
  const StatusRecord first = status_.readFirst(statusPath_);
  status_.close();
  // A run shorter than a tick never shows a running time; the end record holds the total.
  if (first.isEnd()) {
    progressFields_.sortTime = shownSeconds(elapsedSeconds(first.startTime(), first.endTime()));
    showProgressFields();
  }
  const bool success = sortSucceeded(first, job_.exitCode());
  QString message =
      QStringLiteral("Sort complete. (") + q(run_.startTime) + "-" + q(run_.endTime) + ")";
  // A failure says why, not only by its colour.
  const int code = success ? 0 : failureCode(first, job_.exitCode());
  if (!success) message += QStringLiteral("\r\n") + failureLine(code, kvt::front::errText(code));
  msg_.show(message, success ? MsgColour::SuccessGreen : MsgColour::ErrorRed);
  sortProgress_.finish(success, code);
  showSortProgress(sortProgress_.view(first.isEnd() ? first.endTime() : nowTime()));
  run_.active = false;
  QCoreApplication::processEvents();
}

// ---- Keys ----

void frmUtil::showHelp() {
  if (kvt::front::fileMissing(helpFile_)) {
    msg_.show(QStringLiteral("The help file ") + q(helpFile_) + QStringLiteral(" was not found."),
              MsgColour::ErrorRed);
    return;
  }
  if (!helpOpener_ || !helpOpener_(QUrl::fromLocalFile(q(helpFile_)))) {
    msg_.show(QStringLiteral("The help file ") + q(helpFile_) +
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

}  // namespace kvt::util
