// frmUtil: the utility's main window. Picks a sort control file, starts a sort through the
// front-end kv02sort and follows it, shows and archives the sort log, shows the installed
// configuration and the machine's memory.
#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "frontlib/cls_file.h"
#include "frontlib/cls_log.h"
#include "util/app_context.h"
#include "util/front_end_job.h"
#include "util/log_view.h"
#include "util/message_line.h"
#include "util/sort_progress.h"
#include "util/status_follower.h"

class QCheckBox;
class QCloseEvent;
class QShowEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

class QGridLayout;

namespace kvt::util {

// The controls of frmUtil, built in one place (frm_util_ui.cc). Object names are the
// control names, so tests and tools can find them.
struct FrmUtilUi {
  QListWidget* lstCommand = nullptr;
  QPushButton* cmdExecute = nullptr;
  QPushButton* cmdCancel = nullptr;
  QPushButton* cmdExit = nullptr;

  QLineEdit* txtVersion = nullptr;
  QLineEdit* txtInstDir = nullptr;

  QTableWidget* grdLog = nullptr;
  QLineEdit* txtLogDate = nullptr;
  QCheckBox* chkLog = nullptr;
  QPushButton* cmdSearch = nullptr;
  QPushButton* cmdRefresh = nullptr;
  QPushButton* cmdClear = nullptr;

  QLineEdit* txtCtlFile = nullptr;
  QPushButton* cmdSCtl = nullptr;
  QPushButton* cmdCreate = nullptr;
  QLineEdit* txtInFile = nullptr;
  QLineEdit* txtRecLen = nullptr;
  QLineEdit* txtFileSize = nullptr;
  QLineEdit* txtSortStatus = nullptr;
  QLineEdit* txtWFiles = nullptr;
  QLineEdit* txtMemUsage = nullptr;
  QLineEdit* txtSortTime = nullptr;
  QLineEdit* txtMergeStatus = nullptr;
  QLabel* lblSort = nullptr;
  QProgressBar* prgSort = nullptr;
  QLabel* lblProgress = nullptr;
  QPushButton* cmdSort = nullptr;
  QPushButton* cmdStop = nullptr;
  QPushButton* cmdMem = nullptr;
  QTimer* Timer1 = nullptr;
  // Looks once a second for a sort started elsewhere in the main directory.
  QTimer* tmrJobWatch = nullptr;

  QGroupBox* frmMsg = nullptr;
  QLabel* lblMsg = nullptr;

  void setupUi(QWidget* frmUtil);

 private:
  // One builder per frame, called in the order of the tab chain.
  QGroupBox* setupCommands(QWidget* panel);
  QGroupBox* setupConfig(QWidget* panel);
  QGroupBox* setupStatus(QWidget* panel);
  void setupStatusFields(QGroupBox* frame, QGridLayout* grid);
  void setupSortProgress(QGroupBox* frame, QGridLayout* grid);
  QGroupBox* setupLog(QWidget* panel);
  QGroupBox* setupMessage(QWidget* form);
};

class frmUtil : public QWidget {
  Q_OBJECT

 public:
  // Opens a help file; false when nothing could show it.
  using HelpOpener = std::function<bool(const QUrl&)>;

  // programDirectory: where the program runs from, the main directory when the registry names
  // none; empty means the running program's own folder.
  explicit frmUtil(AppContext& ctx, QWidget* parent = nullptr,
                   const QString& programDirectory = QString());
  ~frmUtil() override;

  void setHelpOpener(HelpOpener opener) { helpOpener_ = std::move(opener); }

  QString mainDirectory() const { return QString::fromStdString(mainDir_); }
  QString logPath() const { return QString::fromStdString(logPath_); }
  QString statusPath() const { return QString::fromStdString(statusPath_); }
  QString configurationPath() const { return QString::fromStdString(cfgPath_); }
  QString messageTextPath() const { return QString::fromStdString(msgTextPath_); }
  QString helpFile() const { return QString::fromStdString(helpFile_); }
  bool runActive() const { return run_.active; }

 public slots:
  // One poll of a requested or running sort; Timer1 calls it every 1000 ms.
  void Timer1_Timer();
  // One look at sorts started elsewhere (a scheduler, a shell); tmrJobWatch calls it.
  void tmrJobWatch_Timer();
  void showHelp();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // While a sort of this window runs, asks whether to keep it running, stop it, or stay.
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // A new theme: the message line and the log take the shades of the new palette.
  void changeEvent(QEvent* event) override;
  void recolour();

 private slots:
  void lstCommand_Click();
  void lstCommand_DblClick();
  void cmdExecute_Click();
  void cmdCancel_Click();
  void cmdExit_Click();
  void cmdCreate_Click();
  void cmdSCtl_Click();
  void cmdSearch_Click();
  void cmdRefresh_Click();
  void cmdClear_Click();
  void cmdSort_Click();
  void cmdStop_Click();
  void cmdMem_Click();

 private:
  struct RunState {
    bool active = false;          // a front-end has been started and is watched
    bool startRequested = false;  // the next tick starts the front-end
    bool ended = false;           // the watched front-end has ended (or never started)
    std::string startTime;        // HHMMSS
    std::string endTime;          // HHMMSS
  };

  void connectHandlers();
  void formLoad();
  void readSettings();
  void getCfgData();
  void setLogHdr();
  void loadLogView(bool checkExistence);
  void showLogRows(const LogViewResult& result);
  QString saveCurrentLog(std::optional<MsgColour>& colour);
  void resetRunState();
  bool requestSort();
  void submitJob();
  void chkActiveJobEnded();
  void blinkRunningLabel();
  void dsplyProgress();
  // True while the status file still belongs to the job that ran when this sort started.
  bool waitsForAnotherJob();
  void finishRun();
  void showProgressFields();
  void showSortProgress(const ProgressView& shown);
  bool handleKey(QObject* watched, QEvent* event);
  bool commandListKey(int key);
  // Asks the running front-end to stop; it ends the engine and cleans up by itself.
  void stopRun();
  void setRunning(bool running);
  // A sort started elsewhere: its progress from the status file, the log when it has ended.
  void followOtherJob();
  void finishOtherJob();

  AppContext& ctx_;
  FrmUtilUi ui_;
  MessageLine msg_;
  kvt::front::clsLog log_;
  kvt::front::clsFile ctl_;
  MessageTextFile messageTexts_;
  StatusFollower status_;
  ProgressTracker progress_;
  ProgressFields progressFields_;
  SortProgress sortProgress_;
  FrontEndJob job_;
  RunState run_;
  HelpOpener helpOpener_;

  std::string programDir_;
  std::string mainDir_;
  std::string logPath_;
  std::string cfgPath_;
  std::string statusPath_;
  std::string msgTextPath_;
  std::string helpFileName_;
  std::string helpFile_;
  // The start time in the first status record of another job that ran when this sort was
  // started: that job's records are not this sort's progress.
  std::optional<std::string> foreignStart_;
  bool followingOtherJob_ = false;
  bool mainDirRecorded_ = false;  // the registry names a main directory
  bool fittedToScreen_ = false;
  std::string outFile_;       // the running sort's output
  int64_t recordLength_ = 0;  // and its record length
};

}  // namespace kvt::util
