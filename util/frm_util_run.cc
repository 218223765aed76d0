// frmUtil, running a sort: the checks of "Start sort", the once-a-second poll of the front-end
// and the status file, the progress shown, and the end of a run.
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <exception>

#include "formats/product_files.h"
#include "frontlib/control_file_path.h"
#include "frontlib/program_path.h"
#include "frontlib/shared_routines.h"
#include "platform/clock.h"
#include "platform/file_util.h"
#include "platform/paths.h"
#include "util/frm_util.h"
#include "util/running_job.h"
#include "util/sort_request.h"

namespace kvt::util {

namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }
std::string s(const QString& text) { return text.toStdString(); }
std::string nowTime() { return kvt::platform::NowLocal().time; }

}  // namespace

void frmUtil::resetRunState() {
  run_ = RunState();
  progress_.reset();
}

void frmUtil::cmdSort_Click() {
  if (run_.active) return;
  msg_.clear();
  // This sort's progress takes the place of one followed from elsewhere.
  followingOtherJob_ = false;
  for (QLineEdit* field :
       {ui_.txtSortTime, ui_.txtSortStatus, ui_.txtMergeStatus, ui_.txtWFiles, ui_.txtMemUsage}) {
    field->clear();
  }
  progressFields_ = ProgressFields();
  showSortProgress(ProgressView());
  if (!requestSort()) return;
  sortProgress_.reset(ui_.txtFileSize->text().toLongLong());
  showSortProgress(sortProgress_.view(nowTime()));
  run_.startRequested = true;
  setRunning(true);
  ui_.Timer1->start();
}

void frmUtil::setRunning(bool running) {
  ui_.lblSort->setVisible(running);
  ui_.cmdStop->setEnabled(running);
}

// The checks before a start; false (with the reason shown) when the sort cannot start.
bool frmUtil::requestSort() {
  ctx_.currentCtlName = ui_.txtCtlFile->text();
  if (!mainDirRecorded_) {
    // kv02sort would refuse every job: say what is missing, not that a file is.
    msg_.show(QStringLiteral("No main directory is set up. Start KVTUtil again and accept its "
                             "offer to make one, or run: KVTInst --main-dir DIR"),
              MsgColour::ErrorRed);
    return false;
  }
  // A bare name is one of SortCtl/, as kv02sort takes it.
  const std::string ctlPath =
      kvt::front::controlFilePath(mainDir_, s(ctx_.currentCtlName.trimmed()));
  const CtlFileInfo info = readCtlFileInfo(ctlPath, mainDir_);
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
  // While another job of this main directory runs, its status file is its progress: this
  // sort's front-end waits for it, and its engine starts the file anew.
  foreignStart_.reset();
  if (anotherJobRuns(mainDir_)) {
    foreignStart_ = status_.readFirst(statusPath_).startTime();
    status_.close();
  } else {
    kvt::platform::RemoveFile(statusPath_);
  }
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
      setRunning(false);
      run_.active = false;
    }
    run_.ended = false;
  } catch (const std::exception& error) {
    msg_.show(QString::fromLocal8Bit(error.what()), MsgColour::ErrorRed);
  }
}

void frmUtil::submitJob() {
  run_.startTime = nowTime();
  const std::string program =
      kvt::front::programPath(mainDir_, kvt::platform::ProgramFileName("kv02sort"));
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
    if (waitsForAnotherJob() || !status_.ensureOpen(statusPath_)) {
      showSortProgress(sortProgress_.view(nowTime()));
      return;
    }
    progress_.refreshRunTime(nowTime(), progressFields_);
    for (const StatusRecord& record : status_.readNew()) {
      progress_.apply(record, progressFields_);
      sortProgress_.apply(record);
    }
    if (!outFile_.empty()) {
      sortProgress_.outputWritten(kvt::platform::FileSize(formats::TemporaryOutputPath(outFile_)),
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

bool frmUtil::waitsForAnotherJob() {
  if (!foreignStart_) return false;
  const std::string start = status_.readFirst(statusPath_).startTime();
  status_.close();
  if (start.find_first_not_of(" ") == std::string::npos || start == *foreignStart_) return true;
  // This sort's engine has started its status file anew.
  foreignStart_.reset();
  return false;
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
  setRunning(false);
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

// ---- Stopping a sort ----

void frmUtil::cmdStop_Click() {
  if (!run_.active && !run_.startRequested) return;
  if (!askerOf(ctx_).askYesNo(this, windowTitle(),
                              QStringLiteral("The running sort will be stopped; its output keeps "
                                             "its previous content - Press 'Yes' to stop!"))) {
    return;
  }
  stopRun();
}

void frmUtil::stopRun() {
  ui_.cmdStop->setEnabled(false);
  if (!run_.active) {
    // Not started yet: the request is simply dropped.
    run_.startRequested = false;
    ui_.Timer1->stop();
    setRunning(false);
    msg_.show(QStringLiteral("The sort was not started."), MsgColour::InfoBlue);
    return;
  }
  if (job_.requestStop()) {
    msg_.show(QStringLiteral("Stopping the sort..."), MsgColour::InfoBlue);
  } else {
    msg_.show(QStringLiteral("The sort could not be asked to stop."), MsgColour::ErrorRed);
  }
}

// ---- Sorts started elsewhere ----

void frmUtil::tmrJobWatch_Timer() {
  if (run_.active || run_.startRequested) return;
  // Without a recorded main directory no job can run here; and no lock file, no job.
  const bool lockFile =
      mainDirRecorded_ && !kvt::front::fileMissing(mainDir_ + formats::kJobLockName);
  if (lockFile && anotherJobRuns(mainDir_)) {
    followOtherJob();
  } else if (followingOtherJob_) {
    finishOtherJob();
  }
}

void frmUtil::followOtherJob() {
  if (!followingOtherJob_) {
    followingOtherJob_ = true;
    progressFields_ = ProgressFields();
    progress_.reset();
    sortProgress_.reset(0);
    outFile_.clear();
    status_.close();
    // The end record of an earlier run is no progress of this one: its engine starts the
    // status file anew.
    const StatusRecord first = status_.readFirst(statusPath_);
    status_.close();
    foreignStart_.reset();
    if (first.isEnd()) foreignStart_ = first.startTime();
    ui_.lblSort->setVisible(true);
    msg_.show(QStringLiteral("A sort started elsewhere is running in this main directory."),
              MsgColour::InfoBlue);
  }
  blinkRunningLabel();
  dsplyProgress();
}

void frmUtil::finishOtherJob() {
  followingOtherJob_ = false;
  foreignStart_.reset();
  ui_.lblSort->setVisible(false);
  cmdRefresh_Click();
  const StatusRecord first = status_.readFirst(statusPath_);
  status_.close();
  // The job's own end line, the newest of the log, has its code even when the engine wrote
  // no end record (a job refused, or stopped); else the end record has it.
  const QTableWidgetItem* newest = ui_.grdLog->item(0, 2);
  int code = newest != nullptr ? endCodeOf(newest->text()) : -1;
  if (code < 0 && first.isEnd()) code = first.returnCode();
  QString message = QStringLiteral("A sort started elsewhere has ended.");
  if (code < 0) {
    msg_.show(message + QStringLiteral(" The log shows how."), MsgColour::InfoBlue);
  } else {
    if (code != 0) {
      message += QStringLiteral("\r\n") + failureLine(code, kvt::front::errText(code));
    }
    sortProgress_.finish(code == 0, code);
    msg_.show(message, code == 0 ? MsgColour::SuccessGreen : MsgColour::ErrorRed);
  }
  showSortProgress(sortProgress_.view(first.isEnd() ? first.endTime() : nowTime()));
}

}  // namespace kvt::util
