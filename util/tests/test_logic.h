// Tests of the window's plain classes: log filtering and message codes, old-log names,
// status records, elapsed times, the memory report and the start checks.
#pragma once

#include <QObject>

namespace kvt::util::test {

class TestLogic : public QObject {
  Q_OBJECT

 private slots:
  void versionNames();
  void dateFilter_data();
  void dateFilter();
  void searchAcceptsOnlyTheTwoForms();
  void messageCodeExpansion_data();
  void messageCodeExpansion();
  void messageCodeStopsAtOverlongLine();
  void loaderShowsNewest99AndHidesControlRecords();
  void loaderExpandsControlRecordsWhenAskedFor();
  void loaderReportsInvalidFilterOnlyWhenRecordsMeetIt();
  void oldLogNames();
  void saveFillsFirstGapAndStopsAt999();
  void saveOfMissingLogIsRefused();
  void clearLogReportsDeletionThenRenaming();
  void statusRecordFields();
  void statusRecordOfEveryType_data();
  void statusRecordOfEveryType();
  void elapsedTimeAcrossMidnight();
  void outcomeOfFinishedRun();
  void progressTrackerFollowsRecords();
  void sortProgressFollowsRecordedRuns();
  void sortProgressFollowsEngineStatusFile();
  void sortProgressMovesThroughMerges();
  void memoryReportFormat();
  void recordCountRoundsHalfToEven();
  void controlFileChecks();
};

}  // namespace kvt::util::test
