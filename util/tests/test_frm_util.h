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
  void realSortThroughFrontEndAndEngine();
};

}  // namespace kvt::util::test
