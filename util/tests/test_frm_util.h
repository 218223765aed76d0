// Tests that drive the main window frmUtil on the offscreen platform.
#pragma once

#include <QObject>

namespace kvt::util::test {

class TestFrmUtil : public QObject {
  Q_OBJECT

 private slots:
  void startupWithRegistryValues();
  void startupWithoutCurrentCtl();
  void startupWithoutRegistry();
  void logGridFiltersAndMessageCodes();
  void clearLog();
  void saveCurrentLogCommand();
  void memoryReport();
  void hiddenKeyAndHelpKey();
  void browseLeftWithExitChangesNothing();
  void refusedControlFiles();
  void failedStartOfFrontEnd();
  void progressFromStatusFile();
  void refusedJobIsNotASuccess();
  void realSortThroughFrontEndAndEngine_data();
  void realSortThroughFrontEndAndEngine();
  void messageLineIsReadByScreenReaders();
  void failedRunSaysWhy_data();
  void failedRunSaysWhy();
  void secondClearLogAsksFirst_data();
  void secondClearLogAsksFirst();
  void refusedStartCreatesNothing_data();
  void refusedStartCreatesNothing();
  void keyboardReachesEveryControl();
  void progressBarFollowsLateStatusFile();
  void startWhileAnotherJobRunsKeepsItsStatus();
};

}  // namespace kvt::util::test
